#include "HistoryTables.h"

#include "store/Database.h"
#include "store/Statement.h"

#include <sqlite3.h>

#include <algorithm>
#include <limits>
#include <optional>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

constexpr size_t SlotCount = static_cast<size_t>(Database::HistoryTableCount * Database::FormulasPerTable);

// Draw columns that an import computes, in table order, for INSERT and UPDATE statements.
QString drawColumnList() {
    QStringList names;
    for (int i = 0; i < DrawColumns::Count; ++i)
        names.append(DrawColumns::name(i));
    return names.join(u',');
}

QString resultColumnList() {
    QStringList names;
    for (int c = 1; c <= Database::FormulasPerTable; ++c)
        names.append(u"GS"_s + QString::number(c));
    for (int c = 1; c <= Database::FormulasPerTable; ++c)
        names.append(u"GSZ"_s + QString::number(c));
    return names.join(u',');
}

QString placeholders(int count) {
    QStringList q;
    for (int i = 0; i < count; ++i)
        q.append(u"?"_s);
    return q.join(u',');
}

} // namespace

HistoryTables::HistoryTables()
    : m_tableSynced(Database::HistoryTableCount, false), m_unusedRows(Database::HistoryTableCount, false),
      m_dirtyFrom(SlotCount, 0) {
    m_stored.hits.resize(SlotCount);
    m_stored.texts.resize(SlotCount);
}

Result<void> HistoryTables::load(Database& database, int formulaCount) {
    sqlite3* db = database.handle();
    auto fail = [&] { return database.failure(u"无法读取历史号码"_s); };
    {
        Statement st(db, u"SELECT %1 FROM Lishi0 ORDER BY QQH"_s.arg(drawColumnList()));
        std::vector<DrawValues> draws;
        while (st.stepRow()) {
            DrawValues v{};
            for (int i = 0; i < DrawColumns::Count; ++i)
                v[static_cast<size_t>(i)] = st.columnInt(i);
            draws.push_back(v);
        }
        if (st.failed())
            return fail();
        m_storedDraws = std::move(draws);
    }

    const int inUse = Database::tablesInUse(formulaCount);
    m_tableSynced.assign(Database::HistoryTableCount, false);
    for (int t = 0; t < inUse; ++t) {
        // A table in use counts as in step when it holds exactly the periods of Lishi0.
        Statement st(db, u"SELECT QQH FROM %1 ORDER BY QQH"_s.arg(Database::historyTable(t)));
        size_t i = 0;
        bool same = true;
        while (same && st.stepRow()) {
            same = i < m_storedDraws.size() && st.columnInt(0) == m_storedDraws[i][DrawColumns::QQH];
            ++i;
        }
        if (st.failed())
            return fail();
        m_tableSynced[static_cast<size_t>(t)] = same && i == m_storedDraws.size();
    }
    // Tables no formula uses should be empty; rows left there are cleared at the next write.
    m_unusedRows.assign(Database::HistoryTableCount, false);
    for (int t = inUse; t < Database::HistoryTableCount; ++t) {
        Statement st(db, u"SELECT EXISTS (SELECT 1 FROM %1)"_s.arg(Database::historyTable(t)));
        if (!st.stepRow())
            return fail();
        m_unusedRows[static_cast<size_t>(t)] = st.columnInt(0) != 0;
    }

    m_stored.hits.assign(SlotCount, {});
    m_stored.texts.assign(SlotCount, {});
    m_dirtyFrom.assign(SlotCount, 0);
    const QString resultCols = resultColumnList();
    for (int t = 0; t < inUse; ++t) {
        if (!m_tableSynced[static_cast<size_t>(t)])
            continue;
        Statement st(db, u"SELECT %1 FROM %2 ORDER BY QQH"_s.arg(resultCols, Database::historyTable(t)));
        const size_t base = static_cast<size_t>(t * Database::FormulasPerTable);
        for (int c = 0; c < Database::FormulasPerTable; ++c) {
            m_stored.hits[base + static_cast<size_t>(c)].reserve(m_storedDraws.size());
            m_stored.texts[base + static_cast<size_t>(c)].reserve(m_storedDraws.size());
        }
        while (st.stepRow()) {
            for (int c = 0; c < Database::FormulasPerTable; ++c) {
                const size_t slot = base + static_cast<size_t>(c);
                m_stored.hits[slot].push_back(static_cast<qint8>(sqlite3_column_int(st.get(), c) != 0));
                const int textColumn = Database::FormulasPerTable + c;
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st.get(), textColumn));
                m_stored.texts[slot].push_back(
                    text ? m_texts.idOfStored(std::string_view(
                               text, static_cast<size_t>(sqlite3_column_bytes(st.get(), textColumn))))
                         : 0);
            }
        }
        if (st.failed())
            return fail();
    }
    return {};
}

bool HistoryTables::differs(const std::vector<DrawValues>& draws, const ResultRows& wanted,
                            int formulaCount) const {
    if (m_storedDraws != draws)
        return true;
    const int inUse = Database::tablesInUse(formulaCount);
    for (int t = inUse; t < Database::HistoryTableCount; ++t)
        if (m_unusedRows[static_cast<size_t>(t)] || m_tableSynced[static_cast<size_t>(t)])
            return true;
    for (int t = 0; t < inUse; ++t)
        if (!m_tableSynced[static_cast<size_t>(t)])
            return true;
    auto at = [](const auto& rows, size_t slot, size_t d) {
        return slot < rows.size() && d < rows[slot].size() ? rows[slot][d] : 0;
    };
    const size_t slotsInUse = static_cast<size_t>(inUse * Database::FormulasPerTable);
    for (size_t slot = 0; slot < slotsInUse; ++slot)
        for (size_t d = m_dirtyFrom[slot]; d < draws.size(); ++d)
            if (at(m_stored.hits, slot, d) != at(wanted.hits, slot, d) ||
                at(m_stored.texts, slot, d) != at(wanted.texts, slot, d))
                return true;
    return false;
}

void HistoryTables::markDirty(size_t fromSlot, size_t fromDraw) {
    for (size_t slot = fromSlot; slot < m_dirtyFrom.size(); ++slot)
        m_dirtyFrom[slot] = std::min(m_dirtyFrom[slot], fromDraw);
}

Result<void> HistoryTables::sync(Database& database, const std::vector<DrawValues>& draws,
                                 const ResultRows& wanted, int formulaCount, const ProgressFn& progress) {
    sqlite3* db = database.handle();
    const int inUse = Database::tablesInUse(formulaCount);
    const size_t drawCount = draws.size();
    const QString drawCols = drawColumnList();
    const QString resultCols = resultColumnList();

    // Length of the stored history that is still the start of the wanted one.
    size_t common = 0;
    while (common < m_storedDraws.size() && common < drawCount &&
           m_storedDraws[common][DrawColumns::QQH] == draws[common][DrawColumns::QQH])
        ++common;

    // Draw columns that differ from what is stored (new codes, a new current year, the following
    // draw of the previous newest row).
    std::vector<char> drawChanged(common, 0);
    size_t firstDrawChange = common;
    for (size_t d = 0; d < common; ++d) {
        drawChanged[d] = m_storedDraws[d] != draws[d];
        if (drawChanged[d] && firstDrawChange == common)
            firstDrawChange = d;
    }

    auto fail = [&](const QString& what) { return database.failure(what); };

    for (int t = 0; t < inUse; ++t) {
        if (progress)
            progress(double(t) / inUse, u"写入历史表 %1/%2"_s.arg(t + 1).arg(inUse));
        const QString table = Database::historyTable(t);
        const size_t base = static_cast<size_t>(t * Database::FormulasPerTable);
        auto& storedHits = m_stored.hits;
        auto& storedTexts = m_stored.texts;
        auto wantedHit = [&](size_t slot, size_t d) -> qint8 {
            return slot < wanted.hits.size() && d < wanted.hits[slot].size() ? wanted.hits[slot][d] : 0;
        };
        auto wantedText = [&](size_t slot, size_t d) -> quint16 {
            return slot < wanted.texts.size() && d < wanted.texts[slot].size() ? wanted.texts[slot][d] : 0;
        };

        // Kept rows whose results changed. Only rows from the first result the back-test may have
        // changed are looked at.
        bool synced = m_tableSynced[static_cast<size_t>(t)];
        std::vector<char> resultsChanged(synced ? common : 0, 0);
        size_t changedRows = 0;
        size_t firstDirty = resultsChanged.size();
        for (int c = 0; c < Database::FormulasPerTable; ++c)
            firstDirty = std::min(firstDirty, m_dirtyFrom[base + static_cast<size_t>(c)]);
        for (size_t d = firstDirty; d < resultsChanged.size(); ++d) {
            for (int c = 0; c < Database::FormulasPerTable && !resultsChanged[d]; ++c) {
                const size_t slot = base + static_cast<size_t>(c);
                if (d < m_dirtyFrom[slot])
                    continue;
                const qint8 h = d < storedHits[slot].size() ? storedHits[slot][d] : 0;
                const quint16 x = d < storedTexts[slot].size() ? storedTexts[slot][d] : 0;
                resultsChanged[d] = h != wantedHit(slot, d) || x != wantedText(slot, d);
            }
        }
        for (size_t d = std::min(firstDirty, firstDrawChange); d < resultsChanged.size(); ++d)
            changedRows += resultsChanged[d] || drawChanged[d];
        // Rewriting most rows in place costs more than writing the table anew.
        if (synced && changedRows > 64 && changedRows * 2 > common)
            synced = false;
        const size_t keep = synced ? common : 0;

        // Rows beyond the common start go; a table that was not in step loses all its rows.
        if (!synced) {
            if (auto cleared = database.exec(u"DELETE FROM %1"_s.arg(table)); !cleared)
                return cleared;
        } else if (keep < m_storedDraws.size()) {
            Statement del(db, u"DELETE FROM %1 WHERE QQH > ?"_s.arg(table));
            del.bindInt(1, keep == 0 ? std::numeric_limits<int>::min() : draws[keep - 1][DrawColumns::QQH]);
            if (!del.run())
                return fail(u"无法删除历史号码"_s);
        }

        // Binds the results of draw d; with `previous`, a value equal to the previous draw's is left
        // bound as it is (bindings outlive a reset), which saves most of the binding of long runs.
        auto bindResults = [&](Statement& st, int first, size_t d, std::optional<size_t> previous) {
            for (int c = 0; c < Database::FormulasPerTable; ++c) {
                const size_t slot = base + static_cast<size_t>(c);
                const qint8 hit = wantedHit(slot, d);
                const quint16 id = wantedText(slot, d);
                const bool sameHit = previous && wantedHit(slot, *previous) == hit;
                const bool sameText = previous && wantedText(slot, *previous) == id;
                if (!sameHit)
                    st.bindInt(first + c, hit);
                if (sameText)
                    continue;
                if (id == 0)
                    st.bindNull(first + Database::FormulasPerTable + c);
                else
                    st.bindUtf8(first + Database::FormulasPerTable + c, m_texts.utf8(id));
            }
        };

        // Kept rows: rewrite the draw columns that changed and the results that changed.
        if (keep > 0) {
            QStringList sets;
            for (int i = 0; i < DrawColumns::Count; ++i)
                sets.append(DrawColumns::name(i) + u"=?"_s);
            Statement updDraw(db, u"UPDATE %1 SET %2 WHERE QQH=?"_s.arg(table, sets.join(u',')));
            QStringList rsets;
            for (const QString& c : resultCols.split(u','))
                rsets.append(c + u"=?"_s);
            Statement updRes(db, u"UPDATE %1 SET %2 WHERE QQH=?"_s.arg(table, rsets.join(u',')));
            if (!updDraw.ok() || !updRes.ok())
                return fail(u"无法更新历史号码"_s);
            std::optional<size_t> lastResults; // the row whose results are bound to updRes
            for (size_t d = std::min(firstDirty, firstDrawChange); d < keep; ++d) {
                if (drawChanged[d]) {
                    updDraw.reset();
                    for (int i = 0; i < DrawColumns::Count; ++i)
                        updDraw.bindInt(i + 1, draws[d][static_cast<size_t>(i)]);
                    updDraw.bindInt(DrawColumns::Count + 1, draws[d][DrawColumns::QQH]);
                    if (!updDraw.run())
                        return fail(u"无法更新历史号码"_s);
                }
                if (resultsChanged[d]) {
                    updRes.reset();
                    bindResults(updRes, 1, d, lastResults);
                    lastResults = d;
                    updRes.bindInt(2 * Database::FormulasPerTable + 1, draws[d][DrawColumns::QQH]);
                    if (!updRes.run())
                        return fail(u"无法写入公式验算结果"_s);
                }
            }
        }

        // New rows, with their results.
        if (keep < drawCount) {
            Statement ins(db, u"INSERT INTO %1 (%2,%3) VALUES (%4)"_s.arg(
                                  table, drawCols, resultCols,
                                  placeholders(DrawColumns::Count + 2 * Database::FormulasPerTable)));
            if (!ins.ok())
                return fail(u"无法写入历史号码"_s);
            for (size_t d = keep; d < drawCount; ++d) {
                ins.reset();
                const std::optional<size_t> previous = d > keep ? std::optional<size_t>(d - 1) : std::nullopt;
                for (int i = 0; i < DrawColumns::Count; ++i) {
                    const int value = draws[d][static_cast<size_t>(i)];
                    if (!previous || draws[*previous][static_cast<size_t>(i)] != value)
                        ins.bindInt(i + 1, value);
                }
                bindResults(ins, DrawColumns::Count + 1, d, previous);
                if (!ins.run())
                    return fail(u"无法写入历史号码"_s);
            }
        }
    }

    // A table no formula uses any more keeps no rows, so that what is stored follows the formulas.
    for (int t = inUse; t < Database::HistoryTableCount; ++t) {
        if (!m_unusedRows[static_cast<size_t>(t)] && !m_tableSynced[static_cast<size_t>(t)])
            continue;
        if (auto cleared = database.exec(u"DELETE FROM %1"_s.arg(Database::historyTable(t))); !cleared)
            return cleared;
    }
    m_unusedRows.assign(Database::HistoryTableCount, false);

    // Memory now describes the database.
    m_dirtyFrom.assign(m_dirtyFrom.size(), std::numeric_limits<size_t>::max());
    m_storedDraws = draws;
    m_tableSynced.assign(Database::HistoryTableCount, false);
    for (int t = 0; t < inUse; ++t)
        m_tableSynced[static_cast<size_t>(t)] = true;
    const size_t slotCount = static_cast<size_t>(Database::HistoryTableCount * Database::FormulasPerTable);
    m_stored.hits.assign(slotCount, {});
    m_stored.texts.assign(slotCount, {});
    for (size_t slot = 0; slot < static_cast<size_t>(inUse * Database::FormulasPerTable); ++slot) {
        m_stored.hits[slot].reserve(drawCount + 64); // room for appended draws
        m_stored.texts[slot].reserve(drawCount + 64);
        if (slot < wanted.hits.size()) {
            m_stored.hits[slot].assign(wanted.hits[slot].begin(), wanted.hits[slot].end());
            m_stored.texts[slot].assign(wanted.texts[slot].begin(), wanted.texts[slot].end());
        }
        m_stored.hits[slot].resize(drawCount, 0);
        m_stored.texts[slot].resize(drawCount, 0);
    }
    return {};
}

} // namespace talven
