#include "history/HistoryParser.h"

#include "core/history/DrawText.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace talven;

namespace {

// "line:period:n1 n2 n3 n4 n5 n6 n7" for each accepted draw, so that tables stay readable.
QStringList describe(const QList<ParsedDraw>& draws) {
    QStringList out;
    for (const ParsedDraw& d : draws)
        out.append(u"%1:%2:%3"_s.arg(d.lineNumber).arg(d.period).arg(numbersText(d)));
    return out;
}

QList<int> skippedLines(const QList<SkippedLine>& skipped) {
    QList<int> lines;
    for (const SkippedLine& s : skipped)
        lines.append(s.lineNumber);
    return lines;
}

} // namespace

class TestHistoryParser : public QObject {
    Q_OBJECT

private slots:
    void parseLines_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("newestStored"); // 0: no stored draw
        QTest::addColumn<int>("largest");
        QTest::addColumn<QStringList>("draws");
        QTest::addColumn<QList<int>>("skipped");
        const QString d1 = u"2007001 01 02 03 04 05 06 07"_s;
        QTest::newRow("period and seven numbers")
            << QStringList{d1} << 0 << 49 << QStringList{u"1:2007001:1 2 3 4 5 6 7"_s} << QList<int>{};
        QTest::newRow("any non-digit separates")
            << QStringList{u"2007001,01,02,03,04,05,06+07"_s, u"2007002\t08-09-10-11-12-13  14"_s} << 0 << 49
            << QStringList{u"1:2007001:1 2 3 4 5 6 7"_s, u"2:2007002:8 9 10 11 12 13 14"_s} << QList<int>{};
        QTest::newRow("no period: previous plus one")
            << QStringList{u"2007153 01 02 03 04 05 06 07"_s, u"08 09 10 11 12 13 14"_s} << 0 << 49
            << QStringList{u"1:2007153:1 2 3 4 5 6 7"_s, u"2:2007154:8 9 10 11 12 13 14"_s} << QList<int>{};
        QTest::newRow("first line without period takes the proposal")
            << QStringList{u"01 02 03 04 05 06 07"_s} << 0 << 49 << QStringList{u"1:2007010:1 2 3 4 5 6 7"_s}
            << QList<int>{};
        QTest::newRow("single digits are no numbers")
            << QStringList{u"2007001 1 2 3 4 5 6 7"_s} << 0 << 49 << QStringList{} << QList<int>{1};
        QTest::newRow("blank lines silent, short line reported")
            << QStringList{u""_s, u"   "_s, u"2007001 01 02 03 04 05 06"_s, d1} << 0 << 49
            << QStringList{u"4:2007001:1 2 3 4 5 6 7"_s} << QList<int>{3};
        QTest::newRow("digits after the seventh number make the line unreadable")
            << QStringList{u"2007001 01 02 03 04 05 06 07 08 9"_s, u"2007002 01 02 03 04 05 06 4294967303"_s,
                           u"2007003 01 02 03 04 05 06 42abc"_s, u"2007004 01 02 03 04 05 06 07"_s}
            << 0 << 49 << QStringList{u"4:2007004:1 2 3 4 5 6 7"_s} << QList<int>{1, 2, 3};
        QTest::newRow("three-digit group would shift the numbers")
            << QStringList{u"2007001 01 02 103 04 05 06 07 08"_s} << 0 << 49 << QStringList{}
            << QList<int>{1};
        QTest::newRow("joined pairs are read") << QStringList{u"2007001 0102030405 06 07"_s} << 0 << 49
                                               << QStringList{u"1:2007001:1 2 3 4 5 6 7"_s} << QList<int>{};
        QTest::newRow("indented line keeps its period")
            << QStringList{u"  2007012 01 02 03 04 05 06 07"_s} << 0 << 49
            << QStringList{u"1:2007012:1 2 3 4 5 6 7"_s} << QList<int>{};
        QTest::newRow("range of the game")
            << QStringList{u"2007001 00 02 03 04 05 06 07"_s, u"2007002 01 02 03 04 05 06 50"_s, d1} << 0
            << 49 << QStringList{u"3:2007001:1 2 3 4 5 6 7"_s} << QList<int>{1, 2};
        QTest::newRow("largest number 99 admits 50..99")
            << QStringList{u"2007001 50 02 03 04 05 06 99"_s} << 0 << 99
            << QStringList{u"1:2007001:50 2 3 4 5 6 99"_s} << QList<int>{};
        QTest::newRow("repeated number")
            << QStringList{u"2007001 01 02 03 04 05 06 01"_s} << 0 << 49 << QStringList{} << QList<int>{1};
        QTest::newRow("period order; a skipped line gives no period")
            << QStringList{u"2007005 01 02 03 04 05 06 07"_s, u"2007005 01 02 03 04 05 06 07"_s,
                           u"2007004 01 02 03 04 05 06 08"_s, u"01 02 03 04 05 06"_s,
                           u"01 02 03 04 05 06 09"_s}
            << 0 << 49 << QStringList{u"1:2007005:1 2 3 4 5 6 7"_s, u"5:2007006:1 2 3 4 5 6 9"_s}
            << QList<int>{2, 3, 4};
        QTest::newRow("not above the newest stored draw")
            << QStringList{u"2007009 01 02 03 04 05 06 07"_s, u"01 02 03 04 05 06 07"_s,
                           u"2007011 01 02 03 04 05 06 07"_s}
            << 2007009 << 49 << QStringList{u"2:2007010:1 2 3 4 5 6 7"_s, u"3:2007011:1 2 3 4 5 6 7"_s}
            << QList<int>{1};
        QTest::newRow("period must be a seven-digit number")
            << QStringList{u"0007001 01 02 03 04 05 06 07"_s} << 0 << 49 << QStringList{} << QList<int>{1};
    }
    void parseLines() {
        QFETCH(QStringList, lines);
        QFETCH(int, newestStored);
        QFETCH(int, largest);
        QFETCH(QStringList, draws);
        QFETCH(QList<int>, skipped);
        const auto stored = newestStored ? std::optional<int>(newestStored) : std::nullopt;
        const HistoryParseResult result = HistoryParser::parseLines(lines, 2007010, stored, largest);
        QCOMPARE(describe(result.draws), draws);
        QCOMPARE(skippedLines(result.skipped), skipped);
        for (const SkippedLine& s : result.skipped) {
            QCOMPARE(s.text, lines[s.lineNumber - 1]);
            QVERIFY(!s.reason.isEmpty());
        }
    }

    void validateDraw_data() {
        QTest::addColumn<int>("period");
        QTest::addColumn<QList<int>>("numbers");
        QTest::addColumn<QString>("problem"); // a part of the message; empty when valid
        const QList<int> ok{1, 2, 3, 4, 5, 6, 49};
        QTest::newRow("valid") << 2007010 << ok << QString();
        QTest::newRow("zero") << 2007010 << QList<int>{0, 2, 3, 4, 5, 6, 7} << u"号码00不在01到49之间"_s;
        QTest::newRow("above largest") << 2007010 << QList<int>{1, 2, 3, 4, 5, 6, 50} << u"号码50"_s;
        QTest::newRow("repeated") << 2007010 << QList<int>{1, 2, 3, 4, 5, 6, 6} << u"号码06重复"_s;
        QTest::newRow("same as newest") << 2007009 << ok << u"期号2007009不大于已有的最新一期2007009"_s;
        QTest::newRow("not seven digits") << 0 << ok << u"期号0不是七位数字的期号"_s;
        QTest::newRow("draw 000") << 2027000 << ok << u"期数是 000"_s;
    }
    void validateDraw() {
        QFETCH(int, period);
        QFETCH(QList<int>, numbers);
        QFETCH(QString, problem);
        std::array<int, 7> draw{};
        std::copy(numbers.begin(), numbers.end(), draw.begin());
        const QString message = HistoryParser::validateDraw(period, draw, 2007009, 49);
        if (problem.isEmpty())
            QCOMPARE(message, QString());
        else
            QVERIFY2(message.contains(problem), qPrintable(message));
        QCOMPARE(HistoryParser::validateDraw(period, draw, std::nullopt, 49).isEmpty(),
                 problem.isEmpty() || problem.contains(u"不大于"_s));
    }

    void decodeText_data() {
        QTest::addColumn<QByteArray>("bytes");
        const QString text = u"2007001 01 02 03 04 05 06 07 第一期\r\n08 09 10 11 12 13 14\n"_s;
        QTest::newRow("UTF-8") << text.toUtf8();
        QTest::newRow("UTF-8 with mark") << QByteArray("\xEF\xBB\xBF") + text.toUtf8();
        QByteArray utf16("\xFF\xFE");
        for (QChar c : text)
            utf16.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
        QTest::newRow("UTF-16 with mark") << utf16;
        // "第一期" in GBK; without a GBK decoder the Latin-1 fallback still keeps the digits.
        QTest::newRow("GBK") << QByteArray("2007001 01 02 03 04 05 06 07 \xB5\xDA\xD2\xBB\xC6\xDA\r\n"
                                           "08 09 10 11 12 13 14\n");
    }
    void decodeText() {
        QFETCH(QByteArray, bytes);
        const QStringList lines = HistoryParser::splitLines(HistoryParser::decodeText(bytes));
        QCOMPARE(lines.size(), 2);
        const HistoryParseResult result = HistoryParser::parseLines(lines, 2000001, std::nullopt, 49);
        QCOMPARE(describe(result.draws),
                 (QStringList{u"1:2007001:1 2 3 4 5 6 7"_s, u"2:2007002:8 9 10 11 12 13 14"_s}));
    }

    void splitLines_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("CR LF") << u"a\r\nb\r\n"_s << QStringList{u"a"_s, u"b"_s};
        QTest::newRow("CR only") << u"a\rb"_s << QStringList{u"a"_s, u"b"_s};
        QTest::newRow("blank line kept") << u"a\n\nb\n"_s << QStringList{u"a"_s, QString(), u"b"_s};
        QTest::newRow("empty") << QString() << QStringList{};
    }
    void splitLines() {
        QFETCH(QString, text);
        QFETCH(QStringList, lines);
        QCOMPARE(HistoryParser::splitLines(text), lines);
    }

    // The shipped sample history must import whole.
    void sampleHistory() {
        QFile file(QStringLiteral(TALVEN_SOURCE_DIR "/samples/history.txt"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = HistoryParser::splitLines(HistoryParser::decodeText(file.readAll()));
        const HistoryParseResult result = HistoryParser::parseLines(lines, 2000001, std::nullopt, 49);
        QVERIFY2(result.skipped.isEmpty(), qPrintable(result.skipped.value(0).reason));
        QCOMPARE(result.draws.size(), lines.size());
        QCOMPARE(result.draws.first().period, 2000001);
        QCOMPARE(result.draws.last().period / 1000, 2026);
        QVERIFY(result.draws.size() > 27 * 140 && result.draws.size() < 27 * 160);
    }
};

QTEST_GUILESS_MAIN(TestHistoryParser)
#include "tst_historyparser.moc"
