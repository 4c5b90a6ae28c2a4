#include "ChangeChains.h"

#include "common/InputFile.h"
#include "common/Platform.h"
#include "formula/FormulaInput.h"
#include "history/HistoryParser.h"
#include "history/HistoryReader.h"
#include "lottery/Draw.h"
#include "session/Damage.h"
#include "session/SessionState.h"
#include "store/Backups.h"
#include "store/FormulaTable.h"
#include "store/Settings.h"

#include <QDir>
#include <QFile>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace talven {

ChangeContext::ChangeContext(Database& db, QSettings& settings, QString dataDir, ProgressFn progress)
    : m_db(db), m_settings(settings), m_dataDir(std::move(dataDir)), m_progress(std::move(progress)),
      m_transaction(db) {}

Result<void> ChangeContext::beginWrite(const SessionState& state) {
    if (auto begun = m_transaction.beginWrite(); !begun)
        return begun;
    m_began = true;
    auto version = m_db.dataVersion();
    if (!version)
        return version.error();
    if (version.value() != state.dataVersion())
        return Error{u"数据库已被另一个程序修改，已重新读取"_s, ErrorCode::Stale};
    return {};
}

Result<void> ChangeContext::commit() {
    auto committed = m_transaction.commit();
    if (committed) {
        for (const auto& finish : m_onCommit)
            if (auto finished = finish(); !finished)
                m_afterCommitProblem = finished.message();
        m_onCommit.clear();
        m_onRollback.clear();
    }
    return committed;
}

void ChangeContext::rollback() {
    m_transaction.rollback();
    for (auto it = m_onRollback.rbegin(); it != m_onRollback.rend(); ++it)
        (*it)();
    m_onRollback.clear();
    m_onCommit.clear();
}

namespace {

DrawValues drawOf(int period, const std::array<int, 7>& numbers) {
    DrawValues v{};
    v[DrawColumns::QQH] = period;
    for (int p = 1; p <= 7; ++p)
        v[static_cast<size_t>(DrawColumns::attribute('L', p, 'A'))] = numbers[static_cast<size_t>(p - 1)];
    return v;
}

std::vector<DrawValues> drawsOf(const QList<ParsedDraw>& parsed) {
    std::vector<DrawValues> draws;
    draws.reserve(static_cast<size_t>(parsed.size()));
    for (const ParsedDraw& d : parsed)
        draws.push_back(drawOf(d.period, d.numbers));
    return draws;
}

// Reads a history file for an import or an append; one that is mostly not draws is taken only when
// the user insists.
Result<HistoryFile> readHistory(const QString& path, const SessionState& state, bool force) {
    auto parsed = HistoryReader::readFile(path, state.nextPeriod().value(), state.options().bit);
    if (!parsed)
        return parsed;
    if (auto refused = parsed->refusal(path); refused && !(force && refused->code == ErrorCode::NotHistory))
        return *refused;
    return parsed;
}

ImportReport reportOf(const HistoryFile& file) {
    ImportReport report;
    for (const SkippedLine& s : file.skipped)
        report.skipped.append({s.lineNumber, s.text, s.reason});
    return report;
}

std::optional<int> newestPeriod(const std::vector<DrawValues>& draws) {
    if (draws.empty())
        return std::nullopt;
    return draws.back()[DrawColumns::QQH];
}

// A history or formula file of real use is well under a megabyte; anything this large is not one.
QString formulaLimitMessage() {
    return u"公式已达上限 %1 条，无法再添加"_s.arg(Database::MaxFormulas);
}

// Writes the state and checks it in one step for the changes that end the same way.
Result<void> storeState(SessionState& state, ChangeContext& ctx) {
    return state.store(ctx.db(), ctx.progress());
}

// Appends the accepted lines up to the list's limit in one transaction and back-tests them.
Result<FormulaImportReport> appendFormulas(SessionState& state, ChangeContext& ctx,
                                           const QList<FormulaInput::AcceptedLine>& accepted, bool kill,
                                           FormulaImportReport report) {
    std::vector<FormulaRow> rows;
    const size_t present = state.formulas().size();
    for (const auto& line : accepted) {
        if (present + rows.size() >= static_cast<size_t>(Database::MaxFormulas)) {
            report.overLimit.append(line.lineNumber);
            continue;
        }
        rows.push_back({static_cast<int>(present + rows.size()) + 1, line.code, line.kind, kill});
    }
    report.added = static_cast<int>(rows.size());
    if (rows.empty())
        return report;
    if (auto begun = ctx.beginWrite(state); !begun)
        return begun.error();
    if (auto inserted = FormulaTable::insert(ctx.db(), rows); !inserted)
        return inserted.error();
    state.appendFormulas(rows, ctx.progress());
    if (auto stored = storeState(state, ctx); !stored)
        return stored.error();
    // Such lines are added as read, but the user hears of them.
    if (!state.draws().empty())
        for (const FormulaRow& row : rows)
            if (!state.result(row.idx).error.isEmpty())
                ++report.uncomputable;
    return report;
}

std::optional<Period> periodOfDraw(const std::vector<DrawValues>& draws, size_t fromEnd) {
    if (draws.size() < fromEnd)
        return std::nullopt;
    return Period(draws[draws.size() - fromEnd][DrawColumns::QQH]);
}

} // namespace

namespace ChangeChains {

std::optional<UndoOffer> ImportHistory::undoOffer(const SessionState&) const {
    return UndoOffer{u"撤销读入历史号码"_s,
                     [](SessionState& s, ChangeContext& ctx) { return RestoreBackup{0}.apply(s, ctx); }};
}

Result<ImportReport> ImportHistory::apply(SessionState& state, ChangeContext& ctx) const {
    const auto parsed = readHistory(path, state, force);
    if (!parsed)
        return parsed.error();
    ImportReport report = reportOf(parsed.value());

    // A wrong file must never cost the user their history: the copy is taken inside the write
    // transaction, so it is the state the import replaces, and joins the generations only when the
    // import is committed.
    report.backupPath = Backups::path(ctx.db().path(), 0);
    if (auto begun = ctx.beginWrite(state); !begun)
        return begun.error();
    auto copy = Backups::take(ctx.db());
    if (!copy)
        return copy.error();
    ctx.onRollback([copy = copy.value()]() mutable { copy.discard(); });
    ctx.onCommit([copy = copy.value()]() mutable { return copy.keep(); });

    state.replaceHistory(drawsOf(parsed->draws), ctx.progress());
    if (auto stored = storeState(state, ctx); !stored)
        return stored.error();
    report.stored = static_cast<int>(state.draws().size());
    return report;
}

QList<ParsedDraw> storedDraws(const std::vector<DrawValues>& draws) {
    QList<ParsedDraw> parsed;
    parsed.reserve(static_cast<qsizetype>(draws.size()));
    for (const DrawValues& v : draws) {
        const Draw draw(v);
        ParsedDraw d;
        d.period = draw.period().value();
        d.numbers = draw.numbers();
        parsed.append(d);
    }
    return parsed;
}

std::optional<UndoOffer> AppendHistory::undoOffer(const SessionState& state) const {
    return UndoOffer{u"撤销追加新开奖"_s,
                     [before = state.draws().size()](SessionState& s, ChangeContext& ctx) {
                         return KeepDraws{before}.apply(s, ctx);
                     }};
}

Result<ImportReport> AppendHistory::apply(SessionState& state, ChangeContext& ctx) const {
    const auto parsed = readHistory(path, state, force);
    if (!parsed)
        return parsed.error();
    const auto newer = parsed->newerThan(storedDraws(state.draws()), path);
    if (!newer)
        return newer.error();
    ImportReport report = reportOf(parsed.value());
    report.stored = static_cast<int>(newer->size());
    if (newer->isEmpty())
        return report;
    if (auto begun = ctx.beginWrite(state); !begun)
        return begun.error();
    state.appendDraws(drawsOf(newer.value()), ctx.progress());
    if (auto stored = storeState(state, ctx); !stored)
        return stored.error();
    return report;
}

Result<void> KeepDraws::apply(SessionState& state, ChangeContext& ctx) const {
    if (count >= state.draws().size())
        return {};
    if (auto begun = ctx.beginWrite(state); !begun)
        return begun;
    state.keepDraws(count, ctx.progress());
    return storeState(state, ctx);
}

bool AddDraw::runsLong(const SessionState& state) const {
    return state.rewritesTables(period.value_or(state.nextPeriod()), state.formulas().size());
}

Result<void> AddDraw::apply(SessionState& state, ChangeContext& ctx) const {
    if (!period && !state.nextPeriod().isValid())
        return Error{u"期号已到 %1，无法再增加历史号码"_s.arg(Period::Max)};
    const Period p = period.value_or(state.nextPeriod());
    const QString problem =
        HistoryParser::validateDraw(p.value(), numbers, newestPeriod(state.draws()), state.options().bit);
    if (!problem.isEmpty())
        return Error{problem};
    if (auto begun = ctx.beginWrite(state); !begun)
        return begun;
    state.appendDraw(drawOf(p.value(), numbers), ctx.progress());
    return storeState(state, ctx);
}

bool DeleteLastDraw::runsLong(const SessionState& state) const {
    return !state.draws().empty() &&
           state.rewritesTables(periodOfDraw(state.draws(), 2), state.formulas().size());
}

std::optional<UndoOffer> DeleteLastDraw::undoOffer(const SessionState& state) const {
    const auto newest = state.newestDraw();
    if (!newest)
        return std::nullopt;
    // The draw is stored again as it was typed.
    return UndoOffer{u"撤销删除第 %1 期历史号码"_s.arg(newest->first.value()),
                     [draw = *newest](SessionState& s, ChangeContext& ctx) {
                         return AddDraw{draw.second, draw.first}.apply(s, ctx);
                     }};
}

Result<void> DeleteLastDraw::apply(SessionState& state, ChangeContext& ctx) const {
    if (state.draws().empty())
        return {};
    if (auto begun = ctx.beginWrite(state); !begun)
        return begun;
    state.removeLastDraw(ctx.progress());
    return storeState(state, ctx);
}

bool AddFormula::runsLong(const SessionState& state) const {
    return state.rewritesTables(periodOfDraw(state.draws(), 1), state.formulas().size() + 1);
}

Result<void> AddFormula::apply(SessionState& state, ChangeContext& ctx) const {
    const auto typed = FormulaInput::translateTyped(text);
    if (!typed)
        return typed.error();
    if (state.formulas().size() >= static_cast<size_t>(Database::MaxFormulas))
        return Error{formulaLimitMessage(), ErrorCode::LimitReached};
    if (auto begun = ctx.beginWrite(state); !begun)
        return begun;
    const FormulaRow row{static_cast<int>(state.formulas().size()) + 1, typed.value(), maTypeOf(kind), kill};
    if (auto inserted = FormulaTable::insert(ctx.db(), {row}); !inserted)
        return inserted;
    state.appendFormulas({row}, ctx.progress());
    return storeState(state, ctx);
}

std::optional<UndoOffer> ImportFormulas::undoOffer(const SessionState& state) const {
    return UndoOffer{u"撤销读取公式文本"_s,
                     [before = state.formulas().size()](SessionState& s, ChangeContext& ctx) {
                         return KeepFormulas{before}.apply(s, ctx);
                     }};
}

Result<FormulaImportReport> ImportFormulas::apply(SessionState& state, ChangeContext& ctx) const {
    const auto bytes = readInputFile(path, {u"无法打开公式文本文件 %1"_s, u"无法读取公式文本文件 %1"_s,
                                            u"文件 %1 大于 64 MB，不是公式文本文件，未添加任何公式"_s});
    if (!bytes)
        return bytes.error();
    const auto decoded = FormulaInput::decodeFile(bytes.value());
    if (!decoded)
        return Error{
            u"文件 %1 不是公式文本文件（含有空字符，或既不是 UTF-8 也不是 GBK 编码），未添加任何公式"_s.arg(
                QDir::toNativeSeparators(path))};
    const FormulaInput::FileResult read = FormulaInput::readLines(decoded.value());

    FormulaImportReport report;
    // The report is made anew at every import, so it never lists lines of an earlier file.
    const QString reportPath = QDir(ctx.dataDir()).filePath(FormulaInput::reportFileName());
    // Written beside and renamed over: a link under the report's name is replaced, not followed.
    if (auto written = Platform::replaceWithBytes(reportPath, FormulaInput::reportText(read.unrecognised));
        !written)
        return Error{u"无法写入 %1"_s.arg(QDir::toNativeSeparators(reportPath)), ErrorCode::Io}.withCause(
            written.error().cause);
    for (const auto& line : read.unrecognised)
        report.unrecognised.append({line.lineNumber, line.text});
    if (read.hasUnrecognised())
        report.reportPath = reportPath;

    return appendFormulas(state, ctx, read.accepted, kill, std::move(report));
}

Result<FormulaImportReport> AddFormulas::apply(SessionState& state, ChangeContext& ctx) const {
    FormulaImportReport report;
    QList<FormulaInput::AcceptedLine> accepted;
    for (qsizetype i = 0; i < texts.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        if (const auto typed = FormulaInput::translateTyped(texts[i]))
            accepted.append({number, maTypeOf(kind), typed.value()});
        else
            report.unrecognised.append({number, texts[i]});
    }
    return appendFormulas(state, ctx, accepted, kill, std::move(report));
}

std::optional<UndoOffer> DeleteFormula::undoOffer(const SessionState& state) const {
    const auto& all = state.formulas();
    for (size_t i = 0; i < all.size(); ++i)
        if (all[i].idx == idx)
            return UndoOffer{
                u"撤销删除公式 %1"_s.arg(idx),
                [row = all[i], selected = bool(state.selection()[i])](SessionState& s, ChangeContext& ctx) {
                    return InsertFormula{row, selected}.apply(s, ctx);
                }};
    return std::nullopt;
}

Result<void> DeleteFormula::apply(SessionState& state, ChangeContext& ctx) const {
    const auto& formulas = state.formulas();
    const auto it =
        std::find_if(formulas.begin(), formulas.end(), [this](const FormulaRow& r) { return r.idx == idx; });
    if (it == formulas.end())
        return Error{u"没有序号为 %1 的公式"_s.arg(idx), ErrorCode::NotFound};
    if (auto begun = ctx.beginWrite(state); !begun)
        return begun;
    if (auto removed = FormulaTable::remove(ctx.db(), idx); !removed)
        return removed;
    state.removeFormula(static_cast<size_t>(it - formulas.begin()), ctx.progress());
    return storeState(state, ctx);
}

Result<void> SetOptions::apply(SessionState& state, ChangeContext& ctx) const {
    if (auto begun = ctx.beginWrite(state); !begun)
        return begun;
    state.applyOptions(effective, ctx.progress());
    if (auto stored = storeState(state, ctx); !stored)
        return stored;
    // The option is saved only with the rows it rewrote; a failed commit puts the old value back.
    Settings settings(ctx.settings());
    ctx.onRollback([&ctx, key = key, savedBefore = savedBefore] {
        (void)Settings(ctx.settings()).save(key, savedBefore);
    });
    return settings.save(key, saved);
}

Result<void> InsertFormula::apply(SessionState& state, ChangeContext& ctx) const {
    const auto& formulas = state.formulas();
    if (formulas.size() >= static_cast<size_t>(Database::MaxFormulas))
        return Error{formulaLimitMessage(), ErrorCode::LimitReached};
    const auto at = static_cast<size_t>(std::clamp(row.idx - 1, 0, static_cast<int>(formulas.size())));
    if (auto begun = ctx.beginWrite(state); !begun)
        return begun;
    FormulaRow placed = row;
    placed.idx = static_cast<int>(at) + 1;
    if (auto inserted = FormulaTable::insertAt(ctx.db(), placed); !inserted)
        return inserted;
    state.insertFormula(placed, selected, ctx.progress());
    return storeState(state, ctx);
}

Result<void> KeepFormulas::apply(SessionState& state, ChangeContext& ctx) const {
    if (count >= state.formulas().size())
        return {};
    if (auto begun = ctx.beginWrite(state); !begun)
        return begun;
    if (auto removed = FormulaTable::removeAfter(ctx.db(), static_cast<int>(count)); !removed)
        return removed;
    state.keepFormulas(count, ctx.progress());
    return storeState(state, ctx);
}

Result<void> RestoreBackup::apply(SessionState& state, ChangeContext& ctx) const {
    if (auto restored = Backups::restore(ctx.db(), generation); !restored)
        return restored;
    // Our own connection wrote the file, so nothing marks the state stale: read it again here.
    auto fresh = state.readAgain(ctx.db(), ctx.progress());
    if (!fresh)
        return fresh.error();
    state = std::move(*fresh.value());
    // A copy with damaged rows is only shown, as at start-up, until another restore replaces it.
    if (!state.differsFromStored() || !Damage::firstIn(state).isEmpty())
        return {};
    if (auto begun = ctx.beginWrite(state); !begun)
        return begun;
    return storeState(state, ctx);
}

Result<void> Recompute::apply(SessionState& state, ChangeContext& ctx) const {
    if (auto begun = ctx.beginWrite(state); !begun)
        return begun;
    state.recompute(ctx.progress());
    return storeState(state, ctx);
}

} // namespace ChangeChains

} // namespace talven
