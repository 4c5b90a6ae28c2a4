#include "formula/Expression.h"
#include "lottery/DrawColumns.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace talven;

namespace {

QString opText(ExprNode::Op op) {
    static const char16_t* const texts[] = {u"+",  u"-", u"*", u"/",  u"\\", u"MOD", u"&",  u"=",
                                            u"<>", u"<", u">", u"<=", u">=", u"AND", u"OR", u"XOR"};
    return QString::fromUtf16(texts[static_cast<int>(op)]);
}

// Fully bracketed rendering of a tree, so that a test states the grouping it expects.
QString render(const ExprNode* n) {
    switch (n->kind) {
    case ExprNode::Kind::Number:
        return QString::number(n->number);
    case ExprNode::Kind::Column:
        return DrawColumns::name(n->column);
    case ExprNode::Kind::Negate:
        return u"(-"_s + render(n->lhs.get()) + u")"_s;
    case ExprNode::Kind::Not:
        return u"(NOT "_s + render(n->lhs.get()) + u")"_s;
    case ExprNode::Kind::Binary:
        return u"("_s + render(n->lhs.get()) + u" "_s + opText(n->op) + u" "_s + render(n->rhs.get()) +
               u")"_s;
    }
    return {};
}

} // namespace

class TestExpression : public QObject {
    Q_OBJECT

private slots:
    void grouping_data();
    void grouping();
    void refused_data();
    void refused();
    void deepNestingIsRefused_data();
    void deepNestingIsRefused();
    void randomInputNeverCrashes();
};

void TestExpression::grouping_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("tree");

    QTest::newRow("column") << u"L1A"_s << u"L1A"_s;
    QTest::newRow("case-insensitive name") << u"d7a"_s << u"D7A"_s;
    QTest::newRow("bracketed name") << u"[QQH]"_s << u"QQH"_s;
    QTest::newRow("bracketed lower case") << u"[zfhw]"_s << u"ZFHW"_s;
    QTest::newRow("decimal") << u"2.5"_s << u"2.5"_s;
    QTest::newRow("leading point") << u".5"_s << u"0.5"_s;
    QTest::newRow("true false") << u"TRUE + false"_s << u"(-1 + 0)"_s;
    QTest::newRow("left to right") << u"1-2-3"_s << u"((1 - 2) - 3)"_s;
    QTest::newRow("mul over add") << u"1+2*3"_s << u"(1 + (2 * 3))"_s;
    QTest::newRow("unary minus tightest") << u"-2*3"_s << u"((-2) * 3)"_s;
    QTest::newRow("unary after operator") << u"2*-L1A"_s << u"(2 * (-L1A))"_s;
    QTest::newRow("unary plus") << u"+L1A"_s << u"L1A"_s;
    QTest::newRow("intdiv below mul") << u"L1A*2\\3"_s << u"((L1A * 2) \\ 3)"_s;
    QTest::newRow("mod below intdiv") << u"L1A\\2 MOD 3"_s << u"((L1A \\ 2) MOD 3)"_s;
    QTest::newRow("add below mod") << u"(L1A \\ 10)+(L1B) MOD 10"_s << u"((L1A \\ 10) + (L1B MOD 10))"_s;
    QTest::newRow("concat below add") << u"1+2&3"_s << u"((1 + 2) & 3)"_s;
    QTest::newRow("comparison below concat") << u"1&2=12"_s << u"((1 & 2) = 12)"_s;
    QTest::newRow("not below comparison") << u"NOT L1A >= 25"_s << u"(NOT (L1A >= 25))"_s;
    QTest::newRow("and below not") << u"NOT 1 AND 0"_s << u"((NOT 1) AND 0)"_s;
    QTest::newRow("or below and") << u"1 OR 0 AND 0"_s << u"(1 OR (0 AND 0))"_s;
    QTest::newRow("xor loosest") << u"1 XOR 0 OR 1"_s << u"(1 XOR (0 OR 1))"_s;
    QTest::newRow("all comparisons") << u"1<2<>3<=4>=5>6=7"_s
                                     << u"((((((1 < 2) <> 3) <= 4) >= 5) > 6) = 7)"_s;
    QTest::newRow("keywords any case") << u"l1a mod 2 Xor 1"_s << u"((L1A MOD 2) XOR 1)"_s;
    QTest::newRow("mod needs no blanks around brackets") << u"(L1A)MOD(2)"_s << u"(L1A MOD 2)"_s;
    QTest::newRow("blanks tabs line breaks") << u" L1A\t+\r\nL2A "_s << u"(L1A + L2A)"_s;
    QTest::newRow("expansion M") << u"0 - (L1A >= 25)*2"_s << u"(0 - ((L1A >= 25) * 2))"_s;
    QTest::newRow("expansion N") << u"((0 - (L1A >= 25)) * 2) + (0 - ((L1A MOD 2) = 1))"_s
                                 << u"(((0 - (L1A >= 25)) * 2) + (0 - ((L1A MOD 2) = 1)))"_s;
    QTest::newRow("period expansion") << u"(QQH MOD 1000)+SQHW"_s << u"((QQH MOD 1000) + SQHW)"_s;
    QTest::newRow("nesting at the limit")
        << QString(MaxExpressionNesting, u'(') + u"1"_s + QString(MaxExpressionNesting, u')') << u"1"_s;
}

void TestExpression::grouping() {
    QFETCH(QString, text);
    QFETCH(QString, tree);
    const auto r = parseExpression(text);
    QVERIFY2(r.ok(), qPrintable(r.ok() ? QString() : r.message()));
    QCOMPARE(render(r.value().get()), tree);
}

void TestExpression::refused_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("messagePart");

    QTest::newRow("empty") << QString() << 0 << u"为空"_s;
    QTest::newRow("blanks only") << u"   "_s << 0 << u"为空"_s;
    QTest::newRow("unknown column") << u"X1A+1"_s << 0 << u"X1A"_s;
    QTest::newRow("expanded letter is no column") << u"L1K"_s << 0 << u"L1K"_s;
    QTest::newRow("scratch column") << u"canshu"_s << 0 << u"canshu"_s;
    QTest::newRow("hit column") << u"GS1"_s << 0 << u"GS1"_s;
    QTest::newRow("chinese term left over") << u"D7A+特码数"_s << 4 << u"特码数"_s;
    QTest::newRow("bracketed unknown") << u"[L1K]"_s << 0 << u"[L1K]"_s;
    QTest::newRow("bracket with blanks") << u"[ L1A ]"_s << 0 << u"[ L1A ]"_s;
    QTest::newRow("unclosed bracket name") << u"1+[L1A"_s << 2 << u"]"_s;
    QTest::newRow("missing right paren") << u"(L1A+1"_s << 0 << u"右括号"_s;
    QTest::newRow("extra right paren") << u"L1A+1)"_s << 5 << u"右括号"_s;
    QTest::newRow("trailing operator") << u"L1A+"_s << 4 << u"缺少运算数"_s;
    QTest::newRow("two operators") << u"L1A*/2"_s << 4 << u"/"_s;
    QTest::newRow("empty parens") << u"()"_s << 1 << u")"_s;
    QTest::newRow("two operands") << u"L1A L2A"_s << 4 << u"L2A"_s;
    QTest::newRow("keyword as operand") << u"1+MOD 2"_s << 2 << u"MOD"_s;
    QTest::newRow("unknown character") << u"L1A#2"_s << 3 << u"#"_s;
    QTest::newRow("control character") << u"L1A\u00012"_s << 3 << u"无法识别"_s;
    QTest::newRow("full-width plus") << u"L1A＋2"_s << 3 << u"＋"_s;
    QTest::newRow("caret") << u"2^3"_s << 1 << u"^"_s;
    QTest::newRow("double equals sign reads as two") << u"1==1"_s << 2 << u"="_s;
    QTest::newRow("huge literal") << QString(400, u'9') << 0 << u"超出范围"_s;
    QTest::newRow("long operator chain")
        << u"1"_s + u"+1"_s.repeated(MaxExpressionHeight + 5) << -2 << u"过长"_s;
}

void TestExpression::refused() {
    QFETCH(QString, text);
    QFETCH(int, position);
    QFETCH(QString, messagePart);
    const auto r = parseExpression(text);
    QVERIFY(!r.ok());
    QVERIFY2(r.message().contains(messagePart), qPrintable(r.message()));
    if (position >= 0)
        QCOMPARE(r.error().position, position);
    else
        QVERIFY(r.error().position >= 0);
}

void TestExpression::deepNestingIsRefused_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("100000 open brackets") << QString(100000, u'(');
    QTest::newRow("balanced beyond the limit")
        << QString(MaxExpressionNesting + 1, u'(') + u"1"_s + QString(MaxExpressionNesting + 1, u')');
    QTest::newRow("100000 minus signs") << QString(100000, u'-') + u"1"_s;
    QTest::newRow("100000 NOT") << u"NOT "_s.repeated(100000) + u"1"_s;
    QTest::newRow("100000 additions") << u"1"_s + u"+L1A"_s.repeated(100000);
    QTest::newRow("100000 right-nested") << u"1+("_s.repeated(100000) + u"1"_s + QString(100000, u')');
}

void TestExpression::deepNestingIsRefused() {
    QFETCH(QString, text);
    const auto r = parseExpression(text);
    QVERIFY(!r.ok());
    QVERIFY(!r.message().isEmpty());
    QVERIFY(r.error().position >= 0 && r.error().position <= text.size());
}

// Random texts over the dialect's alphabet: every one either parses or gives a message.
void TestExpression::randomInputNeverCrashes() {
    static const QStringList pieces = {
        u"L1A"_s, u"d7b"_s,    u"[QQH]"_s, u"[L1A"_s, u"X9"_s,  u"1"_s,      u"2.5"_s, u"."_s,   u"("_s,
        u")"_s,   u"+"_s,      u"-"_s,     u"*"_s,    u"/"_s,   u"\\"_s,     u"MOD"_s, u"&"_s,   u"="_s,
        u"<"_s,   u">"_s,      u"<>"_s,    u">="_s,   u"NOT"_s, u"AND"_s,    u"OR"_s,  u"xor"_s, u"TRUE"_s,
        u" "_s,   u"特码数"_s, u"]"_s,     u"["_s,    u"\t"_s,  u"\u0000"_s, u"#"_s};
    QRandomGenerator rng(20240601);
    int parsed = 0;
    for (int round = 0; round < 200000; ++round) {
        QString text;
        const int count = int(rng.bounded(1, 40));
        for (int i = 0; i < count; ++i) {
            if (rng.bounded(10) == 0)
                text += QChar(char16_t(rng.bounded(1, 0xFFFF)));
            else
                text += pieces.at(int(rng.bounded(pieces.size())));
        }
        const auto r = parseExpression(text);
        if (r.ok()) {
            ++parsed;
        } else {
            QVERIFY2(!r.message().isEmpty(), qPrintable(text));
            QVERIFY(r.error().position >= 0 && r.error().position <= text.size());
        }
    }
    QVERIFY(parsed > 0);
}

QTEST_GUILESS_MAIN(TestExpression)
#include "tst_expression.moc"
