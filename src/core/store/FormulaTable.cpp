#include "FormulaTable.h"

#include "store/Database.h"
#include "store/Statement.h"

using namespace Qt::StringLiterals;

namespace talven::FormulaTable {

Result<std::vector<FormulaRow>> load(Database& db) {
    std::vector<FormulaRow> rows;
    Statement st(db.handle(), u"SELECT Idx, gongshi, maType, bolKill FROM Gongshi ORDER BY Idx, rowid"_s);
    while (st.stepRow()) {
        FormulaRow row;
        row.idx = st.columnInt(0);
        row.code = st.columnText(1);
        row.kind = st.columnIsNull(2) ? -1 : st.columnInt(2);
        row.kill = st.columnInt(3) != 0; // a null flag reads as keep
        rows.push_back(std::move(row));
    }
    if (st.failed())
        return db.failure(u"无法读取公式表"_s);
    return rows;
}

Result<void> insert(Database& db, const std::vector<FormulaRow>& rows) {
    Statement ins(db.handle(), u"INSERT INTO Gongshi (Idx, gongshi, maType, bolKill) VALUES (?,?,?,?)"_s);
    for (const FormulaRow& row : rows) {
        ins.reset();
        ins.bindInt(1, row.idx);
        ins.bindText(2, row.code);
        ins.bindInt(3, row.kind);
        ins.bindInt(4, row.kill ? 1 : 0);
        if (!ins.run())
            return db.failure(u"无法保存公式"_s);
    }
    return {};
}

Result<void> remove(Database& db, int idx) {
    Statement del(db.handle(), u"DELETE FROM Gongshi WHERE rowid = "
                               u"(SELECT rowid FROM Gongshi WHERE Idx = ? ORDER BY rowid LIMIT 1)"_s);
    del.bindInt(1, idx);
    if (!del.run())
        return db.failure(u"无法删除公式"_s);
    if (auto numbered = renumber(db); !numbered)
        return db.failure(u"无法删除公式"_s);
    return {};
}

Result<bool> numberedInOrder(Database& db) {
    Statement st(db.handle(), u"SELECT COUNT(*), COUNT(DISTINCT Idx), MIN(Idx), MAX(Idx) FROM Gongshi"_s);
    if (!st.stepRow())
        return db.failure(u"无法读取公式表"_s);
    const int count = st.columnInt(0);
    return count == 0 || (st.columnInt(1) == count && st.columnInt(2) == 1 && st.columnInt(3) == count);
}

Result<void> renumber(Database& db) {
    Statement st(db.handle(),
                 u"UPDATE Gongshi SET Idx = (SELECT COUNT(*) FROM Gongshi g WHERE g.Idx < Gongshi.Idx "
                 u"OR (g.Idx = Gongshi.Idx AND g.rowid <= Gongshi.rowid))"_s);
    if (!st.run())
        return db.failure(u"无法给公式重新编号"_s);
    return {};
}

Result<void> insertAt(Database& db, const FormulaRow& row) {
    Statement shift(db.handle(), u"UPDATE Gongshi SET Idx = Idx + 1 WHERE Idx >= ?"_s);
    shift.bindInt(1, row.idx);
    if (!shift.run())
        return db.failure(u"无法保存公式"_s);
    return insert(db, {row});
}

Result<void> update(Database& db, const FormulaRow& row) {
    Statement set(db.handle(), u"UPDATE Gongshi SET gongshi = ? WHERE Idx = ?"_s);
    set.bindText(1, row.code);
    set.bindInt(2, row.idx);
    if (!set.run())
        return db.failure(u"无法保存公式"_s);
    return {};
}

Result<void> removeAfter(Database& db, int count) {
    Statement del(db.handle(), u"DELETE FROM Gongshi WHERE Idx > ?"_s);
    del.bindInt(1, count);
    if (!del.run())
        return db.failure(u"无法删除公式"_s);
    return {};
}

} // namespace talven::FormulaTable
