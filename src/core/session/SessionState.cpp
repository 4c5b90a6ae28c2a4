#include "SessionState.h"

#include "common/FormulaKind.h"
#include "formula/FormulaInput.h"
#include "formula/FormulaTranslation.h"
#include "lottery/Draw.h"
#include "prediction/ErrorValuePredictor.h"
#include "store/Database.h"
#include "store/FormulaTable.h"

#include <QDate>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace talven {

SessionState::SessionState(const Options& options)
    : m_options(options), m_model(options, 0), m_engine(m_model) {}

Result<std::unique_ptr<SessionState>> SessionState::load(Database& db, const Options& options,
                                                         const ProgressFn& progress) {
    std::unique_ptr<SessionState> state(new SessionState(options));
    // One read transaction: formulas, draws and results all belong to the same state of the file.
    if (auto begun = db.beginRead(); !begun)
        return begun.error();
    auto version = db.dataVersion();
    auto formulas = version ? FormulaTable::load(db) : Result<std::vector<FormulaRow>>(version.error());
    Result<void> tables = formulas ? state->m_tables.load(db, static_cast<int>(formulas->size()))
                                   : Result<void>(formulas.error());
    db.rollback();
    if (!tables)
        return tables.error();
    state->m_dataVersion = version.value();
    state->m_formulas = std::move(formulas.value());
    // More formulas than history tables can hold results for: a file this program did not write.
    if (state->m_formulas.size() > static_cast<size_t>(Database::MaxFormulas))
        return Error{u"公式表中有 %1 条公式，超过上限 %2 条，无法使用该数据库"_s.arg(state->m_formulas.size())
                         .arg(Database::MaxFormulas),
                     ErrorCode::Foreign};
    state->m_selected.assign(state->m_formulas.size(), true);
    state->update(state->m_tables.storedDraws(), Scope::Full, progress);
    return state;
}

Result<std::unique_ptr<SessionState>> SessionState::readAgain(Database& db,
                                                              const ProgressFn& progress) const {
    auto fresh = load(db, m_options, progress);
    if (fresh)
        fresh.value()->keepSelectionOf(*this);
    return fresh;
}

void SessionState::select(int ordinal, bool selected) {
    if (ordinal >= 1 && ordinal <= static_cast<int>(m_selected.size()))
        m_selected[static_cast<size_t>(ordinal - 1)] = selected;
}

bool SessionState::setSelection(const std::vector<bool>& selected) {
    if (selected.size() != m_selected.size())
        return false;
    m_selected = selected;
    return true;
}

void SessionState::keepSelectionOf(const SessionState& before) {
    for (size_t i = 0; i < m_selected.size() && i < before.m_formulas.size(); ++i)
        if (m_formulas[i] == before.m_formulas[i])
            m_selected[i] = before.m_selected[i];
}

Period SessionState::nextPeriod() const {
    if (m_draws.empty())
        return Period::firstOfYear(QDate::currentDate().year());
    return Draw::periodOf(m_draws.back()).next().value_or(Period());
}

std::optional<std::pair<Period, std::array<int, 7>>> SessionState::newestDraw() const {
    if (m_draws.empty())
        return std::nullopt;
    const Draw newest(m_draws.back());
    return std::pair{newest.period(), newest.numbers()};
}

const QString& SessionState::resultText(int ordinal, int draw) const {
    const auto slot = static_cast<size_t>(ordinal - 1);
    if (ordinal < 1 || slot >= m_wanted.texts.size() || draw < 0 ||
        static_cast<size_t>(draw) >= m_wanted.texts[slot].size())
        return m_tables.texts().text(0);
    return m_tables.texts().text(m_wanted.texts[slot][static_cast<size_t>(draw)]);
}

bool SessionState::resultHit(int ordinal, int draw) const {
    const auto slot = static_cast<size_t>(ordinal - 1);
    if (ordinal < 1 || slot >= m_wanted.hits.size() || draw < 0 ||
        static_cast<size_t>(draw) >= m_wanted.hits[slot].size())
        return false;
    return m_wanted.hits[slot][static_cast<size_t>(draw)] != 0;
}

void SessionState::replaceHistory(std::vector<DrawValues> draws, const ProgressFn& progress) {
    update(std::move(draws), Scope::Full, progress);
}

void SessionState::appendDraw(const DrawValues& draw, const ProgressFn& progress) {
    std::vector<DrawValues> draws = m_draws;
    draws.push_back(draw);
    update(std::move(draws), Scope::AppendDraw, progress);
}

void SessionState::removeLastDraw(const ProgressFn& progress) {
    if (m_draws.empty())
        return;
    std::vector<DrawValues> draws = m_draws;
    draws.pop_back();
    update(std::move(draws), Scope::RemoveLastDraw, progress);
}

void SessionState::appendDraws(const std::vector<DrawValues>& newer, const ProgressFn& progress) {
    if (newer.empty())
        return;
    if (newer.size() == 1)
        return appendDraw(newer.front(), progress);
    std::vector<DrawValues> draws = m_draws;
    draws.insert(draws.end(), newer.begin(), newer.end());
    update(std::move(draws), Scope::Full, progress);
}

void SessionState::keepDraws(size_t count, const ProgressFn& progress) {
    if (count >= m_draws.size())
        return;
    if (count + 1 == m_draws.size())
        return removeLastDraw(progress);
    std::vector<DrawValues> draws(m_draws.begin(), m_draws.begin() + static_cast<std::ptrdiff_t>(count));
    update(std::move(draws), Scope::Full, progress);
}

void SessionState::appendFormulas(const std::vector<FormulaRow>& rows, const ProgressFn& progress) {
    const size_t from = m_formulas.size();
    m_formulas.insert(m_formulas.end(), rows.begin(), rows.end());
    m_selected.resize(m_formulas.size(), true);
    renumberFrom(from);
    m_formulaEdits.push_back({FormulaEdit::Op::Append,
                              {m_formulas.begin() + static_cast<std::ptrdiff_t>(from), m_formulas.end()}});
    update(m_draws, Scope::AddFormulas, progress);
}

void SessionState::removeFormula(size_t at, const ProgressFn& progress) {
    if (at >= m_formulas.size())
        return;
    m_formulaEdits.push_back({FormulaEdit::Op::Remove, {}, m_formulas[at].idx});
    m_formulas.erase(m_formulas.begin() + static_cast<std::ptrdiff_t>(at));
    m_selected.erase(m_selected.begin() + static_cast<std::ptrdiff_t>(at));
    renumberFrom(at);
    update(m_draws, Scope::RemoveFormula, progress, static_cast<int>(at));
}

void SessionState::insertFormula(const FormulaRow& row, bool selected, const ProgressFn& progress) {
    const auto at = static_cast<size_t>(std::clamp(row.idx - 1, 0, static_cast<int>(m_formulas.size())));
    m_formulas.insert(m_formulas.begin() + static_cast<std::ptrdiff_t>(at), row);
    m_selected.insert(m_selected.begin() + static_cast<std::ptrdiff_t>(at), selected);
    renumberFrom(at);
    m_formulaEdits.push_back({FormulaEdit::Op::InsertAt, {m_formulas[at]}});
    // Every later formula moves one column on: the whole back-test is the simplest way there.
    update(m_draws, Scope::Full, progress);
}

void SessionState::keepFormulas(size_t count, const ProgressFn& progress) {
    if (count >= m_formulas.size())
        return;
    m_formulas.resize(count);
    m_selected.resize(count);
    m_formulaEdits.push_back({FormulaEdit::Op::KeepFirst, {}, static_cast<int>(count)});
    update(m_draws, Scope::Full, progress);
}

void SessionState::replaceFormula(size_t at, const QString& code, const ProgressFn& progress) {
    if (at >= m_formulas.size())
        return;
    m_formulas[at].code = code;
    m_formulaEdits.push_back({FormulaEdit::Op::Update, {m_formulas[at]}});
    // The formula's column is computed again; the others keep theirs.
    update(m_draws, Scope::Full, progress);
}

void SessionState::applyOptions(const Options& options, const ProgressFn& progress) {
    m_options = options;
    update(m_draws, Scope::Full, progress);
}

void SessionState::recompute(const ProgressFn& progress) {
    update(m_draws, Scope::Full, progress);
}

void SessionState::renumberFrom(size_t at) {
    for (size_t i = at; i < m_formulas.size(); ++i)
        m_formulas[i].idx = static_cast<int>(i) + 1;
}

void SessionState::update(std::vector<DrawValues> draws, Scope scope, const ProgressFn& progress,
                          int removedOrdinal) {
    const Options modelOptions = m_model.options();
    const int modelYear = m_model.currentYear();
    m_model = NumberModel(m_options, currentYearOf(draws));
    // A new current year or new codes change every stored row and every judgement.
    if (!m_engineRun || modelYear != m_model.currentYear() || !(modelOptions == m_options))
        scope = Scope::Full;
    m_draws = computeDraws(m_model, draws);
    runBacktest(scope, removedOrdinal, progress);
}

bool SessionState::differsFromStored() const {
    return m_tables.differs(m_draws, m_wanted, static_cast<int>(m_formulas.size()));
}

Result<void> SessionState::storeFormulaEdits(Database& db) {
    for (const FormulaEdit& edit : m_formulaEdits) {
        Result<void> done;
        switch (edit.op) {
        case FormulaEdit::Op::Append:
            done = FormulaTable::insert(db, edit.rows);
            break;
        case FormulaEdit::Op::InsertAt:
            done = FormulaTable::insertAt(db, edit.rows.front());
            break;
        case FormulaEdit::Op::Remove:
            done = FormulaTable::remove(db, edit.idx);
            break;
        case FormulaEdit::Op::KeepFirst:
            done = FormulaTable::removeAfter(db, edit.idx);
            break;
        case FormulaEdit::Op::Update:
            done = FormulaTable::update(db, edit.rows.front());
            break;
        }
        if (!done)
            return done;
    }
    m_formulaEdits.clear();
    return {};
}

Result<void> SessionState::store(Database& db, const ProgressFn& progress) {
    if (auto edited = storeFormulaEdits(db); !edited)
        return edited;
    return m_tables.sync(db, m_draws, m_wanted, static_cast<int>(m_formulas.size()), progress);
}

QList<FormulaDefinition> SessionState::formulaDefinitions(size_t from) const {
    QList<FormulaDefinition> specs;
    for (size_t i = from; i < m_formulas.size(); ++i)
        specs.append({m_formulas[i].code, m_formulas[i].kind, m_formulas[i].kill});
    return specs;
}

void SessionState::runBacktest(Scope scope, int removedOrdinal, const ProgressFn& progress) {
    const size_t formulaCount = m_formulas.size();
    const size_t drawCount = m_draws.size();
    // Results of formulas before firstFormula stay as they are for the draws before firstDraw.
    size_t firstFormula = formulaCount;
    size_t firstDraw = drawCount;
    switch (scope) {
    case Scope::AppendDraw:
        m_engine.appendDraw(m_draws.back());
        firstDraw = drawCount - 1;
        m_tables.markDirty(0, firstDraw);
        break;
    case Scope::RemoveLastDraw:
        m_engine.removeLastDraw();
        break;
    case Scope::AddFormulas:
        firstFormula = static_cast<size_t>(m_engine.formulaCount());
        for (const FormulaDefinition& definition : formulaDefinitions(firstFormula))
            m_engine.addFormula(definition);
        m_tables.markDirty(firstFormula, 0);
        break;
    case Scope::RemoveFormula:
        m_engine.removeFormulas({removedOrdinal});
        m_wanted.hits.erase(m_wanted.hits.begin() + removedOrdinal);
        m_wanted.texts.erase(m_wanted.texts.begin() + removedOrdinal);
        m_tables.markDirty(static_cast<size_t>(removedOrdinal), 0); // later formulas moved one column
        break;
    case Scope::Full:
        m_engine.setModel(m_model);
        m_engine.setHistory(m_draws);
        m_engine.setFormulas(formulaDefinitions(0));
        m_engine.run(progress);
        m_engineRun = true;
        m_valueTextIds.fill(NoTextId);
        firstFormula = 0;
        m_tables.markDirty(0, 0);
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
        // Room for appended draws, so that storing one draw does not move every formula's rows.
        if (hits.capacity() < drawCount + 1) {
            hits.reserve(drawCount + 64);
            texts.reserve(drawCount + 64);
        }
        hits.resize(drawCount);
        texts.resize(drawCount);
        const FormulaResult& result = m_engine.result(static_cast<int>(f));
        const int kind = m_formulas[f].kind;
        for (size_t d = from; d < drawCount; ++d) {
            hits[d] = d < result.hits.size() ? static_cast<qint8>(result.hits[d] != 0) : 0;
            texts[d] = d < result.predicted.size() ? valueTextId(kind, result.predicted[d]) : 0;
        }
    }
}

FormulaPreview SessionState::preview(const QString& text, FormulaKind kind, bool kill) const {
    FormulaPreview p;
    p.draws = static_cast<int>(m_draws.size());
    p.text = text;
    const auto typed = FormulaInput::translateTyped(text);
    if (!typed) {
        p.refusal = typed.error();
        return p;
    }
    p.code = typed.value();
    p.folded = FormulaTranslation::foldExpression(p.code);
    p.chinese = FormulaTranslation::chineseForm(p.folded);
    p.result = m_engine.trial({p.code, maTypeOf(kind), kill});
    return p;
}

Result<ErrorValueTable> SessionState::errorValues(std::optional<Period> atPeriod,
                                                  std::optional<FormulaKind> kindFilter) const {
    const std::optional<int> maType = kindFilter ? std::optional(maTypeOf(*kindFilter)) : std::nullopt;
    if (m_draws.empty())
        return Error{u"历史号码为空，无法计算选中公式"_s};
    const ErrorValuePredictor predictor(m_engine.rules());
    QList<PredictionFormula> formulas;
    for (const FormulaRow& row : m_formulas)
        formulas.append({row.kind, row.kill});
    auto parameterOf = [this](qsizetype f, qsizetype d) -> std::optional<double> {
        const double p = m_engine.parameter(static_cast<int>(f), static_cast<int>(d));
        return std::isnan(p) ? std::nullopt : std::optional<double>(p);
    };
    QList<bool> selection{false}; // index 0 holds no formula
    for (size_t i = 0; i < m_formulas.size(); ++i)
        if (!maType || m_formulas[i].kind == *maType)
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
        periods.append(Draw::periodOf(d).value());
    return predictor.verify(formulas, selection, periods, parameterOf,
                            {atPeriod ? atPeriod->value() : periods.back(), maType});
}

quint16 SessionState::valueTextId(int kind, std::uint8_t predicted) {
    // Predicted values of a kind are few: their texts are made once per run and looked up by value.
    if (predicted == 0 || !isFormulaKind(kind))
        return 0;
    quint16& id = m_valueTextIds[static_cast<size_t>(kind * 256 + predicted)];
    if (id == NoTextId)
        id = m_tables.texts().idOf(
            m_engine.rules().valueText(kind, BacktestEngine::unpackPrediction(predicted)));
    return id;
}

} // namespace talven
