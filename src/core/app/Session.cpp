#include "Session.h"

#include "app/Settings.h"
#include "errorvalues/ErrorValueStore.h"
#include "evaluation/BacktestEngine.h"
#include "formula/FormulaInput.h"
#include "formula/FormulaKinds.h"
#include "history/HistoryParser.h"
#include "prediction/ErrorValuePredictor.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QSettings>

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

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

Session::Session(QString dataDir, QSettings& settings)
    : m_dataDir(std::move(dataDir)), m_settings(settings) {}

Session::~Session() = default;

Result<std::unique_ptr<Session>> Session::open(const QString& dataDir, QSettings& settings) {
    if (!QDir().mkpath(dataDir))
        return Error{u"无法创建数据目录 %1"_s.arg(dataDir)};
    std::unique_ptr<Session> s(new Session(dataDir, settings));
    s->m_options = Settings(settings).load();
    auto db = Database::open(QDir(dataDir).filePath(QString::fromLatin1(Database::FileName)));
    if (!db)
        return Error{db.error()};
    s->m_db = std::move(db.value());
    if (Status err = s->load())
        return *err;
    return s;
}

Status Session::readDatabaseState() {
    auto formulas = m_db->loadFormulas();
    if (!formulas)
        return Error{formulas.error()};
    m_formulas = std::move(formulas.value());
    // More formulas than history tables can hold results for: a file this program did not write.
    if (m_formulas.size() > static_cast<size_t>(Database::MaxFormulas))
        return Error{u"公式表中有 %1 条公式，超过上限 %2 条，无法使用该数据库"_s.arg(m_formulas.size())
                         .arg(Database::MaxFormulas)};
    auto draws = m_db->loadDraws();
    if (!draws)
        return Error{draws.error()};
    m_storedDraws = std::move(draws.value());
    m_tableSynced.assign(Database::HistoryTableCount, false);
    const int inUse = Database::tablesInUse(static_cast<int>(m_formulas.size()));
    for (int t = 0; t < inUse; ++t) {
        // A table in use counts as in step when it holds exactly the periods of Lishi0.
        Statement st(m_db->handle(), u"SELECT QQH FROM %1 ORDER BY QQH"_s.arg(Database::historyTable(t)));
        size_t i = 0;
        bool same = st.ok();
        while (same && st.stepRow()) {
            same = i < m_storedDraws.size() &&
                   sqlite3_column_int(st.get(), 0) == m_storedDraws[i][DrawColumns::QQH];
            ++i;
        }
        m_tableSynced[static_cast<size_t>(t)] = same && i == m_storedDraws.size();
    }
    loadStoredResults();
    return std::nullopt;
}

Status Session::load() {
    if (Status err = readDatabaseState())
        return err;
    m_selected.assign(m_formulas.size(), true);
    // Rows written under other settings or another current year are brought in line at start-up.
    return commitChange(m_storedDraws, {}, Change::Full);
}

void Session::loadStoredResults() {
    const size_t slotCount = static_cast<size_t>(Database::HistoryTableCount * Database::FormulasPerTable);
    m_stored.hits.assign(slotCount, {});
    m_stored.texts.assign(slotCount, {});
    const int inUse = Database::tablesInUse(static_cast<int>(m_formulas.size()));
    for (int t = 0; t < inUse; ++t) {
        if (!m_tableSynced[static_cast<size_t>(t)])
            continue;
        Statement st(m_db->handle(),
                     u"SELECT %1 FROM %2 ORDER BY QQH"_s.arg(resultColumnList(), Database::historyTable(t)));
        const size_t base = static_cast<size_t>(t * Database::FormulasPerTable);
        for (int c = 0; c < Database::FormulasPerTable; ++c) {
            m_stored.hits[base + static_cast<size_t>(c)].reserve(m_storedDraws.size());
            m_stored.texts[base + static_cast<size_t>(c)].reserve(m_storedDraws.size());
        }
        while (st.stepRow()) {
            for (int c = 0; c < Database::FormulasPerTable; ++c) {
                const size_t slot = base + static_cast<size_t>(c);
                m_stored.hits[slot].push_back(static_cast<qint8>(sqlite3_column_int(st.get(), c) != 0));
                const auto* text = reinterpret_cast<const char*>(
                    sqlite3_column_text(st.get(), Database::FormulasPerTable + c));
                m_stored.texts[slot].push_back(
                    text
                        ? textIdOfUtf8(std::string_view(text, static_cast<size_t>(sqlite3_column_bytes(
                                                                  st.get(), Database::FormulasPerTable + c))))
                        : 0);
            }
        }
    }
}

quint16 Session::textIdOfUtf8(std::string_view utf8) {
    if (utf8.empty())
        return 0;
    const auto it = m_textIdsByUtf8.find(utf8);
    if (it != m_textIdsByUtf8.end())
        return it->second;
    return textId(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

quint16 Session::textId(const QString& text) {
    if (text.isEmpty())
        return 0;
    auto it = m_textIds.constFind(text);
    if (it != m_textIds.constEnd())
        return *it;
    const auto id = static_cast<quint16>(m_texts.size());
    m_texts.append(text);
    m_textsUtf8.append(text.toUtf8());
    m_textIdsByUtf8.emplace(m_textsUtf8.last().toStdString(), id);
    m_textIds.insert(text, id);
    return id;
}

int Session::nextPeriod() const {
    if (m_draws.empty())
        return QDate::currentDate().year() * 1000 + 1;
    return m_draws.back()[DrawColumns::QQH] + 1;
}

void Session::rebuildModel() {
    m_model = std::make_unique<NumberModel>(m_options, nextPeriod() / 1000);
}

DrawValues Session::recompute(const DrawValues& stored) const {
    std::array<int, 7> numbers{};
    for (int p = 1; p <= 7; ++p)
        numbers[static_cast<size_t>(p - 1)] =
            stored[static_cast<size_t>(DrawColumns::attribute('L', p, 'A'))];
    return m_model->computeDraw(stored[DrawColumns::QQH], numbers);
}

std::vector<DrawValues> Session::recomputeAll(const std::vector<DrawValues>& draws) const {
    std::vector<DrawValues> out;
    out.reserve(draws.size());
    for (const DrawValues& d : draws)
        out.push_back(recompute(d));
    // Every row but the newest describes the draw after it, as an import writes them.
    for (size_t i = 0; i + 1 < out.size(); ++i) {
        out[i][DrawColumns::SQQH] = out[i + 1][DrawColumns::QQH];
        out[i][DrawColumns::SQHH] = out[i + 1][DrawColumns::QHH];
        out[i][DrawColumns::SQHW] = out[i + 1][DrawColumns::QHW];
    }
    return out;
}

Status Session::commitChange(std::vector<DrawValues> draws, const std::function<Status()>& formulaWrites,
                             Change change) {
    const Options modelOptions = m_model ? m_model->options() : Options{};
    const int modelYear = m_model ? m_model->currentYear() : 0;
    m_draws = std::move(draws);
    rebuildModel(); // the current year follows the newest draw
    // A new current year or new codes change every stored row and every judgement.
    if (!m_engine || modelYear != m_model->currentYear() || !(modelOptions == m_options))
        change = Change::Full;
    m_draws = recomputeAll(m_draws);
    runBacktest(change);
    if (Status err = m_db->begin())
        return restoreFromDatabase(*err);
    Status err = formulaWrites ? formulaWrites() : std::nullopt;
    if (!err)
        err = syncDatabase();
    if (!err)
        err = m_db->commit();
    if (err) {
        m_db->rollback();
        return restoreFromDatabase(*err);
    }
    return std::nullopt;
}

Status Session::restoreFromDatabase(const Error& error) {
    // The transaction was rolled back: memory goes back to what the database holds.
    readDatabaseState();
    m_selected.resize(m_formulas.size(), true);
    m_draws = m_storedDraws;
    rebuildModel();
    m_draws = recomputeAll(m_draws);
    runBacktest(Change::Full);
    return error;
}

Status Session::syncDatabase() {
    sqlite3* db = m_db->handle();
    const int formulaCount = static_cast<int>(m_formulas.size());
    const int inUse = Database::tablesInUse(formulaCount);
    const size_t drawCount = m_draws.size();
    const QString drawCols = drawColumnList();
    const QString resultCols = resultColumnList();

    // Length of the stored history that is still the start of the wanted one.
    size_t common = 0;
    while (common < m_storedDraws.size() && common < drawCount &&
           m_storedDraws[common][DrawColumns::QQH] == m_draws[common][DrawColumns::QQH])
        ++common;

    // Draw columns that differ from what is stored (new codes, a new current year, the following
    // draw of the previous newest row).
    std::vector<char> drawChanged(common, 0);
    size_t firstDrawChange = common;
    for (size_t d = 0; d < common; ++d) {
        drawChanged[d] = m_storedDraws[d] != m_draws[d];
        if (drawChanged[d] && firstDrawChange == common)
            firstDrawChange = d;
    }

    auto fail = [&](const QString& what) { return Error{u"%1：%2"_s.arg(what, m_db->lastError())}; };

    for (int t = 0; t < inUse; ++t) {
        const QString table = Database::historyTable(t);
        const size_t base = static_cast<size_t>(t * Database::FormulasPerTable);
        auto& storedHits = m_stored.hits;
        auto& storedTexts = m_stored.texts;
        auto wantedHit = [&](size_t slot, size_t d) -> qint8 {
            return slot < m_wanted.hits.size() && d < m_wanted.hits[slot].size() ? m_wanted.hits[slot][d] : 0;
        };
        auto wantedText = [&](size_t slot, size_t d) -> quint16 {
            return slot < m_wanted.texts.size() && d < m_wanted.texts[slot].size() ? m_wanted.texts[slot][d]
                                                                                   : 0;
        };

        // Kept rows whose results changed. Only rows from the first result the back-test may have
        // changed are looked at.
        bool synced = m_tableSynced[static_cast<size_t>(t)];
        std::vector<char> resultsChanged(synced ? common : 0, 0);
        size_t changedRows = 0;
        size_t firstDirty = resultsChanged.size();
        for (int c = 0; c < Database::FormulasPerTable; ++c)
            firstDirty = std::min(firstDirty, m_resultsDirtyFrom[base + static_cast<size_t>(c)]);
        for (size_t d = firstDirty; d < resultsChanged.size(); ++d) {
            for (int c = 0; c < Database::FormulasPerTable && !resultsChanged[d]; ++c) {
                const size_t slot = base + static_cast<size_t>(c);
                if (d < m_resultsDirtyFrom[slot])
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
            if (Status err = m_db->exec(u"DELETE FROM %1"_s.arg(table)))
                return err;
        } else if (keep < m_storedDraws.size()) {
            Statement del(db, u"DELETE FROM %1 WHERE QQH > ?"_s.arg(table));
            del.bindInt(1, keep == 0 ? std::numeric_limits<int>::min() : m_draws[keep - 1][DrawColumns::QQH]);
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
                    st.bindUtf8(first + Database::FormulasPerTable + c, m_textsUtf8[id]);
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
                        updDraw.bindInt(i + 1, m_draws[d][static_cast<size_t>(i)]);
                    updDraw.bindInt(DrawColumns::Count + 1, m_draws[d][DrawColumns::QQH]);
                    if (!updDraw.run())
                        return fail(u"无法更新历史号码"_s);
                }
                if (resultsChanged[d]) {
                    updRes.reset();
                    bindResults(updRes, 1, d, lastResults);
                    lastResults = d;
                    updRes.bindInt(2 * Database::FormulasPerTable + 1, m_draws[d][DrawColumns::QQH]);
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
                    const int value = m_draws[d][static_cast<size_t>(i)];
                    if (!previous || m_draws[*previous][static_cast<size_t>(i)] != value)
                        ins.bindInt(i + 1, value);
                }
                bindResults(ins, DrawColumns::Count + 1, d, previous);
                if (!ins.run())
                    return fail(u"无法写入历史号码"_s);
            }
        }
    }

    // Memory now describes the database.
    m_resultsDirtyFrom.assign(m_resultsDirtyFrom.size(), std::numeric_limits<size_t>::max());
    m_storedDraws = m_draws;
    m_tableSynced.assign(Database::HistoryTableCount, false);
    for (int t = 0; t < inUse; ++t)
        m_tableSynced[static_cast<size_t>(t)] = true;
    const size_t slotCount = static_cast<size_t>(Database::HistoryTableCount * Database::FormulasPerTable);
    m_stored.hits.assign(slotCount, {});
    m_stored.texts.assign(slotCount, {});
    for (size_t slot = 0; slot < static_cast<size_t>(inUse * Database::FormulasPerTable); ++slot) {
        if (slot < m_wanted.hits.size()) {
            m_stored.hits[slot] = m_wanted.hits[slot];
            m_stored.texts[slot] = m_wanted.texts[slot];
        }
        m_stored.hits[slot].resize(drawCount, 0);
        m_stored.texts[slot].resize(drawCount, 0);
    }
    return std::nullopt;
}

} // namespace talven

namespace talven {

namespace {

DrawValues drawOf(int period, const std::array<int, 7>& numbers) {
    DrawValues v{};
    v[DrawColumns::QQH] = period;
    for (int p = 1; p <= 7; ++p)
        v[static_cast<size_t>(DrawColumns::attribute('L', p, 'A'))] = numbers[static_cast<size_t>(p - 1)];
    return v;
}

std::optional<int> newestPeriod(const std::vector<DrawValues>& draws) {
    if (draws.empty())
        return std::nullopt;
    return draws.back()[DrawColumns::QQH];
}

} // namespace

Result<ImportReport> Session::importHistory(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Error{u"无法打开历史号码文件 %1，原有历史未改动"_s.arg(QDir::toNativeSeparators(path))};
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return Error{u"无法读取历史号码文件 %1，原有历史未改动"_s.arg(QDir::toNativeSeparators(path))};
    const HistoryParseResult parsed =
        HistoryParser::parseLines(HistoryParser::splitLines(HistoryParser::decodeText(bytes)), nextPeriod(),
                                  std::nullopt, m_options.bit);
    ImportReport report;
    for (const SkippedLine& s : parsed.skipped)
        report.skipped.append({s.lineNumber, s.text, s.reason});
    if (parsed.draws.isEmpty())
        return Error{u"文件 %1 中没有可读入的历史号码，原有历史未改动"_s.arg(QDir::toNativeSeparators(path))};

    // A wrong file must never cost the user their history: keep a copy of the database first.
    report.backupPath = QDir(m_dataDir).filePath(QString::fromLatin1(Database::FileName) + u".bak"_s);
    if (Status err = m_db->backupTo(report.backupPath))
        return *err;

    std::vector<DrawValues> draws;
    draws.reserve(static_cast<size_t>(parsed.draws.size()));
    for (const ParsedDraw& d : parsed.draws)
        draws.push_back(drawOf(d.period, d.numbers));
    if (Status err = commitChange(std::move(draws), {}, Change::Full))
        return *err;
    report.stored = static_cast<int>(m_draws.size());
    return report;
}

Status Session::addDraw(const std::array<int, 7>& numbers, std::optional<int> period) {
    const int p = period.value_or(nextPeriod());
    const QString problem = HistoryParser::validateDraw(p, numbers, newestPeriod(m_draws), m_options.bit);
    if (!problem.isEmpty())
        return Error{problem};
    std::vector<DrawValues> draws = m_draws;
    draws.push_back(drawOf(p, numbers));
    return commitChange(std::move(draws), {}, Change::AppendDraw);
}

Status Session::deleteLastDraw() {
    if (m_draws.empty())
        return std::nullopt;
    std::vector<DrawValues> draws = m_draws;
    draws.pop_back();
    return commitChange(std::move(draws), {}, Change::RemoveLastDraw);
}

QString Session::optionText(const QString& key) const {
    return Settings(m_settings).value(key);
}

Status Session::setOption(const QString& key, const QString& value) {
    Options wanted = m_options;
    if (Status err = Settings::apply(wanted, key, value))
        return err;
    if (Status err = Settings(m_settings).set(key, value))
        return err;
    // The largest number and the zodiac coding are read at start-up only.
    wanted.bit = m_options.bit;
    wanted.sxSetup = m_options.sxSetup;
    if (wanted == m_options)
        return std::nullopt;
    m_options = wanted;
    return commitChange(m_draws, {}, Change::Full);
}

QList<FormulaDefinition> Session::formulaDefinitions(size_t from) const {
    QList<FormulaDefinition> specs;
    for (size_t i = from; i < m_formulas.size(); ++i)
        specs.append({m_formulas[i].code, m_formulas[i].kind, m_formulas[i].kill});
    return specs;
}

void Session::runBacktest(Change change) {
    const size_t formulaCount = m_formulas.size();
    const size_t drawCount = m_draws.size();
    // Results of formulas before firstFormula stay as they are for the draws before firstDraw.
    size_t firstFormula = formulaCount;
    size_t firstDraw = drawCount;
    switch (change) {
    case Change::AppendDraw:
        m_engine->appendDraw(m_draws.back());
        firstDraw = drawCount - 1;
        markDirty(0, firstDraw);
        break;
    case Change::RemoveLastDraw:
        m_engine->removeLastDraw();
        break;
    case Change::AddFormulas:
        firstFormula = static_cast<size_t>(m_engine->formulaCount());
        for (const FormulaDefinition& definition : formulaDefinitions(firstFormula))
            m_engine->addFormula(definition);
        markDirty(firstFormula, 0);
        break;
    case Change::RemoveFormula:
        m_engine->removeFormulas({m_removedOrdinal});
        m_wanted.hits.erase(m_wanted.hits.begin() + m_removedOrdinal);
        m_wanted.texts.erase(m_wanted.texts.begin() + m_removedOrdinal);
        markDirty(static_cast<size_t>(m_removedOrdinal), 0); // later formulas moved one column
        break;
    case Change::Full:
        if (!m_engine)
            m_engine = std::make_unique<BacktestEngine>(*m_model);
        m_engine->setModel(*m_model);
        m_engine->setHistory(m_draws);
        m_engine->setFormulas(formulaDefinitions(0));
        m_engine->run();
        m_valueTextIds.fill(NoTextId);
        firstFormula = 0;
        markDirty(0, 0);
        break;
    }

    // The per-draw results the history tables must hold: hit flags and predicted-value texts,
    // the texts looked up once per distinct prediction.
    m_wanted.hits.resize(formulaCount);
    m_wanted.texts.resize(formulaCount);
    for (size_t f = 0; f < formulaCount; ++f) {
        auto& hits = m_wanted.hits[f];
        auto& texts = m_wanted.texts[f];
        const size_t from = f < firstFormula ? std::min(firstDraw, hits.size()) : 0;
        hits.resize(drawCount);
        texts.resize(drawCount);
        const FormulaResult& result = m_engine->result(static_cast<int>(f));
        const int kind = m_formulas[f].kind;
        for (size_t d = from; d < drawCount; ++d) {
            hits[d] = d < result.hits.size() ? static_cast<qint8>(result.hits[d] != 0) : 0;
            texts[d] = d < result.predicted.size() ? valueTextId(kind, result.predicted[d]) : 0;
        }
    }
}

void Session::markDirty(size_t fromSlot, size_t fromDraw) {
    for (size_t slot = fromSlot; slot < m_resultsDirtyFrom.size(); ++slot)
        m_resultsDirtyFrom[slot] = std::min(m_resultsDirtyFrom[slot], fromDraw);
}

quint16 Session::valueTextId(int kind, std::uint8_t predicted) {
    // Predicted values of a kind are few: their texts are made once per run and looked up by value.
    if (predicted == 0 || !FormulaKinds::isValid(kind))
        return 0;
    quint16& id = m_valueTextIds[static_cast<size_t>(kind * 256 + predicted)];
    if (id == NoTextId)
        id = textId(m_engine->rules().valueText(kind, BacktestEngine::unpackPrediction(predicted)));
    return id;
}

const FormulaResult& Session::result(int ordinal) const {
    return m_engine->result(ordinal - 1);
}

void Session::setSelected(int ordinal, bool selected) {
    if (ordinal >= 1 && ordinal <= static_cast<int>(m_selected.size()))
        m_selected[static_cast<size_t>(ordinal - 1)] = selected;
}

QString Session::resultText(int ordinal, int draw) const {
    const auto slot = static_cast<size_t>(ordinal - 1);
    if (ordinal < 1 || slot >= m_wanted.texts.size() || draw < 0 ||
        static_cast<size_t>(draw) >= m_wanted.texts[slot].size())
        return QString();
    return m_texts.at(m_wanted.texts[slot][static_cast<size_t>(draw)]);
}

bool Session::resultHit(int ordinal, int draw) const {
    const auto slot = static_cast<size_t>(ordinal - 1);
    if (ordinal < 1 || slot >= m_wanted.hits.size() || draw < 0 ||
        static_cast<size_t>(draw) >= m_wanted.hits[slot].size())
        return false;
    return m_wanted.hits[slot][static_cast<size_t>(draw)] != 0;
}

void Session::selectAll() {
    std::fill(m_selected.begin(), m_selected.end(), true);
}

void Session::invertSelection() {
    m_selected.flip();
}

} // namespace talven

namespace talven {

namespace {

Status insertFormulas(Database& db, const std::vector<FormulaRow>& rows) {
    Statement ins(db.handle(), u"INSERT INTO Gongshi (Idx, gongshi, maType, bolKill) VALUES (?,?,?,?)"_s);
    for (const FormulaRow& row : rows) {
        ins.reset();
        ins.bindInt(1, row.idx);
        ins.bindText(2, row.code);
        ins.bindInt(3, row.kind);
        ins.bindInt(4, row.kill ? 1 : 0);
        if (!ins.run())
            return Error{u"无法保存公式：%1"_s.arg(db.lastError())};
    }
    return std::nullopt;
}

QString formulaLimitMessage() {
    return u"公式已达上限 %1 条，无法再添加"_s.arg(Database::MaxFormulas);
}

} // namespace

Status Session::addFormula(const QString& text, int kind, bool kill) {
    const FormulaInput::TypedFormula typed = FormulaInput::translateTyped(text);
    if (!typed.ok())
        return Error{typed.message};
    if (!FormulaKinds::isValid(kind))
        return Error{u"公式种类必须是 0 到 15"_s};
    if (m_formulas.size() >= static_cast<size_t>(Database::MaxFormulas))
        return Error{formulaLimitMessage()};
    FormulaRow row{static_cast<int>(m_formulas.size()) + 1, typed.code, kind, kill};
    m_formulas.push_back(row);
    m_selected.push_back(true);
    return commitChange(
        m_draws, [this, row] { return insertFormulas(*m_db, {row}); }, Change::AddFormulas);
}

Result<FormulaImportReport> Session::importFormulas(const QString& path, bool kill) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Error{u"无法打开公式文本文件 %1"_s.arg(QDir::toNativeSeparators(path))};
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return Error{u"无法读取公式文本文件 %1"_s.arg(QDir::toNativeSeparators(path))};
    const FormulaInput::FileResult read = FormulaInput::readFile(bytes);

    FormulaImportReport report;
    // The report is made anew at every import, so it never lists lines of an earlier file.
    const QString reportPath = QDir(m_dataDir).filePath(FormulaInput::reportFileName());
    QFile out(reportPath);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        out.write(FormulaInput::reportText(read.unrecognised)) < 0)
        return Error{u"无法写入 %1"_s.arg(QDir::toNativeSeparators(reportPath))};
    out.close();
    for (const auto& line : read.unrecognised)
        report.unrecognised.append({line.lineNumber, line.text});
    if (read.hasUnrecognised())
        report.reportPath = reportPath;

    std::vector<FormulaRow> rows;
    for (const auto& line : read.accepted) {
        if (m_formulas.size() + rows.size() >= static_cast<size_t>(Database::MaxFormulas)) {
            report.overLimit.append(line.lineNumber);
            continue;
        }
        rows.push_back({static_cast<int>(m_formulas.size() + rows.size()) + 1, line.code, line.maType, kill});
    }
    report.added = static_cast<int>(rows.size());
    if (rows.empty())
        return report;
    m_formulas.insert(m_formulas.end(), rows.begin(), rows.end());
    m_selected.resize(m_formulas.size(), true);
    if (Status err = commitChange(
            m_draws, [this, rows] { return insertFormulas(*m_db, rows); }, Change::AddFormulas))
        return *err;
    return report;
}

Status Session::deleteFormula(int idx) {
    const auto it = std::find_if(m_formulas.begin(), m_formulas.end(),
                                 [idx](const FormulaRow& r) { return r.idx == idx; });
    if (it == m_formulas.end())
        return Error{u"没有序号为 %1 的公式"_s.arg(idx)};
    const auto ordinal = static_cast<size_t>(it - m_formulas.begin());
    const std::vector<bool> selectedBefore = m_selected;
    m_formulas.erase(it);
    m_selected.erase(m_selected.begin() + static_cast<std::ptrdiff_t>(ordinal));
    for (size_t i = 0; i < m_formulas.size(); ++i)
        m_formulas[i].idx = static_cast<int>(i) + 1;
    m_removedOrdinal = static_cast<int>(ordinal);
    Status err = commitChange(
        m_draws,
        [this, idx] {
            Statement del(m_db->handle(), u"DELETE FROM Gongshi WHERE Idx = ?"_s);
            del.bindInt(1, idx);
            // The remaining formulas keep their order and are numbered 1..n again.
            Statement renumber(
                m_db->handle(),
                u"UPDATE Gongshi SET Idx = (SELECT COUNT(*) FROM Gongshi g WHERE g.Idx < Gongshi.Idx "
                u"OR (g.Idx = Gongshi.Idx AND g.rowid <= Gongshi.rowid))"_s);
            if (!del.run() || !renumber.run())
                return Status(Error{u"无法删除公式：%1"_s.arg(m_db->lastError())});
            return Status();
        },
        Change::RemoveFormula);
    // A refused deletion keeps the formula, and with it every selection flag where it was.
    if (err && selectedBefore.size() == m_formulas.size())
        m_selected = selectedBefore;
    return err;
}

} // namespace talven

namespace talven {

Result<ErrorValueTable> Session::errorValues(std::optional<int> atPeriod,
                                             std::optional<int> kindFilter) const {
    if (m_draws.empty())
        return Error{u"历史号码为空，无法计算选中公式"_s};
    const ErrorValuePredictor predictor(m_engine->rules());
    QList<PredictionFormula> formulas;
    for (const FormulaRow& row : m_formulas)
        formulas.append({row.kind, row.kill});
    auto parameterOf = [this](qsizetype f, qsizetype d) -> std::optional<double> {
        const double p = m_engine->parameter(static_cast<int>(f), static_cast<int>(d));
        return std::isnan(p) ? std::nullopt : std::optional<double>(p);
    };
    QList<bool> selection{false}; // index 0 holds no formula
    for (size_t i = 0; i < m_formulas.size(); ++i)
        if (!kindFilter || m_formulas[i].kind == *kindFilter)
            selection.append(m_selected[i]);
    if (!atPeriod && !kindFilter) {
        QList<std::optional<double>> parameters;
        const qsizetype newest = static_cast<qsizetype>(m_draws.size()) - 1;
        for (qsizetype f = 0; f < formulas.size(); ++f)
            parameters.append(parameterOf(f, newest));
        return predictor.nextPeriod(formulas, parameters, selection, currentYear());
    }
    QList<int> periods;
    for (const DrawValues& d : m_draws)
        periods.append(d[DrawColumns::QQH]);
    return predictor.verify(formulas, selection, periods, parameterOf,
                            {atPeriod.value_or(periods.back()), kindFilter});
}

Result<ErrorValueTable> Session::predict(std::optional<int> atPeriod, std::optional<int> kindFilter) {
    auto values = errorValues(atPeriod, kindFilter);
    if (!values)
        return values;
    if (Status err = storeErrorValues(values.value()))
        return *err;
    return values;
}

Status Session::storeErrorValues(const ErrorValueTable& values) {
    return ErrorValueStore::save(m_db->handle(), values);
}

Result<ErrorValueTable> Session::storedErrorValues() const {
    return ErrorValueStore::load(m_db->handle());
}

} // namespace talven
