#include "ChangeKinds.h"

#include "common/InputFile.h"
#include "common/Platform.h"
#include "formula/FormulaInput.h"
#include "history/HistoryParser.h"
#include "history/HistoryReader.h"
#include "lottery/Draw.h"
#include "session/Damage.h"
#include "session/ImportPreview.h"
#include "session/SessionState.h"
#include "store/Backups.h"
#include "store/ErrorValueStore.h"
#include "store/FormulaTable.h"

#include <QDir>
#include <QFile>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace talven {

ChangeContext::ChangeContext(Database& db, QString dataDir, ProgressFn progress)
    : m_db(db), m_dataDir(std::move(dataDir)), m_progress(std::move(progress)), m_transaction(db) {}

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
    return Draw::entered(Period(period), numbers);
}

std::vector<DrawValues> drawsOf(const QList<ParsedDraw>& parsed) {
    std::vector<DrawValues> draws;
    draws.reserve(static_cast<size_t>(parsed.size()));
    for (const ParsedDraw& d : parsed)
        draws.push_back(drawOf(d.period, d.numbers));
    return draws;
}

// The preview the user saw, or the file read now when there was none.
Result<ImportPreview> previewOf(const QString& path, const std::optional<ImportPreview>& preview,
                                const SessionState& state) {
    if (preview)
        return *preview;
    return ImportPreview::read(ImportSource::file(path), state);
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
    return Draw::periodOf(draws.back()).value();
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

// Where formula idx stands in the list (from 0), or why there is none.
Result<size_t> placeOfFormula(const SessionState& state, int idx) {
    const auto& formulas = state.formulas();
    const auto it =
        std::find_if(formulas.begin(), formulas.end(), [idx](const FormulaRow& r) { return r.idx == idx; });
    if (it == formulas.end())
        return Error{u"没有序号为 %1 的公式"_s.arg(idx), ErrorCode::NotFound};
    return static_cast<size_t>(it - formulas.begin());
}

// Gives formula idx another stored text: the edit and its undo alike.
Result<void> storeFormulaText(SessionState& state, ChangeContext& ctx, int idx, const QString& code) {
    const auto at = placeOfFormula(state, idx);
    if (!at)
        return at.error();
    if (auto begun = ctx.beginWrite(state); !begun)
        return begun;
    state.replaceFormula(at.value(), code, ctx.progress());
    return storeState(state, ctx);
}

} // namespace

namespace ChangeKinds {

std::optional<UndoOffer> ImportHistory::undoOffer(const SessionState&) const {
    return UndoOffer{u"撤销读入历史号码"_s,
                     [](SessionState& s, ChangeContext& ctx) { return RestoreBackup{0}.apply(s, ctx); }};
}

Result<ImportPreview> PreviewImport::apply(const SessionState& state, ChangeContext&) const {
    return ImportPreview::read(source, state);
}

Result<ImportReport> ImportHistory::apply(SessionState& state, ChangeContext& ctx) const {
    const auto read = previewOf(path, preview, state);
    if (!read)
        return read.error();
    if (read->notHistory && !force)
        return *read->notHistory;
    const HistoryFile& file = *read->file;
    ImportReport report = reportOf(file);

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

    state.replaceHistory(drawsOf(file.draws), ctx.progress());
    if (auto stored = storeState(state, ctx); !stored)
        return stored.error();
    report.stored = static_cast<int>(state.draws().size());
    return report;
}

std::optional<UndoOffer> AppendHistory::undoOffer(const SessionState& state) const {
    return UndoOffer{u"撤销追加新开奖"_s,
                     [before = state.draws().size()](SessionState& s, ChangeContext& ctx) {
                         return KeepDraws{before}.apply(s, ctx);
                     }};
}

Result<ImportReport> AppendHistory::apply(SessionState& state, ChangeContext& ctx) const {
    const auto read = previewOf(path, preview, state);
    if (!read)
        return read.error();
    if (read->notHistory && !force)
        return *read->notHistory;
    // Decided again on the state as it is now: another program may have added draws since.
    const auto newer = read->file->newerThan(ImportPreview::storedDraws(state.draws()), read->path);
    if (!newer)
        return newer.error();
    ImportReport report = reportOf(*read->file);
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

Result<void> AddFormula::apply(SessionState& state, ChangeContext& ctx) const {
    const auto typed = FormulaInput::translateTyped(text);
    if (!typed)
        return typed.error();
    if (state.formulas().size() >= static_cast<size_t>(Database::MaxFormulas))
        return Error{formulaLimitMessage(), ErrorCode::LimitReached};
    if (auto begun = ctx.beginWrite(state); !begun)
        return begun;
    const FormulaRow row{static_cast<int>(state.formulas().size()) + 1, typed.value(), maTypeOf(kind), kill};
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
    const auto at = placeOfFormula(state, idx);
    if (!at)
        return at.error();
    if (auto begun = ctx.beginWrite(state); !begun)
        return begun;
    state.removeFormula(at.value(), ctx.progress());
    return storeState(state, ctx);
}

Result<void> SetOptions::apply(SessionState& state, ChangeContext& ctx) const {
    if (auto begun = ctx.beginWrite(state); !begun)
        return begun;
    state.applyOptions(effective, ctx.progress());
    return storeState(state, ctx);
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
    state.insertFormula(placed, selected, ctx.progress());
    return storeState(state, ctx);
}

Result<void> KeepFormulas::apply(SessionState& state, ChangeContext& ctx) const {
    if (count >= state.formulas().size())
        return {};
    if (auto begun = ctx.beginWrite(state); !begun)
        return begun;
    state.keepFormulas(count, ctx.progress());
    return storeState(state, ctx);
}

std::optional<UndoOffer> EditFormula::undoOffer(const SessionState& state) const {
    for (const FormulaRow& row : state.formulas())
        if (row.idx == idx)
            return UndoOffer{u"撤销修改公式 %1"_s.arg(idx),
                             [idx = idx, code = row.code](SessionState& s, ChangeContext& ctx) {
                                 return storeFormulaText(s, ctx, idx, code);
                             }};
    return std::nullopt;
}

Result<void> EditFormula::apply(SessionState& state, ChangeContext& ctx) const {
    const auto typed = FormulaInput::translateTyped(text);
    if (!typed)
        return typed.error();
    return storeFormulaText(state, ctx, idx, typed.value());
}

Result<ErrorValueTable> Predict::apply(const SessionState& state, ChangeContext& ctx) const {
    auto values = state.errorValues(atPeriod, kindFilter);
    if (!values)
        return values;
    if (auto stored = ErrorValueStore::save(ctx.db(), values.value()); !stored)
        return stored.error();
    return values;
}

Result<SelectionBacktestReport> BacktestSelection::apply(const SessionState& state,
                                                         ChangeContext& ctx) const {
    SelectionBacktestRequest wanted = request;
    if (wanted.mode == SelectionBacktestRequest::Mode::Fixed && wanted.selection.empty())
        wanted.selection = state.selection();
    return SelectionBacktest(state.engine()).run(wanted, cancel.get(), ctx.progress());
}

Result<ErrorValueTable> StoredErrorValues::apply(const SessionState&, ChangeContext& ctx) const {
    return ErrorValueStore::load(ctx.db());
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

} // namespace ChangeKinds

} // namespace talven
