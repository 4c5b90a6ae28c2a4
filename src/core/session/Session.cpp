#include "Session.h"

#include "common/Platform.h"
#include "session/Damage.h"
#include "session/DatabaseThread.h"
#include "store/Backups.h"
#include "store/Database.h"
#include "store/ErrorValueStore.h"
#include "store/FormulaTable.h"
#include "store/Settings.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTimer>


using namespace Qt::StringLiterals;

namespace talven {

Session::Session(QString dataDir, QSettings& settings)
    : m_dataDir(std::move(dataDir)), m_settings(settings), m_dbThread(std::make_unique<DatabaseThread>()) {}

Session::~Session() {
    // A change still writing finishes (or rolls back) before the connection closes.
    m_dbThread.reset();
}

Result<std::unique_ptr<Session>> Session::open(const QString& dataDir, QSettings& settings) {
    // The system's limits, named as such instead of "cannot create" further down.
    if (QFile::encodeName(QDir(dataDir).absolutePath()).size() >= Platform::pathLimit() - 16)
        return Error{u"数据目录的路径太长，超过系统上限 %1 字节"_s.arg(Platform::pathLimit()), ErrorCode::Io};
    for (const QString& part : QDir(dataDir).absolutePath().split(u'/'))
        if (QFile::encodeName(part).size() > Platform::nameLimit())
            return Error{
                u"数据目录路径中的“%1…”太长，超过系统上限 %2 字节"_s.arg(part.left(20)).arg(Platform::nameLimit()),
                ErrorCode::Io};
    if (!QDir().mkpath(dataDir))
        return Error{u"无法创建数据目录 %1"_s.arg(dataDir), ErrorCode::Io};
    std::unique_ptr<Session> s(new Session(dataDir, settings));
    // The connection is opened on the thread that is to use it.
    Result<void> started;
    s->m_dbThread->call([&] { started = s->openDatabase(); });
    if (!started)
        return started.error();
    return s;
}

Result<void> Session::openDatabase() {
    m_savedOptions = Settings(m_settings).load();
    auto db = Database::open(QDir(m_dataDir).filePath(QString::fromLatin1(Database::FileName)));
    if (!db)
        return db.error();
    m_db = std::move(db.value());
    // A rotation or restore that a killed program left half-done is completed before anything is read.
    if (!m_db->readOnly()) {
        auto finished = Backups::finishInterrupted(*m_db);
        if (!finished)
            return finished.error();
        m_openingNotice = finished.value();
    }
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
        m_readOnlyReason = Damage::firstIn(*m_state);
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

void Session::watchOtherPrograms(int intervalMs) {
    if (!m_watch) {
        m_watch = new QTimer(this);
        connect(m_watch, &QTimer::timeout, this, &Session::checkOtherPrograms);
    }
    m_watch->start(intervalMs);
}

void Session::checkOtherPrograms() {
    if (m_busy || m_checkingOthers)
        return;
    m_checkingOthers = true;
    m_dbThread->post([this] {
        const auto version = m_db->dataVersion();
        QMetaObject::invokeMethod(
            this,
            [this, version] {
                m_checkingOthers = false;
                // A change that ran meanwhile read the database again itself.
                if (m_busy || !version || version.value() == m_state->dataVersion())
                    return;
                reload().then(this, [this](const Result<void>& done) {
                    if (done)
                        emit reloadedAfterOtherProgram();
                });
            },
            Qt::QueuedConnection);
    });
}

// Formula numbers edited outside the program (repeats, gaps, zero or less) would make a deletion
// by number remove several formulas; they are numbered 1..n again in their order, after a backup.
Result<bool> Session::renumberFormulasIfNeeded() {
    auto ordered = FormulaTable::numberedInOrder(*m_db);
    if (!ordered)
        return ordered.error();
    if (ordered.value())
        return false;
    Transaction transaction(*m_db);
    if (auto begun = transaction.beginWrite(); !begun)
        return begun.error();
    if (auto again = FormulaTable::numberedInOrder(*m_db); !again || again.value())
        return again ? Result<bool>(false) : Result<bool>(again.error());
    // The copy joins the repair copies only with the renumbering; the import generations stay.
    auto copy = Backups::take(*m_db, Backups::Kind::Repair);
    if (!copy)
        return copy.error();
    auto failed = [&copy](Result<bool> outcome) {
        copy->discard();
        return outcome;
    };
    if (auto numbered = FormulaTable::renumber(*m_db); !numbered)
        return failed(numbered.error());
    if (auto committed = transaction.commit(); !committed)
        return failed(committed.error());
    // The renumbering is in: a copy that cannot join the backups is said, not a reason to refuse opening.
    const auto kept = copy->keep();
    if (!m_openingNotice.isEmpty())
        m_openingNotice += u'\n';
    m_openingNotice +=
        u"公式表中的序号有重复、间断或不是正数，已按原来的顺序重新编号；"_s +
        (kept ? u"修改前的数据库已备份为 %1"_s.arg(QDir::toNativeSeparators(copy->destination()))
              : u"但修改前的数据库未能存为备份：%1"_s.arg(kept.message()));
    return true;
}

Result<void> Session::busyRefusal() const {
    if (m_busy)
        return Error{u"正在进行其他操作，请稍候再试"_s, ErrorCode::InProgress};
    return {};
}

Result<void> Session::refusal() const {
    if (auto busy = busyRefusal(); !busy)
        return busy;
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

template <typename T>
Result<T> Session::execute(std::unique_ptr<SessionState>& state, const ChangeFn<T>& change, bool inPlace,
                           bool& reloaded, const ProgressFn& progress) {
    for (int attempt = 0;; ++attempt) {
        // Another program changed the database since it was read: start from what it holds now.
        auto version = m_db->dataVersion();
        if (!version)
            return version.error();
        if (version.value() != state->dataVersion()) {
            auto fresh = state->readAgain(*m_db, progress);
            if (!fresh)
                return fresh.error();
            state = std::move(fresh.value());
            reloaded = true;
        }
        ChangeContext ctx(*m_db, m_settings, m_dataDir, progress);
        Result<T> result = change(*state, ctx);
        if (result) {
            auto committed = ctx.commit();
            if (committed) {
                if constexpr (std::is_same_v<T, ImportReport>)
                    result.value().backupProblem = ctx.afterCommitProblem();
                return result;
            }
            result = committed.error();
        }
        ctx.rollback();
        if (result.code() == ErrorCode::Stale && attempt < 2)
            continue;
        if (ctx.began() && inPlace) {
            // Memory may hold half of the change: it goes back to what the database holds.
            auto fresh = state->readAgain(*m_db, progress);
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
Pending<T> Session::runChange(bool runsLong, Outcome outcome, ChangeFn<T> change) {
    if (!runsLong && !m_shortChangesOnWorker) {
        // The caller waits anyway: the change works on the state itself while it does.
        bool reloaded = false;
        std::optional<Result<T>> result;
        m_dbThread->call([&] { result.emplace(execute(m_state, change, true, reloaded, {})); });
        if (*result)
            succeeded(outcome, reloaded);
        else if (reloaded)
            succeeded({.emits = EverythingChanged}, true);
        return Pending<T>::done(std::move(*result));
    }
    Pending<T> pending;
    auto copy = std::make_shared<std::unique_ptr<SessionState>>();
    auto reloaded = std::make_shared<bool>(false);
    auto result = std::make_shared<std::optional<Result<T>>>();
    const ProgressFn progress = progressReporter();
    whileBusy(
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

template <typename Kind>
Pending<typename Kind::Value> Session::run(const Kind& change, std::function<void()> onSuccess) {
    if (auto refused = refusal(); !refused)
        return Pending<typename Kind::Value>::done(refused.error());
    return launch(change, std::move(onSuccess));
}

template <typename Kind>
Pending<typename Kind::Value> Session::launch(const Kind& change, std::function<void()> onSuccess) {
    Outcome outcome{.emits = Kind::emits,
                    .undo = change.undoOffer(*m_state),
                    .keepsUndo = Kind::keepsUndo,
                    .onSuccess = std::move(onSuccess)};
    return runChange<typename Kind::Value>(
        change.runsLong(*m_state), std::move(outcome),
        [change](SessionState& s, ChangeContext& ctx) { return change.apply(s, ctx); });
}

void Session::succeeded(const Outcome& outcome, bool reloaded) {
    // An offer is made for the state the change saw; another program's change ends it.
    if (reloaded || !outcome.keepsUndo)
        m_undo = reloaded ? std::nullopt : outcome.undo;
    if (outcome.onSuccess)
        outcome.onSuccess();
    emit changed((reloaded ? EverythingChanged : outcome.emits) | UndoChanged);
}

void Session::whileBusy(std::function<void()> work, std::function<void()> apply,
                        std::function<void()> finish) {
    setBusy(true);
    m_dbThread->post([this, work = std::move(work), apply = std::move(apply), finish = std::move(finish)] {
        work();
        QMetaObject::invokeMethod(
            this,
            [this, apply, finish] {
                // The new state is in place before anyone may start the next change.
                apply();
                setBusy(false);
                finish();
            },
            Qt::QueuedConnection);
    });
}

Pending<ImportReport> Session::importHistory(const QString& path, bool force) {
    return run(ChangeChains::ImportHistory{path, force});
}

Pending<ImportReport> Session::appendHistory(const QString& path, bool force) {
    return run(ChangeChains::AppendHistory{path, force});
}

Pending<void> Session::addDraw(const std::array<int, 7>& numbers, std::optional<Period> period) {
    return run(ChangeChains::AddDraw{numbers, period});
}

Pending<void> Session::deleteLastDraw() {
    return run(ChangeChains::DeleteLastDraw{});
}

Pending<void> Session::setOption(OptionKey key, int value) {
    if (auto valid = Settings::check(key, value); !valid)
        return Pending<void>::done(valid.error());
    Options saved = m_savedOptions;
    saved.setValue(key, value);
    // The largest number and the zodiac coding are read at start-up only.
    Options effective = saved;
    effective.bit = options().bit;
    effective.sxSetup = options().sxSetup;
    auto remember = [this, saved] { m_savedOptions = saved; };
    if (!(effective == options()))
        return run(ChangeChains::SetOptions{effective, key, saved, m_savedOptions}, remember);
    // Only the settings file changes.
    if (auto refused = refusal(); !refused)
        return Pending<void>::done(refused.error());
    auto stored = Settings(m_settings).save(key, saved);
    if (stored)
        succeeded({.emits = OptionsChanged, .keepsUndo = true, .onSuccess = remember}, false);
    return Pending<void>::done(stored);
}

Pending<void> Session::addFormula(const QString& text, FormulaKind kind, bool kill) {
    return run(ChangeChains::AddFormula{text, kind, kill});
}

Pending<FormulaImportReport> Session::importFormulas(const QString& path, bool kill) {
    return run(ChangeChains::ImportFormulas{path, kill});
}

Pending<FormulaImportReport> Session::addFormulas(const QStringList& texts, FormulaKind kind, bool kill) {
    return run(ChangeChains::AddFormulas{texts, kind, kill});
}

Pending<void> Session::deleteFormula(int idx) {
    return run(ChangeChains::DeleteFormula{idx});
}

Pending<void> Session::recompute() {
    return run(ChangeChains::Recompute{});
}

Pending<void> Session::restoreBackup(int generation) {
    // Allowed while the database is only shown: a restored copy with damaged rows must be
    // replaceable by restoring again.
    if (auto busy = busyRefusal(); !busy)
        return Pending<void>::done(busy.error());
    return launch(ChangeChains::RestoreBackup{generation}, [this] { checkDamage(); });
}

Pending<void> Session::reload() {
    return run(ChangeChains::Reload{});
}

Pending<void> Session::undo() {
    if (!m_undo)
        return Pending<void>::done(Error{u"没有可以撤销的操作"_s});
    // Undoing an import restores a backup, which may hold damaged rows.
    return run(ChangeChains::Undo{*m_undo}, [this] { checkDamage(); });
}

void Session::checkDamage() {
    m_readOnlyReason = Damage::firstIn(*m_state);
}

Pending<void> Session::runReading(std::function<Result<void>(const ProgressFn&)> job) {
    if (auto busy = busyRefusal(); !busy)
        return Pending<void>::done(busy.error());
    Pending<void> pending;
    auto result = std::make_shared<std::optional<Result<void>>>();
    whileBusy(
        [result, job = std::move(job), progress = progressReporter()] { result->emplace(job(progress)); },
        [] {}, [pending, result] { pending.finish(**result); });
    return pending;
}

void Session::setSelected(int ordinal, bool selected) {
    if (m_busy || ordinal < 1 || ordinal > static_cast<int>(selection().size()))
        return;
    m_state->select(ordinal, selected);
    emit changed(SelectionChanged);
}

void Session::setSelection(const std::vector<bool>& selected) {
    if (m_busy || !m_state->setSelection(selected))
        return;
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

Pending<ErrorValueTable> Session::predict(std::optional<Period> atPeriod, std::optional<int> kindFilter) {
    if (auto refused = refusal(); !refused)
        return Pending<ErrorValueTable>::done(refused.error());
    Pending<ErrorValueTable> pending;
    auto result = std::make_shared<std::optional<Result<ErrorValueTable>>>();
    whileBusy(
        [this, result, atPeriod, kindFilter] {
            auto values = m_state->errorValues(atPeriod, kindFilter);
            if (values)
                if (auto stored = ErrorValueStore::save(*m_db, values.value()); !stored)
                    values = stored.error();
            result->emplace(std::move(values));
        },
        [this, result, atPeriod] {
            if (!**result)
                return;
            m_lastErrorValues = (*result)->value();
            m_lastErrorValuesPeriod = atPeriod;
            emit changed(ErrorValuesChanged);
        },
        [pending, result] { pending.finish(**result); });
    return pending;
}

Pending<ErrorValueTable> Session::storedErrorValues() {
    Pending<ErrorValueTable> pending;
    m_dbThread->post([this, pending] {
        auto values = ErrorValueStore::load(*m_db);
        QMetaObject::invokeMethod(
            this, [pending, values = std::move(values)] { pending.finish(values); }, Qt::QueuedConnection);
    });
    return pending;
}

} // namespace talven
