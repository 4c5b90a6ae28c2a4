#include "ErrorValueStore.h"

#include "store/Database.h"
#include "store/Statement.h"

using namespace Qt::StringLiterals;

namespace talven::ErrorValueStore {

namespace {

Result<void> insertRows(Database& db, const ErrorValueTable& values) {
    if (!db.exec(u"DELETE FROM Errarr"_s))
        return db.failure(u"无法清空误差值表 Errarr"_s);
    Statement insert(db.handle(), u"INSERT INTO Errarr (num, ETrrcount, Errcount, Trrcount, ETrrcountPer, "
                                  u"ErrcountPer, TrrcountPer) VALUES (?, ?, ?, ?, ?, ?, ?)"_s);
    if (!insert.ok())
        return db.failure(u"无法写入误差值表 Errarr"_s);
    for (const NumberErrorValues& row : values) {
        // In the order of the columns num, ETrrcount, Errcount, Trrcount and their Per columns.
        const int fields[] = {row.number,
                              row.ruledOut,
                              row.ruledOutByKill,
                              row.ruledOutByKeep,
                              row.weightedRuledOut,
                              row.weightedRuledOutByKill,
                              row.weightedRuledOutByKeep};
        insert.reset();
        for (int i = 0; i < 7; ++i)
            insert.bindInt(i + 1, fields[i]);
        if (!insert.run())
            return db.failure(u"无法写入号码 %1 的误差值"_s.arg(row.number));
    }
    return {};
}

} // namespace

Result<void> save(Database& db, const ErrorValueTable& values) {
    for (qsizetype i = 0; i < values.size(); ++i)
        if (values[i].number != i + 1)
            return Error{
                u"误差值的号码不连续（第 %1 行是号码 %2），未保存"_s.arg(i + 1).arg(values[i].number)};

    // A savepoint works inside and outside a transaction the caller may have begun.
    if (!db.exec(u"SAVEPOINT errarr_save"_s))
        return db.failure(u"无法开始保存误差值"_s);
    const auto undo = [&db] {
        (void)db.exec(u"ROLLBACK TO errarr_save"_s);
        (void)db.exec(u"RELEASE errarr_save"_s);
    };
    if (auto inserted = insertRows(db, values); !inserted) {
        undo();
        return inserted;
    }
    if (!db.exec(u"RELEASE errarr_save"_s)) {
        const Error failed = db.failure(u"无法保存误差值"_s);
        undo();
        return failed;
    }
    return {};
}

Result<ErrorValueTable> load(Database& db) {
    Statement query(db.handle(), u"SELECT num, ETrrcount, Errcount, Trrcount, ETrrcountPer, ErrcountPer, "
                                 u"TrrcountPer FROM Errarr ORDER BY num"_s);
    if (!query.ok())
        return db.failure(u"无法读取误差值表 Errarr"_s);
    ErrorValueTable values;
    while (query.stepRow()) {
        auto field = [&query](int i) { return query.columnInt(i); };
        values.append({field(0), field(1), field(2), field(3), field(4), field(5), field(6)});
    }
    if (query.failed())
        return db.failure(u"读取误差值表 Errarr 失败"_s);
    return values;
}

} // namespace talven::ErrorValueStore
