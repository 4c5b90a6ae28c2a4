#include "common/FormulaKind.h"
#include "formula/FormulaInput.h"
#include "formula/FormulaListRow.h"
#include "formula/VocabularyReference.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringEncoder>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace talven;
using namespace talven::FormulaInput;

namespace {

// A formula file as the import reads it; nothing for bytes that are no formula file.
std::optional<FileResult> readFile(const QByteArray& bytes) {
    const auto text = decodeFile(bytes);
    if (!text)
        return std::nullopt;
    return readLines(*text);
}

QString acceptedText(const FileResult& r) {
    QStringList out;
    for (const AcceptedLine& a : r.accepted)
        out << u"%1:%2:%3"_s.arg(a.lineNumber).arg(a.kind).arg(a.code);
    return out.join(u'|');
}

QString unrecognisedText(const FileResult& r) {
    QStringList out;
    for (const UnrecognisedLine& u : r.unrecognised)
        out << u"%1:%2"_s.arg(u.lineNumber).arg(u.text);
    return out.join(u'|');
}

QByteArray toGbk(const QString& text) {
    QStringEncoder gbk("GBK");
    return gbk.encode(text);
}

QByteArray readSample(const char* name) {
    QFile f(QString::fromUtf8(TALVEN_SOURCE_DIR "/samples/") + QString::fromLatin1(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestFormulaInput : public QObject {
    Q_OBJECT

private slots:
    void headerKindNotice_data();
    void headerKindNotice();
    void typed_data();
    void typed();
    void typedMessages_data();
    void typedMessages();
    void typedFaultPosition_data();
    void typedFaultPosition();
    void typedFaultPositionAlwaysPointsAtTheQuotedText();
    void fileLines_data();
    void fileLines();
    void gbkAndUtf8GiveTheSameFormulas_data();
    void gbkAndUtf8GiveTheSameFormulas();
    void sampleFilesAreFullyRecognised();
    void badFilesGiveClearResults_data();
    void badFilesGiveClearResults();
    void tenThousandLines();
    void report();
    void referenceCells_data();
    void referenceCells();
    void listRow_data();
    void listRow();
};

void TestFormulaInput::typed_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("code");
    const int ok = -1;
    const int bad = int(ErrorCode::Unrecognised);
    QTest::newRow("empty") << QString() << int(ErrorCode::Empty) << QString();
    QTest::newRow("blanks are not empty") << u"   "_s << bad << QString();
    QTest::newRow("header and terms") << u"[D单特类]平码一+特码数"_s << ok << u"D1A+D7A"_s;
    QTest::newRow("drawn order door") << u"[L生肖类]平一门*2"_s << ok << u"((L1A \\ 10) + 1)*2"_s;
    QTest::newRow("code form without header") << u"L1K+L7A"_s << ok << u"(L1A MOD 2)+L7A"_s;
    QTest::newRow("expansion without brackets") << u"L1M*2"_s << ok << u"0 - (L1A >= 25)*2"_s;
    QTest::newRow("period codes") << u"BQH+QHHW"_s << ok << u"(QQH MOD 1000)+(QHH MOD 1000)"_s;
    QTest::newRow("blanks kept") << u"[D单特类]平码一 + 特码数"_s << ok << u"D1A + D7A"_s;
    QTest::newRow("bracketed names") << u"[L1A]+[qqh]"_s << ok << u"[L1A]+[qqh]"_s;
    QTest::newRow("full-width operators and digits")
        << u"[D单特类]（平码一＋１２）＊３－特码数／２"_s << ok << u"(D1A+12)*3-D7A/2"_s;
    QTest::newRow("terms without header stay chinese") << u"特码数+特码数"_s << bad << QString();
    QTest::newRow("second term untranslated") << u"[D单特类]特码数+特码数"_s << bad << QString();
    QTest::newRow("second derived code unexpanded") << u"[D单特类]平一头+平一门"_s << bad << QString();
    QTest::newRow("header of five characters") << u"[D单特类"_s << bad << QString();
    QTest::newRow("header without formula") << u"[D单特类]"_s << bad << QString();
    QTest::newRow("order letter verbatim") << u"[X生肖类]平码一"_s << bad << QString();
    QTest::newRow("unknown column") << u"X1A+1"_s << bad << QString();
    QTest::newRow("unbalanced") << u"(L1A+1"_s << bad << QString();
    QTest::newRow("header kept when no kind") << u"[D单特]L1A"_s << bad << QString();
}

void TestFormulaInput::typed() {
    QFETCH(QString, text);
    QFETCH(int, status);
    QFETCH(QString, code);
    const auto r = translateTyped(text);
    QCOMPARE(r.ok() ? -1 : int(r.code()), status);
    QCOMPARE(r.ok() ? r.value() : QString(), code);
    if (!r.ok() && r.code() == ErrorCode::Empty)
        QVERIFY(r.message().startsWith(u"请在公式输入框输入需要添加的公式。"_s));
    if (!r.ok() && r.code() == ErrorCode::Unrecognised) {
        QCOMPARE(r.message(), u"所输公式无法识别，无法添加到软件。"_s + r.error().detail);
        QVERIFY(!r.error().detail.isEmpty());
    }
}

void TestFormulaInput::typedMessages_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("saying");
    QTest::newRow("empty box placed") << QString() << QStringList{u"右上方"_s};
    QTest::newRow("no kind header") << u"特码数+平码一"_s
                                    << QStringList{u"无法识别的公式项“特码数”"_s, u"缺少种类标头"_s,
                                                   u"[D单特类]特码数+平码一"_s};
    QTest::newRow("repeated term") << u"[D单特类]特码数+特码数"_s
                                   << QStringList{u"重复"_s, u"特码数*2"_s, u"D7A"_s};
    QTest::newRow("repeated term, drawn order")
        << u"[L生肖类]平码一+平码一"_s << QStringList{u"平码一*2"_s, u"L1A"_s};
    QTest::newRow("unknown header") << u"[D特码类]特码数"_s
                                    << QStringList{u"“[D特码类]”"_s, u"单特类、生肖类"_s, u"半头类"_s};
    QTest::newRow("short header") << u"[D单特]L1A"_s << QStringList{u"“[D单特]”"_s, u"单特类"_s};
    QTest::newRow("plain syntax fault keeps its reason") << u"(L1A+1"_s << QStringList{u"无法添加到软件。"_s};
}

// Each message names the cause and the fix, and never speaks of a file.
void TestFormulaInput::typedMessages() {
    QFETCH(QString, text);
    QFETCH(QStringList, saying);
    const auto r = translateTyped(text);
    QVERIFY(!r.ok());
    for (const QString& part : saying)
        QVERIFY2(r.message().contains(part), qPrintable(r.message()));
    QVERIFY(!r.message().contains(u"文件"_s));
}

void TestFormulaInput::typedFaultPosition_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("saying");
    QTest::newRow("after terms") << u"[L生肖类]平一肖+总期数×2"_s << 13 << u"第14个字符“×”无法识别"_s;
    QTest::newRow("after an expanded term") << u"[D单特类]特单双+特码数#1"_s << 13 << u"第14个字符“#”"_s;
    QTest::newRow("full-width bracket quoted as typed")
        << u"[D单特类]（平码一＋１２））"_s << 14 << u"第15个字符处有多余的右括号“）”"_s;
    QTest::newRow("unclosed bracket") << u"[D单特类]平码一+(特码数"_s << 10 << u"第11个字符处的左括号“(”"_s;
    QTest::newRow("number out of range")
        << u"[D单特类]特码数+"_s + QString(400, u'9') << 10 << u"第11个字符处的数字超出范围"_s;
    QTest::newRow("term out of place") << u"[D单特类]2特单双"_s << 7 << u"第8个字符处的“特单双”不合语法"_s;
    QTest::newRow("term run into a letter") << u"[D单特类]平码一X+1"_s << 6 << u"无法识别的公式项“平码一X”"_s;
    QTest::newRow("missing operand at the end") << u"[D单特类]特码数＋  "_s << 12 << u"末尾缺少运算数"_s;
    QTest::newRow("without header") << u"  L1A+×"_s << 6 << u"第7个字符“×”"_s;
}

// The message counts and quotes in the text as typed, header and blanks included, not in its code.
void TestFormulaInput::typedFaultPosition() {
    QFETCH(QString, text);
    QFETCH(int, position);
    QFETCH(QString, saying);
    const auto r = translateTyped(text);
    QVERIFY(!r.ok());
    QCOMPARE(r.error().position, position);
    QVERIFY2(r.message().contains(saying), qPrintable(r.message()));
}

// Whatever is typed, the fault is placed at the start of a typed piece, never inside a term, and the
// message's character number and quoted text are found there.
void TestFormulaInput::typedFaultPositionAlwaysPointsAtTheQuotedText() {
    static const QStringList pieces = {u"[D单特类]"_s, u"[L生肖类]"_s, u"特码数"_s, u"平一门"_s, u"特半波"_s,
                                       u"年期数"_s,    u"L1K"_s,       u"＋"_s,     u"（"_s,     u"）"_s,
                                       u"１"_s,        u"+"_s,         u"("_s,      u")"_s,      u" "_s,
                                       u"×"_s,         u"X"_s,         u"MOD"_s,    u"[L1A"_s,   u"7"_s};
    // The quote right after the number is the typed text; one later in the sentence names what is missing.
    static const QRegularExpression numbered(u"第(\\d+)个字符((?:处的)?“([^”]*)”)?"_s);
    QRandomGenerator rng(28);
    for (int round = 0; round < 20000; ++round) {
        QString text;
        QList<qsizetype> starts;
        for (int i = int(rng.bounded(1, 8)); i > 0; --i) {
            starts.append(text.size());
            text += pieces.at(int(rng.bounded(pieces.size())));
        }
        starts.append(text.size());
        const auto r = translateTyped(text);
        if (r.ok() || r.error().position < 0)
            continue;
        const int at = r.error().position;
        QVERIFY2(starts.contains(at), qPrintable(text + u" → "_s + r.message()));
        const auto m = numbered.match(r.message());
        if (!m.hasMatch())
            continue;
        QVERIFY2(m.captured(1).toInt() == at + 1, qPrintable(text + u" → "_s + r.message()));
        QVERIFY2(text.mid(at).startsWith(m.captured(3)), qPrintable(text + u" → "_s + r.message()));
    }
}

void TestFormulaInput::fileLines_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("accepted");
    QTest::addColumn<QString>("unrecognised");
    QTest::newRow("kind carried from the previous line")
        << u"[D生肖类]平码一\r\n[D其它类]特码数\r\n"_s << u"1:1:D1A|2:1:D7A"_s << QString();
    QTest::newRow("kind 0 before the first") << u"[D其它类]特码数"_s << u"1:0:D7A"_s << QString();
    QTest::newRow("blank inside") << u"[D单特类]平码一 + 特码数"_s << QString() << u"1:D1A + D7A"_s;
    QTest::newRow("blanks at the ends") << u"  [L波色类]平码一+特码数  "_s << u"1:11:L1A+L7A"_s << QString();
    QTest::newRow("repeated term") << u"[D单特类]特码数+特码数"_s << QString() << u"1:D7A+特码数"_s;
    QTest::newRow("door term") << u"[L半头类]平一门*2"_s << u"1:15:((L1A \\ 10) + 1)*2"_s << QString();
    QTest::newRow("blank lines skipped")
        << u"\r\n  \r\n[D单特类]特码数\r\n\r\n"_s << u"3:0:D7A"_s << QString();
    QTest::newRow("shorter than the header") << u"[D单\r\n平码一"_s << QString() << u"1:[D单|2:平码一"_s;
    QTest::newRow("header only") << u"[D单特类]"_s << QString() << u"1:[D单特类]"_s;
    QTest::newRow("five-character header sets the kind")
        << u"[D生肖类\r\n[D其它类]特码数"_s << u"2:1:D7A"_s << u"1:[D生肖类"_s;
    QTest::newRow("order letter verbatim") << u"[X生肖类]平码一"_s << QString() << u"1:X1A"_s;
    QTest::newRow("lower-case order letter") << u"[d单特类]特码数"_s << u"1:0:d7A"_s << QString();
    QTest::newRow("backslash refused") << u"[D单特类]L1A\\2"_s << QString() << u"1:L1A\\2"_s;
    QTest::newRow("passes check but no parse") << u"[D单特类]{L1A}"_s << QString() << u"1:{L1A}"_s;
    QTest::newRow("unbalanced") << u"[D单特类](平码一+特码数"_s << QString() << u"1:(D1A+D7A"_s;
    QTest::newRow("control character") << u"[D单特类]平码一\u0001"_s << QString() << u"1:D1A\u0001"_s;
    QTest::newRow("derived codes expanded")
        << u"[D合单双]年期数+期合尾+特合单"_s << u"1:6:(QQH MOD 1000)+(QHH MOD 1000)+(D7G MOD 2)"_s
        << QString();
    QTest::newRow("other line ends") << u"[D单特类]特码数\n[D生肖类]平码一\r[D头数类]平码二"_s
                                     << u"1:0:D7A|2:1:D1A|3:2:D2A"_s << QString();
    QTest::newRow("report keeps blanks of B") << u"[D单特类] 平码一 +1"_s << QString() << u"1: D1A +1"_s;
}

void TestFormulaInput::fileLines() {
    QFETCH(QString, text);
    QFETCH(QString, accepted);
    QFETCH(QString, unrecognised);
    const FileResult r = readLines(text);
    QCOMPARE(acceptedText(r), accepted);
    QCOMPARE(unrecognisedText(r), unrecognised);
    for (const UnrecognisedLine& u : r.unrecognised)
        QVERIFY(!u.reason.isEmpty());
}

void TestFormulaInput::gbkAndUtf8GiveTheSameFormulas_data() {
    QTest::addColumn<QByteArray>("bom");
    QTest::newRow("without byte-order mark") << QByteArray();
    QTest::newRow("with byte-order mark") << QByteArray("\xEF\xBB\xBF");
}

void TestFormulaInput::gbkAndUtf8GiveTheSameFormulas() {
    QFETCH(QByteArray, bom);
    const QString text = u"[L生肖类]平一肖+总期数\r\n[D五行类]特五行*3+年期数\r\n[D单特类]特码数+特码数\r\n"
                         u"[D其它类]平分合尾-上期数\r\n"_s;
    const FileResult fromGbk = readFile(toGbk(text)).value();
    const FileResult fromUtf8 = readFile(bom + text.toUtf8()).value();
    QCOMPARE(acceptedText(fromUtf8), u"1:1:L1B+QQH|2:12:D7D*3+(QQH MOD 1000)|4:0:PFHW-SQQH"_s);
    QCOMPARE(acceptedText(fromGbk), acceptedText(fromUtf8));
    QCOMPARE(unrecognisedText(fromGbk), unrecognisedText(fromUtf8));
    QCOMPARE(unrecognisedText(fromUtf8), u"3:D7A+特码数"_s);
}

void TestFormulaInput::sampleFilesAreFullyRecognised() {
    const QByteArray gbk = readSample("formulas.txt");
    const QByteArray utf8 = readSample("formulas-utf8.txt");
    QVERIFY(!gbk.isEmpty());
    QVERIFY(gbk != utf8);
    const FileResult a = readFile(gbk).value();
    const FileResult b = readFile(utf8).value();
    QCOMPARE(unrecognisedText(a), QString());
    QVERIFY(a.accepted.size() >= 30);
    QCOMPARE(acceptedText(a), acceptedText(b));
    // Every kind header appears at least once.
    QList<int> kinds(FormulaKindCount, 0);
    for (const AcceptedLine& line : a.accepted)
        ++kinds[line.kind];
    QVERIFY(!kinds.contains(0));
}

void TestFormulaInput::badFilesGiveClearResults_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("lines"); // non-blank lines, each either accepted or reported; -1: no formula file
    QByteArray binary;
    QRandomGenerator rng(77);
    for (int i = 0; i < 65536; ++i)
        binary.append(char(rng.bounded(1, 256)));
    static const char nul[] = "[D\0\0\0\0]L1A\r\n\0\0\0\0\0\0\0";
    QTest::newRow("binary bytes") << binary << -1;
    QTest::newRow("nul bytes") << QByteArray(nul, sizeof(nul) - 1) << -1;
    QTest::newRow("invalid in UTF-8 and GBK") << QByteArray("[D\xb5\xa5\xcc\xd8\xc0\xe0]L1A\n\x81\x20") << -1;
    QTest::newRow("very long line") << (u"[D单特类]"_s + u"L1A+"_s.repeated(250000) + u"1"_s).toUtf8() << 1;
    QTest::newRow("100000 brackets") << (u"[D单特类]"_s + QString(100000, u'(')).toUtf8() << 1;
    QTest::newRow("empty file") << QByteArray() << 0;
}

void TestFormulaInput::badFilesGiveClearResults() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, lines);
    const auto r = readFile(bytes);
    QCOMPARE(r.has_value(), lines >= 0);
    if (!r)
        return;
    QCOMPARE(int(r->accepted.size() + r->unrecognised.size()), lines);
    for (const UnrecognisedLine& u : r->unrecognised)
        QVERIFY(!u.reason.isEmpty());
}

void TestFormulaInput::tenThousandLines() {
    QString text;
    for (int i = 0; i < 10000; ++i)
        text += i % 4 == 3 ? u"[D单特类]特码数+特码数\r\n"_s : u"[L尾数类]平码一+特码数+总期数\r\n"_s;
    const FileResult r = readFile(toGbk(text)).value();
    QCOMPARE(r.accepted.size(), 7500);
    QCOMPARE(r.unrecognised.size(), 2500);
    QCOMPARE(r.accepted.last().lineNumber, 9999);
    QCOMPARE(r.accepted.last().code, u"L1A+L7A+QQH"_s);
}

void TestFormulaInput::report() {
    const QList<UnrecognisedLine> lines = {{3, u"D7A+特码数"_s, u"x"_s}, {9, u"X1A"_s, u"y"_s}};
    QCOMPARE(reportText(lines), u"D7A+特码数\r\nX1A\r\n"_s.toUtf8());
    QCOMPARE(reportText({}), QByteArray());
}

void TestFormulaInput::referenceCells_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::newRow("corner") << 0 << 0 << QString();
    QTest::newRow("first flat header") << 0 << 1 << u"平1位"_s;
    QTest::newRow("sixth flat header") << 0 << 6 << u"平6位"_s;
    QTest::newRow("special header") << 0 << 7 << u"特位"_s;
    QTest::newRow("totals header") << 0 << 8 << u"总位"_s;
    QTest::newRow("drawn label") << 1 << 0 << u"落地码"_s;
    QTest::newRow("drawn zodiac") << 2 << 3 << u"L3B"_s;
    QTest::newRow("drawn half odd even") << 14 << 2 << u"L2N"_s;
    QTest::newRow("drawn half wave") << 15 << 1 << u"L1P"_s;
    QTest::newRow("drawn half head special") << 16 << 7 << u"L7Q"_s;
    QTest::newRow("drawn row has no total") << 16 << 8 << QString();
    QTest::newRow("total label") << 17 << 0 << u"平合"_s;
    QTest::newRow("total code") << 17 << 8 << u"PH"_s;
    QTest::newRow("total row has no position") << 17 << 1 << QString();
    QTest::newRow("last lower total") << 24 << 8 << u"ZFW"_s;
    QTest::newRow("sorted special") << 25 << 7 << u"D7A"_s;
    QTest::newRow("sorted label") << 25 << 0 << u"顺序码"_s;
    QTest::newRow("sorted half odd even") << 38 << 4 << u"D4N"_s;
    QTest::newRow("sorted half wave") << 39 << 5 << u"D5P"_s;
    QTest::newRow("sorted half head label") << 40 << 0 << u"顺半头"_s;
    QTest::newRow("period") << 41 << 8 << u"QQH"_s;
    QTest::newRow("period sum tail") << 44 << 0 << u"本期期合尾"_s;
    QTest::newRow("last") << 52 << 8 << u"ZFHW"_s;
    QTest::newRow("last label") << 52 << 0 << u"总分合尾"_s;
    QTest::newRow("below the grid") << 53 << 0 << QString();
    QTest::newRow("left of the grid") << 1 << -1 << QString();
}

void TestFormulaInput::referenceCells() {
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, text);
    QCOMPARE(VocabularyReference::cell(row, column), text);
}

void TestFormulaInput::listRow_data() {
    QTest::addColumn<QString>("gongshi");
    QTest::addColumn<int>("maType");
    QTest::addColumn<bool>("kill");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("kill zodiac") << u"((L1A \\ 10) * 2) + (0 - ((L1A MOD 2) = 1))"_s << 1 << true
                                 << QStringList{u"3"_s, u"L1Q"_s, u"生肖"_s, u"杀"_s, u"17"_s};
    QTest::newRow("keep half head") << u"(QHH MOD 1000)"_s << 15 << false
                                    << QStringList{u"3"_s, u"QHHW"_s, u"半头"_s, u"生"_s, u"17"_s};
    QTest::newRow("kind out of range")
        << u"L1A"_s << 16 << false << QStringList{u"3"_s, u"L1A"_s, QString(), u"生"_s, u"17"_s};
}

void TestFormulaInput::listRow() {
    QFETCH(QString, gongshi);
    QFETCH(int, maType);
    QFETCH(bool, kill);
    QFETCH(QStringList, texts);
    const FormulaListRow row = FormulaListRow::of(3, FormulaRow{17, gongshi, maType, kill});
    QCOMPARE((QStringList{row.rowNumber, row.formula, row.kind, row.killKeep, row.formulaNumber}), texts);
}

// A header naming another kind than the chosen one is said aloud; the chosen kind is used.
void TestFormulaInput::headerKindNotice_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("chosen");
    QTest::addColumn<QString>("notice");
    QTest::newRow("other kind") << u"[L生肖类]平一肖+总期数"_s << 0
                                << u"标头写的是生肖类，公式按所选的特码类添加"_s;
    QTest::newRow("same kind") << u"[L生肖类]平一肖"_s << 1 << QString();
    QTest::newRow("no header") << u"平一肖+总期数"_s << 0 << QString();
    QTest::newRow("blanks before") << u"  [D单特类]L1A"_s << 1
                                   << u"标头写的是特码类，公式按所选的生肖类添加"_s;
}

void TestFormulaInput::headerKindNotice() {
    QFETCH(QString, text);
    QFETCH(int, chosen);
    QFETCH(QString, notice);
    QCOMPARE(FormulaInput::headerKindNotice(text, *formulaKindOf(chosen)), notice);
}

QTEST_GUILESS_MAIN(TestFormulaInput)
#include "tst_formulainput.moc"
