#include "Session.h"

#include "store/Backups.h"
#include "store/Database.h"
#include "store/ErrorValueStore.h"
#include "store/FormulaTable.h"
#include "store/Settings.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QThread>

#include <climits>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

// Rows another program or a damaged file left that no change could follow: the first one named,
// so that the user can mend it. Such a database is only shown, never rewritten.
QString damageIn(const SessionState& state) {
    const auto& draws = state.draws();
    const QString readOnly = u"，数据库只能查看，不能修改"_s;
    for (size_t i = 0; i < draws.size(); ++i) {
        const int period = draws[i][DrawColumns::QQH];
        if (!Period(period).isValid())
            return u"历史号码第 %1 行的期号 %2 不是七位数字的期号"_s.arg(i + 1).arg(period) + readOnly;
        if (i > 0 && draws[i - 1][DrawColumns::QQH] == period)
            return u"历史号码第 %1 行和第 %2 行的期号都是 %3"_s.arg(i).arg(i + 1).arg(period) + readOnly;
        std::array<bool, 100> seen{};
        for (int p = 1; p <= 7; ++p) {
            // A number above the largest-number setting may be the user's choice; outside 1..99 or
            // text (read as 0) no draw can be.
            const int n = draws[i][static_cast<size_t>(DrawColumns::attribute('L', p, 'A'))];
            if (n < 1 || n > 99)
                return u"第 %1 期（历史号码第 %2 行）的第 %3 个号码 %4 不是 1 到 99 之间的数"_s.arg(period)
                           .arg(i + 1)
                           .arg(p)
                           .arg(n) +
                       readOnly;
            if (seen[static_cast<size_t>(n)])
                return u"第 %1 期（历史号码第 %2 行）的号码 %3 出现了两次"_s.arg(period).arg(i + 1).arg(n) +
                       readOnly;
            seen[static_cast<size_t>(n)] = true;
        }
    }
    for (const FormulaRow& row : state.formulas()) {
        if (row.code.isEmpty())
            return u"第 %1 条公式没有公式文本"_s.arg(row.idx) + readOnly;
        if (!formulaKindOf(row.kind))
            return u"第 %1 条公式的种类 %2 不是 0 到 15"_s.arg(row.idx).arg(row.kind) + readOnly;
    }
    return {};
}

} // namespace

Session::Session(QString dataDir, QSettings& settings)
    : m_dataDir(std::move(dataDir)), m_settings(settings) {}

Session::~Session() {
    // A change still writing finishes (or rolls back) before the connection closes.
    if (m_worker)
        m_worker->wait();
}

Result<std::unique_ptr<Session>> Session::open(const QString& dataDir, QSettings& settings) {
    // The system's limits, named as such instead of "cannot create" further down.
    if (QFile::encodeName(QDir(dataDir).absolutePath()).size() >= PATH_MAX - 16)
        return Error{u"数据目录的路径太长，超过系统上限 %1 字节"_s.arg(PATH_MAX), ErrorCode::Io};
    for (const QString& part : QDir(dataDir).absolutePath().split(u'/'))
        if (QFile::encodeName(part).size() > NAME_MAX)
            return Error{
                u"数据目录路径中的“%1…”太长，超过系统上限 %2 字节"_s.arg(part.left(20)).arg(NAME_MAX),
                ErrorCode::Io};
    if (!QDir().mkpath(dataDir))
        return Error{u"无法创建数据目录 %1"_s.arg(dataDir), ErrorCode::Io};
    std::unique_ptr<Session> s(new Session(dataDir, settings));
    if (auto started = s->start(); !started)
        return started.error();
    return s;
}

Result<void> Session::start() {
    m_savedOptions = Settings(m_settings).load();
    auto db = Database::open(QDir(m_dataDir).filePath(QString::fromLatin1(Database::FileName)));
    if (!db)
        return db.error();
    m_db = std::move(db.value());
    auto state = SessionState::load(*m_db, m_savedOptions);
    if (!state)
        return state.error();
    m_state = std::move(state.value());
    Backups::removeLeftovers(m_db->path());
    // A file that cannot be written, or holds a period no change could follow, is only shown.
    if (m_db->readOnly())
        m_readOnlyReason =
            u"数据库文件 %1 是只读的，只能查看，不能修改"_s.arg(QDir::toNativeSeparators(m_db->path()));
    if (m_readOnlyReason.isEmpty()) {
        if (auto mark = m_db->otherProgramMark(); !mark.isEmpty())
            m_readOnlyReason = mark + u"，数据库只能查看，不能修改"_s;
    }
    if (m_readOnlyReason.isEmpty())
        m_readOnlyReason = damageIn(*m_state);
    if (m_readOnlyReason.isEmpty()) {
        auto renumbered = renumberFormulasIfNeeded();
        if (!renumbered)
            return renumbered.error();
        if (renumbered.value()) {
            auto again = SessionState::load(*m_db, m_savedOptions);
            if (!again)
                return again.error();
            m_state = std::move(again.value());
        }
    }
    if (!m_readOnlyReason.isEmpty() || !m_state->differsFromStored())
        return {};
    // Rows written under other settings or another current year are brought in line at start-up.
    bool reloaded = false;
    auto synced = execute<void>(m_state,
                                [](SessionState& s, ChangeContext& ctx) -> Result<void> {
                                    if (auto begun = ctx.beginWrite(s); !begun)
                                        return begun;
                                    return s.store(ctx.db());
                                },
                                false, reloaded, {});
    if (!synced && synced.code() == ErrorCode::Busy)
        return synced.error();
    // A file that cannot be written still shows what it holds.
    if (!synced)
        m_readOnlyReason = synced.message() + u"；只能查看，不能修改"_s;
    return {};
}

// Formula numbers edited outside the program (repeats, gaps, zero or less) would make a deletion
// by number remove several formulas; they are numbered 1..n again in their order, after a backup.
Result<bool> Session::renumberFormulasIfNeeded() {
    auto ordered = FormulaTable::numberedInOrder(*m_db);
    if (!ordered)
        return ordered.error();
    if (ordered.value())
        return false;
    if (auto saved = Backups::save(*m_db); !saved)
        return saved.error();
    Transaction transaction(*m_db);
    if (auto begun = transaction.beginWrite(); !begun)
        return begun.error();
    if (auto again = FormulaTable::numberedInOrder(*m_db); !again || again.value())
        return again ? Result<bool>(false) : Result<bool>(again.error());
    if (auto numbered = FormulaTable::renumber(*m_db); !numbered)
        return numbered.error();
    if (auto committed = transaction.commit(); !committed)
        return committed.error();
    m_openingNotice =
        u"公式表中的序号有重复、间断或不是正数，已按原来的顺序重新编号；修改前的数据库已备份为 %1"_s.arg(
            QDir::toNativeSeparators(Backups::path(m_db->path(), 0)));
    return true;
}

bool Session::changedElsewhere() {
    if (m_busy)
        return false;
    auto version = m_db->dataVersion();
    return version && version.value() != m_state->dataVersion();
}

Result<void> Session::refusal() const {
    if (m_busy)
        return Error{u"正在进行其他操作，请稍候再试"_s, ErrorCode::InProgress};
    if (!m_readOnlyReason.isEmpty())
        return Error{m_readOnlyReason, ErrorCode::ReadOnly};
    return {};
}

ProgressFn Session::progressReporter() {
    return [this](double fraction, const QString& text) {
        QMetaObject::invokeMethod(
            this, [this, fraction, text] { emit progress(fraction, text); }, Qt::QueuedConnection);
    };
}

void Session::setBusy(bool busy) {
    if (m_busy == busy)
        return;
    m_busy = busy;
    emit busyChanged(busy);
}

Result<std::unique_ptr<SessionState>> Session::reloadState(const SessionState& from,
                                                           const ProgressFn& progress) {
    auto fresh = SessionState::load(*m_db, from.options(), progress);
    if (!fresh)
        return fresh;
    fresh.value()->keepSelectionOf(from);
    return fresh;
}

template <typename T>
Result<T> Session::execute(std::unique_ptr<SessionState>& state, const ChangeFn<T>& change, bool inPlace,
                           bool& reloaded, const ProgressFn& progress) {
    for (int attempt = 0;; ++attempt) {
        // Another program changed the database since it was read: start from what it holds now.
        auto version = m_db->dataVersion();
        if (!version)
            return version.error();
        if (version.value() != state->dataVersion()) {
            auto fresh = reloadState(*state, progress);
            if (!fresh)
                return fresh.error();
            state = std::move(fresh.value());
            reloaded = true;
        }
        ChangeContext ctx(*m_db, m_settings, m_dataDir, progress);
        Result<T> result = change(*state, ctx);
        if (result) {
            auto committed = ctx.commit();
            if (committed)
                return result;
            result = committed.error();
        }
        ctx.rollback();
        if (result.code() == ErrorCode::Stale && attempt < 2)
            continue;
        if (ctx.began() && inPlace) {
            // Memory may hold half of the change: it goes back to what the database holds.
            auto fresh = reloadState(*state, progress);
            if (fresh) {
                state = std::move(fresh.value());
                reloaded = true;
            } else {
                m_readOnlyReason = fresh.message();
            }
        }
        return result;
    }
}

template <typename T>
Pending<T> Session::run(bool longChange, Outcome outcome, ChangeFn<T> change) {
    if (auto refused = refusal(); !refused)
        return Pending<T>::done(refused.error());
    if (!longChange && !m_shortChangesOnWorker) {
        bool reloaded = false;
        Result<T> result = execute(m_state, change, true, reloaded, {});
        if (result)
            succeeded(outcome, reloaded);
        else if (reloaded)
            succeeded({EverythingChanged}, true);
        return Pending<T>::done(std::move(result));
    }
    Pending<T> pending;
    auto copy = std::make_shared<std::unique_ptr<SessionState>>();
    auto reloaded = std::make_shared<bool>(false);
    auto result = std::make_shared<std::optional<Result<T>>>();
    const ProgressFn progress = progressReporter();
    onWorker(
        [this, copy, reloaded, result, change = std::move(change), progress] {
            // The copy is made here, not on the window's thread: the state is only read meanwhile.
            *copy = std::make_unique<SessionState>(*m_state);
            result->emplace(execute(*copy, change, false, *reloaded, progress));
        },
        [this, copy, reloaded, result, outcome] {
            if (**result) {
                m_state = std::move(*copy);
                succeeded(outcome, *reloaded);
            }
        },
        [pending, result] { pending.finish(**result); });
    return pending;
}

void Session::succeeded(const Outcome& outcome, bool reloaded) {
    // An offer is made for the state the change saw; another program's change ends it.
    if (reloaded || !outcome.keepsUndo)
        m_undo = reloaded ? std::nullopt : outcome.undo;
    if (outcome.onSuccess)
        outcome.onSuccess();
    emit changed((reloaded ? EverythingChanged : outcome.what) | UndoChanged);
}

void Session::onWorker(std::function<void()> work, std::function<void()> apply,
                       std::function<void()> finish) {
    setBusy(true);
    m_worker.reset(
        QThread::create([this, work = std::move(work), apply = std::move(apply), finish = std::move(finish)] {
            work();
            QMetaObject::invokeMethod(
                this,
                [this, apply, finish] {
                    m_worker->wait();
                    // The new state is in place before anyone may start the next change.
                    apply();
                    setBusy(false);
                    finish();
                },
                Qt::QueuedConnection);
        }));
    m_worker->start();
}

Pending<ImportReport> Session::importHistory(const QString& path) {
    UndoOffer undo{u"撤销读入历史号码"_s, [](SessionState& s, ChangeContext& ctx) {
                       return ChangeChains::restoreBackup(s, ctx, 0);
                   }};
    return run<ImportReport>(true, {EverythingChanged, undo}, [path](SessionState& s, ChangeContext& ctx) {
        return ChangeChains::importHistory(s, ctx, path);
    });
}

Pending<void> Session::addDraw(const std::array<int, 7>& numbers, std::optional<Period> period) {
    const bool rewrites = m_state->rewritesTables(period.value_or(nextPeriod()), formulas().size());
    return run<void>(rewrites, {HistoryChanged | ResultsChanged},
                     [numbers, period](SessionState& s, ChangeContext& ctx) {
                         return ChangeChains::addDraw(s, ctx, numbers, period);
                     });
}

Pending<void> Session::deleteLastDraw() {
    std::optional<Period> newest;
    if (draws().size() > 1)
        newest = Period(draws()[draws().size() - 2][DrawColumns::QQH]);
    const bool rewrites = !draws().empty() && m_state->rewritesTables(newest, formulas().size());
    std::optional<UndoOffer> undo;
    if (const auto newest = m_state->newestDraw()) // stored again as it was typed
        undo = UndoOffer{u"撤销删除第 %1 期历史号码"_s.arg(newest->first.value()),
                         [draw = *newest](SessionState& s, ChangeContext& ctx) {
                             return ChangeChains::addDraw(s, ctx, draw.second, draw.first);
                         }};
    return run<void>(
        rewrites, {HistoryChanged | ResultsChanged, undo},
        [](SessionState& s, ChangeContext& ctx) { return ChangeChains::deleteLastDraw(s, ctx); });
}

Pending<void> Session::setOption(const QString& key, const QString& value) {
    Options saved = m_savedOptions;
    if (auto valid = Settings::apply(saved, key, value); !valid)
        return Pending<void>::done(valid.error());
    // The largest number and the zodiac coding are read at start-up only.
    Options effective = saved;
    effective.bit = options().bit;
    effective.sxSetup = options().sxSetup;
    const Options before = m_savedOptions;
    auto remember = [this, saved] { m_savedOptions = saved; };
    if (effective == options()) {
        if (auto refused = refusal(); !refused)
            return Pending<void>::done(refused.error());
        auto stored = Settings(m_settings).save(key, saved);
        if (stored)
            succeeded({OptionsChanged, std::nullopt, false, remember}, false);
        return Pending<void>::done(stored);
    }
    return run<void>(true, {EverythingChanged, std::nullopt, false, remember},
                     [effective, key, saved, before](SessionState& s, ChangeContext& ctx) {
                         return ChangeChains::setOptions(s, ctx, effective, key, saved, before);
                     });
}

Pending<void> Session::addFormula(const QString& text, FormulaKind kind, bool kill) {
    const bool rewrites = m_state->rewritesTables(
        draws().empty() ? std::nullopt : std::optional(Period(draws().back()[DrawColumns::QQH])),
        formulas().size() + 1);
    return run<void>(rewrites, {FormulasChanged | ResultsChanged | SelectionChanged},
                     [text, kind, kill](SessionState& s, ChangeContext& ctx) {
                         return ChangeChains::addFormula(s, ctx, text, kind, kill);
                     });
}

Pending<FormulaImportReport> Session::importFormulas(const QString& path, bool kill) {
    const size_t before = formulas().size();
    UndoOffer undo{u"撤销读取公式文本"_s, [before](SessionState& s, ChangeContext& ctx) {
                       return ChangeChains::keepFormulas(s, ctx, before);
                   }};
    return run<FormulaImportReport>(true, {FormulasChanged | ResultsChanged | SelectionChanged, undo},
                                    [path, kill](SessionState& s, ChangeContext& ctx) {
                                        return ChangeChains::importFormulas(s, ctx, path, kill);
                                    });
}

Pending<FormulaImportReport> Session::addFormulas(const QStringList& texts, FormulaKind kind, bool kill) {
    return run<FormulaImportReport>(true, {FormulasChanged | ResultsChanged | SelectionChanged},
                                    [texts, kind, kill](SessionState& s, ChangeContext& ctx) {
                                        return ChangeChains::addFormulas(s, ctx, texts, kind, kill);
                                    });
}

Pending<void> Session::deleteFormula(int idx) {
    std::optional<UndoOffer> undo;
    const auto& all = formulas();
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i].idx != idx)
            continue;
        const FormulaRow row = all[i];
        const bool selected = selection()[i];
        undo = UndoOffer{u"撤销删除公式 %1"_s.arg(idx), [row, selected](SessionState& s, ChangeContext& ctx) {
                             return ChangeChains::insertFormula(s, ctx, row, selected);
                         }};
    }
    return run<void>(
        true, {FormulasChanged | ResultsChanged | SelectionChanged, undo},
        [idx](SessionState& s, ChangeContext& ctx) { return ChangeChains::deleteFormula(s, ctx, idx); });
}

Pending<void> Session::recompute() {
    return run<void>(true, {ResultsChanged, std::nullopt, true},
                     [](SessionState& s, ChangeContext& ctx) { return ChangeChains::recompute(s, ctx); });
}

Pending<void> Session::restoreBackup(int generation) {
    return run<void>(true, {EverythingChanged}, [generation](SessionState& s, ChangeContext& ctx) {
        return ChangeChains::restoreBackup(s, ctx, generation);
    });
}

Pending<void> Session::reload() {
    // Running a change reads the database again first whenever another program changed it.
    return run<void>(true, {EverythingChanged, std::nullopt, true},
                     [](SessionState&, ChangeContext&) { return Result<void>(); });
}

Pending<void> Session::undo() {
    if (!m_undo)
        return Pending<void>::done(Error{u"没有可以撤销的操作"_s});
    // One level: the undo leaves no offer of its own; a failed undo keeps the offer.
    return run<void>(true, {EverythingChanged}, m_undo->change);
}

Pending<void> Session::runReading(std::function<Result<void>(const ProgressFn&)> job) {
    if (m_busy)
        return Pending<void>::done(Error{u"正在进行其他操作，请稍候再试"_s, ErrorCode::InProgress});
    Pending<void> pending;
    auto result = std::make_shared<std::optional<Result<void>>>();
    onWorker(
        [result, job = std::move(job), progress = progressReporter()] { result->emplace(job(progress)); },
        [] {}, [pending, result] { pending.finish(**result); });
    return pending;
}

void Session::setSelected(int ordinal, bool selected) {
    if (m_busy || ordinal < 1 || ordinal > static_cast<int>(selection().size()))
        return;
    m_state->selection()[static_cast<size_t>(ordinal - 1)] = selected;
    emit changed(SelectionChanged);
}

void Session::setSelection(const std::vector<bool>& selected) {
    if (m_busy || selected.size() != selection().size())
        return;
    m_state->selection() = selected;
    emit changed(SelectionChanged);
}

void Session::selectAll() {
    setSelection(std::vector<bool>(selection().size(), true));
}

void Session::invertSelection() {
    std::vector<bool> flipped = selection();
    flipped.flip();
    setSelection(flipped);
}

Result<ErrorValueTable> Session::errorValues(std::optional<Period> atPeriod,
                                             std::optional<int> kindFilter) const {
    return m_state->errorValues(atPeriod, kindFilter);
}

Result<ErrorValueTable> Session::predict(std::optional<Period> atPeriod, std::optional<int> kindFilter) {
    if (auto refused = refusal(); !refused)
        return refused.error();
    auto values = errorValues(atPeriod, kindFilter);
    if (!values)
        return values;
    if (auto stored = ErrorValueStore::save(m_db->handle(), values.value()); !stored)
        return stored.error();
    m_lastErrorValues = values.value();
    m_lastErrorValuesPeriod = atPeriod;
    emit changed(ErrorValuesChanged);
    return values;
}

Result<ErrorValueTable> Session::storedErrorValues() const {
    return ErrorValueStore::load(m_db->handle());
}

} // namespace talven
