#include "formula/Expression.h"
#include "formula/FormulaTranslation.h"

#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace talven;
using namespace talven::FormulaTranslation;

class TestFormulaTranslation : public QObject {
    Q_OBJECT

private slots:
    void replaceFirst_data();
    void replaceFirst();
    void termRows_data();
    void termRows();
    void termTableShape();
    void everyTermGivesAnEvaluableExpression();
    void translate_data();
    void translate();
    void expansionRows_data();
    void expansionRows();
    void fold_data();
    void fold();
    void foldUndoesEveryExpansion();
    void displayForms_data();
    void displayForms();
};

void TestFormulaTranslation::replaceFirst_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("search");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QString>("expected");
    QTest::newRow("first only") << u"ab+ab"_s << u"ab"_s << u"X"_s << u"X+ab"_s;
    QTest::newRow("absent") << u"abc"_s << u"z"_s << u"X"_s << u"abc"_s;
    QTest::newRow("at the end") << u"a+bc"_s << u"bc"_s << u"XYZ"_s << u"a+XYZ"_s;
    QTest::newRow("whole text") << u"bc"_s << u"bc"_s << QString() << QString();
    QTest::newRow("case-sensitive") << u"l1a"_s << u"L1A"_s << u"X"_s << u"l1a"_s;
    QTest::newRow("empty text") << QString() << u"a"_s << u"X"_s << QString();
    QTest::newRow("empty search") << u"abc"_s << QString() << u"X"_s << u"abc"_s;
}

void TestFormulaTranslation::replaceFirst() {
    QFETCH(QString, text);
    QFETCH(QString, search);
    QFETCH(QString, replacement);
    QFETCH(QString, expected);
    QCOMPARE(sReplace(text, search, replacement), expected);
}

void TestFormulaTranslation::termRows_data() {
    QTest::addColumn<int>("row"); // 1-based, as the rows are numbered
    QTest::addColumn<QString>("letter");
    QTest::addColumn<QString>("term");
    QTest::addColumn<QString>("code");
    QTest::newRow("1") << 1 << u"D"_s << u"平合数"_s << u"PH"_s;
    QTest::newRow("9 before its prefix") << 9 << u"D"_s << u"平分合尾"_s << u"PFHW"_s;
    QTest::newRow("10") << 10 << u"D"_s << u"平分合"_s << u"PFH"_s;
    QTest::newRow("11") << 11 << u"D"_s << u"总分合尾"_s << u"ZFHW"_s;
    QTest::newRow("16") << 16 << u"L"_s << u"期合尾"_s << u"QHHW"_s;
    QTest::newRow("20") << 20 << u"L"_s << u"上期尾"_s << u"SQHW"_s;
    QTest::newRow("21") << 21 << u"D"_s << u"平码一"_s << u"D1A"_s;
    QTest::newRow("24") << 24 << u"L"_s << u"一五行"_s << u"L1D"_s;
    QTest::newRow("26 door") << 26 << u"D"_s << u"平一门"_s << u"(D1E + 1)"_s;
    QTest::newRow("27") << 27 << u"D"_s << u"平一尾"_s << u"D1F"_s;
    QTest::newRow("37") << 37 << u"L"_s << u"一半头"_s << u"L1Q"_s;
    QTest::newRow("38") << 38 << u"L"_s << u"平码二"_s << u"L2A"_s;
    QTest::newRow("43 door 2") << 43 << u"L"_s << u"平二门"_s << u"(L2E + 1)"_s;
    QTest::newRow("113") << 113 << u"D"_s << u"平六合"_s << u"D6G"_s;
    QTest::newRow("122") << 122 << u"D"_s << u"六半头"_s << u"D6Q"_s;
    QTest::newRow("123") << 123 << u"D"_s << u"特码数"_s << u"D7A"_s;
    QTest::newRow("126") << 126 << u"L"_s << u"特五行"_s << u"L7D"_s;
    QTest::newRow("138") << 138 << u"L"_s << u"特半头"_s << u"L7Q"_s;
    QTest::newRow("verbatim letter") << 21 << u"X"_s << u"平码一"_s << u"X1A"_s;
    QTest::newRow("empty letter") << 123 << QString() << u"特码数"_s << u"7A"_s;
    QTest::newRow("empty letter door") << 26 << QString() << u"平一门"_s << u"(1E + 1)"_s;
}

void TestFormulaTranslation::termRows() {
    QFETCH(int, row);
    QFETCH(QString, letter);
    QFETCH(QString, term);
    QFETCH(QString, code);
    const QList<Substitution> table = termTable(letter);
    QCOMPARE(table.at(row - 1).search, term);
    QCOMPARE(table.at(row - 1).replacement, code);
}

void TestFormulaTranslation::termTableShape() {
    const QList<Substitution> table = termTable(u"D");
    QCOMPARE(table.size(), TermCount);
    QSet<QString> terms;
    for (const Substitution& row : table) {
        QVERIFY2(row.search.size() == 3 || row.search.size() == 4, qPrintable(row.search));
        terms.insert(row.search);
    }
    QCOMPARE(terms.size(), TermCount);
    QCOMPARE(expansionTable().size(), ExpansionCount);
    QCOMPARE(foldTable().size(), FoldCount);
}

// Every term, under either order letter, becomes a stored expression the evaluator accepts.
void TestFormulaTranslation::everyTermGivesAnEvaluableExpression() {
    for (const QString& letter : {u"L"_s, u"D"_s}) {
        for (const Substitution& row : termTable(letter)) {
            const QString stored = expandCodes(translateTerms(row.search + u"*2"_s, letter));
            const auto parsed = parseExpression(stored);
            QVERIFY2(parsed.ok(), qPrintable(row.search + u": "_s + stored));
            QCOMPARE(foldExpression(stored), row.replacement + u"*2"_s);
        }
    }
}

void TestFormulaTranslation::translate_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("letter");
    QTest::addColumn<QString>("stage1");
    QTest::addColumn<QString>("stored");
    QTest::newRow("flat and special") << u"平码一+特码数"_s << u"D"_s << u"D1A+D7A"_s << u"D1A+D7A"_s;
    QTest::newRow("door") << u"平一门*2"_s << u"L"_s << u"(L1E + 1)*2"_s << u"((L1A \\ 10) + 1)*2"_s;
    QTest::newRow("head and door share a code")
        << u"平一头+平一门"_s << u"D"_s << u"D1E+(D1E + 1)"_s << u"(D1A \\ 10)+(D1E + 1)"_s;
    QTest::newRow("second occurrence stays")
        << u"特码数+特码数"_s << u"D"_s << u"D7A+特码数"_s << u"D7A+特码数"_s;
    QTest::newRow("four-character term first") << u"平分合尾"_s << u"D"_s << u"PFHW"_s << u"PFHW"_s;
    QTest::newRow("three-character prefix") << u"平分合"_s << u"D"_s << u"PFH"_s << u"PFH"_s;
    QTest::newRow("both total terms") << u"平分合+平分合尾"_s << u"D"_s << u"PFH+PFHW"_s << u"PFH+PFHW"_s;
    QTest::newRow("year period") << u"年期数"_s << u"D"_s << u"BQH"_s << u"(QQH MOD 1000)"_s;
    QTest::newRow("period sum tail") << u"期合尾"_s << u"D"_s << u"QHHW"_s << u"(QHH MOD 1000)"_s;
    QTest::newRow("odd even") << u"一单双+特码数"_s << u"L"_s << u"L1K+L7A"_s << u"(L1A MOD 2)+L7A"_s;
    QTest::newRow("big small without brackets")
        << u"一大小*2"_s << u"L"_s << u"L1M*2"_s << u"0 - (L1A >= 25)*2"_s;
    QTest::newRow("half odd even") << u"特半单"_s << u"D"_s << u"D7N"_s
                                   << u"((0 - (D7A >= 25)) * 2) + (0 - ((D7A MOD 2) = 1))"_s;
    QTest::newRow("half wave") << u"六半波"_s << u"L"_s << u"L6P"_s
                               << u"(L6C * 2) + (0 - ((L6A MOD 2) = 1))"_s;
    QTest::newRow("half head") << u"二半头"_s << u"D"_s << u"D2Q"_s
                               << u"((D2A \\ 10) * 2) + (0 - ((D2A MOD 2) = 1))"_s;
    QTest::newRow("sum odd even and tail")
        << u"特合单+平三尾"_s << u"D"_s << u"D7L+D3F"_s << u"(D7G MOD 2)+(D3A MOD 10)"_s;
    QTest::newRow("period values") << u"总期数+上期数-上期合"_s << u"L"_s << u"QQH+SQQH-SQHH"_s
                                   << u"QQH+SQQH-SQHH"_s;
    QTest::newRow("codes pass through") << u"L1K+L1K"_s << u"D"_s << u"L1K+L1K"_s << u"(L1A MOD 2)+L1K"_s;
}

void TestFormulaTranslation::translate() {
    QFETCH(QString, text);
    QFETCH(QString, letter);
    QFETCH(QString, stage1);
    QFETCH(QString, stored);
    QCOMPARE(translateTerms(text, letter), stage1);
    QCOMPARE(expandCodes(stage1), stored);
}

void TestFormulaTranslation::expansionRows_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("expansion");
    QTest::newRow("1") << 1 << u"L1K"_s << u"(L1A MOD 2)"_s;
    QTest::newRow("8") << 8 << u"D1K"_s << u"(D1A MOD 2)"_s;
    QTest::newRow("14") << 14 << u"D7K"_s << u"(D7A MOD 2)"_s;
    QTest::newRow("15") << 15 << u"L1L"_s << u"(L1G MOD 2)"_s;
    QTest::newRow("29") << 29 << u"L1E"_s << u"(L1A \\ 10)"_s;
    QTest::newRow("43") << 43 << u"L1F"_s << u"(L1A MOD 10)"_s;
    QTest::newRow("57") << 57 << u"L1M"_s << u"0 - (L1A >= 25)"_s;
    QTest::newRow("71") << 71 << u"L1N"_s << u"((0 - (L1A >= 25)) * 2) + (0 - ((L1A MOD 2) = 1))"_s;
    QTest::newRow("85") << 85 << u"L1P"_s << u"(L1C * 2) + (0 - ((L1A MOD 2) = 1))"_s;
    QTest::newRow("112") << 112 << u"D7Q"_s << u"((D7A \\ 10) * 2) + (0 - ((D7A MOD 2) = 1))"_s;
    QTest::newRow("113") << 113 << u"BQH"_s << u"(QQH MOD 1000)"_s;
    QTest::newRow("114") << 114 << u"QHHW"_s << u"(QHH MOD 1000)"_s;
}

void TestFormulaTranslation::expansionRows() {
    QFETCH(int, row);
    QFETCH(QString, code);
    QFETCH(QString, expansion);
    QCOMPARE(expansionTable().at(row - 1).search, code);
    QCOMPARE(expansionTable().at(row - 1).replacement, expansion);
}

void TestFormulaTranslation::fold_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("half head whole") << u"((L1A \\ 10) * 2) + (0 - ((L1A MOD 2) = 1))"_s << u"L1Q"_s;
    QTest::newRow("door") << u"((L1A \\ 10) + 1)"_s << u"(L1E + 1)"_s;
    QTest::newRow("period sum tail") << u"(QHH MOD 1000)"_s << u"QHHW"_s;
    QTest::newRow("year period") << u"(QQH MOD 1000)+1"_s << u"BQH+1"_s;
    QTest::newRow("half odd even") << u"((0 - (D7A >= 25)) * 2) + (0 - ((D7A MOD 2) = 1))"_s << u"D7N"_s;
    QTest::newRow("big small") << u"0 - (L1A >= 25)*2"_s << u"L1M*2"_s;
    QTest::newRow("half wave and odd even")
        << u"(L6C * 2) + (0 - ((L6A MOD 2) = 1))+(L6A MOD 2)"_s << u"L6P+L6K"_s;
    QTest::newRow("first occurrence only") << u"(L1A MOD 2)+(L1A MOD 2)"_s << u"L1K+(L1A MOD 2)"_s;
    QTest::newRow("plain columns unchanged") << u"L1A+D7B*QQH"_s << u"L1A+D7B*QQH"_s;
}

void TestFormulaTranslation::fold() {
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    QCOMPARE(foldExpression(stored), shown);
}

void TestFormulaTranslation::foldUndoesEveryExpansion() {
    for (const Substitution& row : expansionTable())
        QCOMPARE(foldExpression(expandCodes(row.search + u"+1"_s)), row.search + u"+1"_s);
}

void TestFormulaTranslation::displayForms_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("chinese");
    QTest::newRow("letters stay in front") << u"D1A+L7A"_s << u"D平码一+L特码数"_s;
    QTest::newRow("longest total first") << u"PFHW"_s << u"平分合尾"_s;
    QTest::newRow("totals sharing prefixes") << u"PF+PFH+PFHW"_s << u"平分数+平分合+平分合尾"_s;
    QTest::newRow("period codes") << u"SQQH-QQH+QHHW-QHH"_s << u"上期数-总期数+期合尾-期数合"_s;
    QTest::newRow("door keeps its letter") << u"(D1E + 1)"_s << u"(D平一头 + 1)"_s;
    QTest::newRow("derived codes") << u"L1Q*D7K"_s << u"L一半头*D特单双"_s;
}

void TestFormulaTranslation::displayForms() {
    QFETCH(QString, code);
    QFETCH(QString, chinese);
    QCOMPARE(chineseForm(code), chinese);
    QCOMPARE(translateTerms(chinese, QStringView()), code);
}

QTEST_GUILESS_MAIN(TestFormulaTranslation)
#include "tst_formulatranslation.moc"
