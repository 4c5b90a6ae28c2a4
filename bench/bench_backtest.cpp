// Speed of the back-test on a synthetic history: full run, one appended draw, one added formula,
// the statistics pass alone; then the same work as one SQL statement per step through SQLite.
#include "evaluation/BacktestEngine.h"
#include "formula/Expression.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTextStream>

#include <sqlite3.h>

#include <cmath>
#include <cstdio>

using namespace Qt::StringLiterals;
using namespace talven;

namespace {

QTextStream& out() {
    static QTextStream s(stdout);
    return s;
}

// Period numbers of 150 draws a year from 2001 on.
int periodOf(int index) {
    return (2001 + index / 150) * 1000 + index % 150 + 1;
}

std::array<int, 7> randomNumbers(QRandomGenerator& rng) {
    std::array<int, 7> n{};
    for (int i = 0; i < 7; ++i) {
        int v = 0;
        do
            v = rng.bounded(1, 50);
        while (std::find(n.begin(), n.begin() + i, v) != n.begin() + i);
        n[static_cast<size_t>(i)] = v;
    }
    return n;
}

std::vector<DrawValues> makeHistory(const NumberModel& model, int count, QRandomGenerator& rng) {
    std::vector<DrawValues> draws;
    draws.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        draws.push_back(model.computeDraw(periodOf(i), randomNumbers(rng)));
    return draws;
}

// A random code expression over the draw columns, mostly arithmetic as users write them.
QString randomExpression(QRandomGenerator& rng, int depth) {
    if (depth <= 0 || rng.bounded(4) == 0) {
        if (rng.bounded(3) == 0)
            return QString::number(rng.bounded(1, 60));
        return DrawColumns::name(rng.bounded(DrawColumns::Count));
    }
    static const char16_t* const ops[] = {u" + ", u" - ", u" * ", u" MOD ", u" \\ ", u" / ", u" + ", u" * "};
    const QString op = QString::fromUtf16(ops[rng.bounded(8)]);
    return u"("_s + randomExpression(rng, depth - 1) + op + randomExpression(rng, depth - 1) + u")"_s;
}

QList<FormulaDefinition> makeFormulas(int count, QRandomGenerator& rng) {
    QList<FormulaDefinition> formulas;
    for (int i = 0; i < count; ++i)
        formulas.append({randomExpression(rng, 3), i % 16, rng.bounded(2) == 0});
    return formulas;
}

double millis(const QElapsedTimer& t) {
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

// ---- The statement-per-step back-test through SQLite ----

double number(sqlite3_value* v) {
    return sqlite3_value_double(v);
}

bool anyNull(int argc, sqlite3_value** argv) {
    for (int i = 0; i < argc; ++i)
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL)
            return true;
    return false;
}

// The dialect's operators that SQLite does not have, registered as SQL functions.
void sqlDiv(sqlite3_context* c, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv))
        return sqlite3_result_null(c);
    if (number(argv[1]) == 0)
        return sqlite3_result_error(c, "division by zero", -1);
    sqlite3_result_double(c, number(argv[0]) / number(argv[1]));
}

void sqlIntDivOrMod(sqlite3_context* c, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv))
        return sqlite3_result_null(c);
    const double a = std::nearbyint(number(argv[0]));
    const double b = std::nearbyint(number(argv[1]));
    if (b == 0)
        return sqlite3_result_error(c, "division by zero", -1);
    const double m = std::fmod(a, b);
    const bool mod = sqlite3_user_data(c) != nullptr;
    sqlite3_result_double(c, mod ? m + 0.0 : (a - m) / b + 0.0);
}

void sqlRound(sqlite3_context* c, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv))
        return sqlite3_result_null(c);
    sqlite3_result_double(c, std::nearbyint(number(argv[0])));
}

QString sqlOf(const ExprNode& n) {
    switch (n.kind) {
    case ExprNode::Kind::Number:
        return QString::number(n.number, 'g', 17);
    case ExprNode::Kind::Column:
        return DrawColumns::name(n.column);
    case ExprNode::Kind::Negate:
        return u"(-"_s + sqlOf(*n.lhs) + u")"_s;
    case ExprNode::Kind::Not:
        return u"(~"_s + sqlOf(*n.lhs) + u")"_s;
    case ExprNode::Kind::Binary:
        break;
    }
    const QString a = sqlOf(*n.lhs), b = sqlOf(*n.rhs);
    switch (n.op) {
    case ExprNode::Op::Div:
        return u"jdiv("_s + a + u", "_s + b + u")"_s;
    case ExprNode::Op::IntDiv:
        return u"jidiv("_s + a + u", "_s + b + u")"_s;
    case ExprNode::Op::Mod:
        return u"jmod("_s + a + u", "_s + b + u")"_s;
    case ExprNode::Op::Add:
        return u"("_s + a + u" + "_s + b + u")"_s;
    case ExprNode::Op::Sub:
        return u"("_s + a + u" - "_s + b + u")"_s;
    case ExprNode::Op::Mul:
        return u"("_s + a + u" * "_s + b + u")"_s;
    default:
        return u"(-("_s + a + u" = "_s + b + u"))"_s; // the bench expressions use no others
    }
}

bool exec(sqlite3* db, const QString& sql) {
    return sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

// One formula as the statement-per-step back-test does it: parameter statement, row-by-row shift
// and derived values, reset, value statement and judgement statement.
void sqlFormula(sqlite3* db, sqlite3_stmt* readParams, sqlite3_stmt* writeRow, const QString& expression,
                int mod) {
    exec(db, u"UPDATE h SET canshu = "_s + expression);
    double previous = NAN;
    bool havePrevious = false;
    while (sqlite3_step(readParams) == SQLITE_ROW) {
        const qint64 row = sqlite3_column_int64(readParams, 0);
        if (havePrevious)
            sqlite3_bind_double(writeRow, 1, std::nearbyint(previous));
        else
            sqlite3_bind_null(writeRow, 1);
        const int num = havePrevious ? static_cast<int>(std::fmod(std::nearbyint(previous), 49.0)) : 0;
        sqlite3_bind_int(writeRow, 2, NumberModel::zodiacOf(num, 2007));
        sqlite3_bind_int(writeRow, 3, NumberModel::waveOf(num));
        sqlite3_bind_int(writeRow, 4, num % 5);
        sqlite3_bind_int64(writeRow, 5, row);
        sqlite3_step(writeRow);
        sqlite3_reset(writeRow);
        havePrevious = sqlite3_column_type(readParams, 1) != SQLITE_NULL;
        previous = sqlite3_column_double(readParams, 1);
    }
    sqlite3_reset(readParams);
    exec(db, u"UPDATE h SET gs = 0"_s);
    exec(db, u"UPDATE h SET gsz = jmod(PreCanshu, %1)"_s.arg(mod));
    exec(db, u"UPDATE h SET gs = -1 WHERE jmod(PreCanshu, %1) = jmod(L7A, %1)"_s.arg(mod));
}

double sqlBacktest(const std::vector<DrawValues>& draws, const QList<FormulaDefinition>& formulas) {
    sqlite3* db = nullptr;
    sqlite3_open(":memory:", &db);
    sqlite3_create_function(db, "jdiv", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, sqlDiv, nullptr,
                            nullptr);
    sqlite3_create_function(db, "jidiv", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, sqlIntDivOrMod,
                            nullptr, nullptr);
    static int modTag = 1;
    sqlite3_create_function(db, "jmod", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, &modTag, sqlIntDivOrMod,
                            nullptr, nullptr);
    sqlite3_create_function(db, "jround", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, sqlRound, nullptr,
                            nullptr);
    QString create = u"CREATE TABLE h (id INTEGER PRIMARY KEY"_s;
    for (int c = 0; c < DrawColumns::Count; ++c)
        create += u", "_s + DrawColumns::name(c) + u" INTEGER"_s;
    create +=
        u", canshu REAL, PreCanshu REAL, CsSx INTEGER, CsBs INTEGER, CsWx INTEGER, gs INTEGER, gsz TEXT)"_s;
    exec(db, create);
    exec(db, u"BEGIN"_s);
    QString insert = u"INSERT INTO h VALUES (NULL"_s;
    for (int c = 0; c < DrawColumns::Count; ++c)
        insert += u", ?"_s;
    insert += u", NULL, NULL, NULL, NULL, NULL, 0, NULL)"_s;
    sqlite3_stmt* ins = nullptr;
    sqlite3_prepare_v2(db, insert.toUtf8().constData(), -1, &ins, nullptr);
    for (const DrawValues& d : draws) {
        for (int c = 0; c < DrawColumns::Count; ++c)
            sqlite3_bind_int(ins, c + 1, d[static_cast<size_t>(c)]);
        sqlite3_step(ins);
        sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    exec(db, u"COMMIT"_s);

    sqlite3_stmt* readParams = nullptr;
    sqlite3_prepare_v2(db, "SELECT id, canshu FROM h ORDER BY QQH", -1, &readParams, nullptr);
    sqlite3_stmt* writeRow = nullptr;
    sqlite3_prepare_v2(db, "UPDATE h SET PreCanshu = ?, CsSx = ?, CsBs = ?, CsWx = ? WHERE id = ?", -1,
                       &writeRow, nullptr);
    QElapsedTimer t;
    t.start();
    exec(db, u"BEGIN"_s);
    for (const FormulaDefinition& f : formulas) {
        const auto parsed = parseExpression(f.code);
        if (parsed)
            sqlFormula(db, readParams, writeRow, sqlOf(*parsed.value()), f.kind == 0 ? 49 : 12);
    }
    exec(db, u"COMMIT"_s);
    const double ms = millis(t);
    sqlite3_finalize(readParams);
    sqlite3_finalize(writeRow);
    sqlite3_close(db);
    return ms;
}

} // namespace

int main() {
    QRandomGenerator rng(20070101);
    Options options;
    const int draws = 5000;
    const NumberModel model(options, periodOf(draws) / 1000);
    const std::vector<DrawValues> history = makeHistory(model, draws + 1, rng);
    const QList<FormulaDefinition> formulas = makeFormulas(1536, rng);

    BacktestEngine engine(model);
    engine.setHistory(std::vector<DrawValues>(history.begin(), history.end() - 1));
    engine.setFormulas(formulas);
    QElapsedTimer t;
    t.start();
    engine.run();
    out() << "full back-test, 1536 formulas x 5000 draws: " << millis(t) << " ms\n";
    int failing = 0;
    for (int f = 0; f < engine.formulaCount(); ++f)
        failing += engine.result(f).error.isEmpty() ? 0 : 1;
    out() << "  formulas without parameters (division by zero ...): " << failing << "\n";

    t.restart();
    engine.appendDraw(history.back());
    out() << "one appended draw: " << millis(t) << " ms\n";

    t.restart();
    engine.addFormula({u"(L7A + D1B) MOD 12"_s, 1, true});
    out() << "one added formula: " << millis(t) << " ms\n";

    t.restart();
    engine.computeStatistics();
    out() << "statistics pass alone: " << millis(t) << " ms\n";

    // The same work, statement by statement through SQLite, on a smaller set.
    const std::vector<DrawValues> small(history.begin(), history.begin() + 1000);
    const QList<FormulaDefinition> fewer = formulas.mid(0, 200);
    const double sqlMs = sqlBacktest(small, fewer);
    BacktestEngine smallEngine(model);
    smallEngine.setHistory(small);
    smallEngine.setFormulas(fewer);
    t.restart();
    smallEngine.run();
    const double memMs = millis(t);
    out() << "200 formulas x 1000 draws: SQLite statements " << sqlMs << " ms, in memory " << memMs
          << " ms, ratio " << (memMs > 0 ? sqlMs / memMs : 0.0) << "\n";
    out().flush();
    return 0;
}
