#include "ErrorValueStore.h"

#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace talven::ErrorValueStore {

namespace {

QString sqliteMessage(sqlite3* db) {
    return QString::fromUtf8(sqlite3_errmsg(db));
}

bool exec(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

// Finalises a prepared statement on every way out.
struct StatementGuard {
    sqlite3_stmt* stmt = nullptr;
    ~StatementGuard() { sqlite3_finalize(stmt); }
};

Result<void> insertRows(sqlite3* db, const ErrorValueTable& values) {
    if (!exec(db, "DELETE FROM Errarr"))
        return Error{u"无法清空误差值表 Errarr：%1"_s.arg(sqliteMessage(db))};
    StatementGuard insert;
    if (sqlite3_prepare_v2(db,
                           "INSERT INTO Errarr (num, ETrrcount, Errcount, Trrcount, ETrrcountPer, "
                           "ErrcountPer, TrrcountPer) VALUES (?, ?, ?, ?, ?, ?, ?)",
                           -1, &insert.stmt, nullptr) != SQLITE_OK)
        return Error{u"无法写入误差值表 Errarr：%1"_s.arg(sqliteMessage(db))};
    for (const NumberErrorValues& row : values) {
        // In the order of the columns num, ETrrcount, Errcount, Trrcount and their Per columns.
        const int fields[] = {row.number,
                              row.ruledOut,
                              row.ruledOutByKill,
                              row.ruledOutByKeep,
                              row.weightedRuledOut,
                              row.weightedRuledOutByKill,
                              row.weightedRuledOutByKeep};
        for (int i = 0; i < 7; ++i)
            sqlite3_bind_int(insert.stmt, i + 1, fields[i]);
        if (sqlite3_step(insert.stmt) != SQLITE_DONE)
            return Error{u"无法写入号码 %1 的误差值：%2"_s.arg(row.number).arg(sqliteMessage(db))};
        sqlite3_reset(insert.stmt);
    }
    return {};
}

} // namespace

Result<void> save(sqlite3* db, const ErrorValueTable& values) {
    if (!db)
        return Error{u"数据库未打开，无法保存误差值"_s};
    for (qsizetype i = 0; i < values.size(); ++i)
        if (values[i].number != i + 1)
            return Error{
                u"误差值的号码不连续（第 %1 行是号码 %2），未保存"_s.arg(i + 1).arg(values[i].number)};

    // A savepoint works inside and outside a transaction the caller may have begun.
    if (!exec(db, "SAVEPOINT errarr_save"))
        return Error{u"无法开始保存误差值：%1"_s.arg(sqliteMessage(db))};
    if (auto inserted = insertRows(db, values); !inserted) {
        exec(db, "ROLLBACK TO errarr_save");
        exec(db, "RELEASE errarr_save");
        return inserted;
    }
    if (!exec(db, "RELEASE errarr_save")) {
        const QString message = sqliteMessage(db);
        exec(db, "ROLLBACK TO errarr_save");
        exec(db, "RELEASE errarr_save");
        return Error{u"无法保存误差值：%1"_s.arg(message)};
    }
    return {};
}

Result<ErrorValueTable> load(sqlite3* db) {
    if (!db)
        return Error{u"数据库未打开，无法读取误差值"_s};
    StatementGuard query;
    if (sqlite3_prepare_v2(db,
                           "SELECT num, ETrrcount, Errcount, Trrcount, ETrrcountPer, ErrcountPer, "
                           "TrrcountPer FROM Errarr ORDER BY num",
                           -1, &query.stmt, nullptr) != SQLITE_OK)
        return Error{u"无法读取误差值表 Errarr：%1"_s.arg(sqliteMessage(db))};
    ErrorValueTable values;
    int rc;
    while ((rc = sqlite3_step(query.stmt)) == SQLITE_ROW) {
        auto field = [&](int i) { return sqlite3_column_int(query.stmt, i); };
        values.append({field(0), field(1), field(2), field(3), field(4), field(5), field(6)});
    }
    if (rc != SQLITE_DONE)
        return Error{u"读取误差值表 Errarr 失败：%1"_s.arg(sqliteMessage(db))};
    return values;
}

} // namespace talven::ErrorValueStore
