#include "Session.h"

#include "common/Platform.h"
#include "session/Damage.h"
#include "session/DataDirectory.h"
#include "session/DatabaseThread.h"
#include "session/ProgramLog.h"
#include "store/Backups.h"
#include "store/Database.h"
#include "store/FormulaTable.h"
#include "store/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaMethod>
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

bool Session::databaseExists(const QString& dataDir) {
    // A dangling link or a path over the system's limit is something to report, not an empty history.
    const QString path = QDir(dataDir).filePath(QString::fromLatin1(Database::FileName));
    return !Platform::overLong(path).isEmpty() ||
           Platform::status(path, false).kind != Platform::FileKind::Missing;
}

void Session::logFailure(const Error& error) {
    qCWarning(lcTalven).noquote() << error.shown() +
                                         (error.detail.isEmpty() ? QString() : u"\n"_s + error.detail);
}

Result<std::unique_ptr<Session>> Session::open(const QString& dataDir, QSettings& settings) {
    auto opened = openIn(dataDir, settings);
    if (!opened)
        logFailure(opened.error());
    return opened;
}

Result<std::unique_ptr<Session>> Session::openIn(const QString& dataDir, QSettings& settings) {
    // The system's limits, named as such instead of "cannot create" further down.
    if (QFile::encodeName(QDir(dataDir).absolutePath()).size() >= Platform::pathLimit() - 16)
        return Error{u"数据目录的路径太长，超过系统上限 %1 字节"_s.arg(Platform::pathLimit()), ErrorCode::Io};
    for (const QString& part : QDir(dataDir).absolutePath().split(u'/'))
        if (QFile::encodeName(part).size() > Platform::nameLimit())
            return Error{u"数据目录路径中的“%1…”太长，超过系统上限 %2 字节"_s.arg(part.left(20))
                             .arg(Platform::nameLimit()),
                         ErrorCode::Io};
    if (!QDir().mkpath(dataDir))
        return Error{u"无法创建数据目录 %1"_s.arg(dataDir), ErrorCode::Io};
    std::unique_ptr<Session> s(new Session(dataDir, settings));
    // The settings store is read here, on the session's thread, never on the database thread.
    s->m_savedOptions = Settings(settings).load();
    // The connection is opened on the thread that is to use it.
    Result<void> started;
    s->m_dbThread->call([&] { started = s->openDatabase(); });
    if (!started)
        return started.error();
    return s;
}

Result<void> Session::openDatabase() {
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
    removeLeftovers(m_dataDir);
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
    run(ChangeKinds::DataVersion{}).then(this, [this](const Result<int>& version) {
        m_checkingOthers = false;
        // A change that ran meanwhile read the database again itself.
        if (m_busy || !version || version.value() == m_state->dataVersion())
            return;
        reload().then(this, [this](const Result<void>& done) {
            if (done)
                emit reloadedAfterOtherProgram();
        });
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
              : u"但修改前的数据库未能存为备份：%1"_s.arg(kept.error().shown()));
    return true;
}

Result<void> Session::refusal(ChangeKinds::Access access) const {
    using ChangeKinds::Access;
    if (access == Access::Peek)
        return {};
    if (m_busy)
        return Error{u"正在进行其他操作，请稍候再试"_s, ErrorCode::InProgress};
    const bool writes = access == Access::Change || access == Access::Store;
    if (writes && !m_readOnlyReason.isEmpty())
        return Error{m_readOnlyReason, ErrorCode::ReadOnly};
    return {};
}

bool Session::viewsWatch() const {
    static const QMetaMethod changedSignal = QMetaMethod::fromSignal(&Session::changed);
    return isSignalConnected(changedSignal);
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
        ChangeContext ctx(*m_db, m_dataDir, progress);
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

template <typename Kind>
Pending<typename Kind::Value> Session::run(Kind kind, Settle<typename Kind::Value> settle) {
    using Value = typename Kind::Value;
    using ChangeKinds::Access;
    constexpr Access access = ChangeKinds::accessOf<Kind>();
    constexpr bool changesState = access == Access::Change || access == Access::Repair;
    if (auto refused = refusal(access); !refused) {
        logFailure(refused.error());
        return Pending<Value>::done(refused.error());
    }
    Outcome outcome{};
    if constexpr (changesState)
        outcome = {.emits = Kind::emits, .undo = kind.undoOffer(*m_state), .keepsUndo = Kind::keepsUndo};
    const bool onCopy = changesState && viewsWatch();
    if (access != Access::Peek)
        setBusy(true);
    PendingPromise<Value> promise;
    struct Run {
        std::optional<Result<Value>> result;
        std::unique_ptr<SessionState> copy;
        bool reloaded = false;
    };
    auto done = std::make_shared<Run>();
    const ProgressFn progress = access == Access::Peek ? ProgressFn{} : progressReporter();
    m_dbThread->post(
        [this, kind = std::move(kind), settle = std::move(settle), outcome, onCopy, done, promise, progress] {
            if constexpr (changesState) {
                const ChangeFn<Value> change = [&kind](SessionState& s, ChangeContext& ctx) {
                    return kind.apply(s, ctx);
                };
                if (onCopy) {
                    // The copy is made here, not on the window's thread: the state is only read meanwhile.
                    done->copy = std::make_unique<SessionState>(*m_state);
                    done->result.emplace(execute(done->copy, change, false, done->reloaded, progress));
                } else {
                    done->result.emplace(execute(m_state, change, true, done->reloaded, progress));
                }
            } else {
                ChangeContext ctx(*m_db, m_dataDir, progress);
                done->result.emplace(kind.apply(std::as_const(*m_state), ctx));
            }
            QMetaObject::invokeMethod(
                this,
                [this, settle, outcome, done, promise] {
                    Result<Value>& result = *done->result;
                    const bool ok = result.ok();
                    if (ok && done->copy)
                        m_state = std::move(done->copy);
                    if (ok && settle)
                        if (auto settled = settle(result); !settled)
                            result = settled.error();
                    if constexpr (changesState) {
                        Outcome settledOutcome = outcome;
                        // An append that found nothing new changed nothing: the earlier undo stays.
                        if constexpr (std::is_same_v<Kind, ChangeKinds::AppendHistory>)
                            if (ok && result->stored == 0)
                                settledOutcome = {.emits = {}, .undo = std::nullopt, .keepsUndo = true};
                        // The new state is in place before anyone may start the next change.
                        if (ok)
                            succeeded(settledOutcome, done->reloaded);
                        else if (done->reloaded)
                            succeeded({.emits = EverythingChanged}, true);
                    }
                    if (access != Access::Peek)
                        setBusy(false);
                    if (!result)
                        logFailure(result.error());
                    promise.finish(std::move(result));
                },
                Qt::QueuedConnection);
        });
    return promise.pending();
}

void Session::succeeded(const Outcome& outcome, bool reloaded) {
    // An offer is made for the state the change saw; another program's change ends it.
    if (reloaded || !outcome.keepsUndo)
        m_undo = reloaded ? std::nullopt : outcome.undo;
    emit changed((reloaded ? EverythingChanged : outcome.emits) | UndoChanged);
}

Pending<ImportPreview> Session::previewImport(const ImportSource& source) {
    return run(ChangeKinds::PreviewImport{source});
}

Pending<ImportReport> Session::importHistory(const ImportPreview& preview, bool force) {
    return run(ChangeKinds::ImportHistory{preview.path, preview, force});
}

Pending<ImportReport> Session::appendHistory(const ImportPreview& preview, bool force) {
    return run(ChangeKinds::AppendHistory{preview.path, preview, force});
}

Pending<ImportReport> Session::importHistory(const QString& path, bool force) {
    return run(ChangeKinds::ImportHistory{path, std::nullopt, force});
}

Pending<ImportReport> Session::appendHistory(const QString& path, bool force) {
    return run(ChangeKinds::AppendHistory{path, std::nullopt, force});
}

Pending<void> Session::addDraw(const std::array<int, 7>& numbers, std::optional<Period> period) {
    return run(ChangeKinds::AddDraw{numbers, period});
}

Pending<void> Session::deleteLastDraw() {
    return run(ChangeKinds::DeleteLastDraw{});
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
    // Saved here, on the session's thread, once the rows it rewrote are committed.
    auto save = [this, key, saved](const Result<void>&) -> Result<void> {
        if (auto stored = Settings(m_settings).save(key, saved); !stored)
            return stored;
        m_savedOptions = saved;
        return {};
    };
    if (!(effective == options()))
        return run(ChangeKinds::SetOptions{effective}, save);
    return run(ChangeKinds::SaveOption{}, [this, save](const Result<void>& done) -> Result<void> {
        if (auto saving = save(done); !saving)
            return saving;
        emit changed(OptionsChanged);
        return {};
    });
}

Pending<void> Session::addFormula(const QString& text, FormulaKind kind, bool kill) {
    return run(ChangeKinds::AddFormula{text, kind, kill});
}

Pending<FormulaImportReport> Session::importFormulas(const QString& path, bool kill) {
    return run(ChangeKinds::ImportFormulas{path, kill});
}

Pending<FormulaImportReport> Session::addFormulas(const QStringList& texts, FormulaKind kind, bool kill) {
    return run(ChangeKinds::AddFormulas{texts, kind, kill});
}

Pending<void> Session::deleteFormula(int idx) {
    return run(ChangeKinds::DeleteFormula{idx});
}

Pending<void> Session::editFormula(int idx, const QString& text) {
    return run(ChangeKinds::EditFormula{idx, text});
}

Pending<void> Session::recompute() {
    return run(ChangeKinds::Recompute{});
}

Pending<void> Session::restoreBackup(int generation) {
    // Allowed while the database is only shown (Access::Repair): a restored copy with damaged rows
    // must be replaceable by restoring again.
    return run(ChangeKinds::RestoreBackup{generation}, [this](const Result<void>&) {
        checkDamage();
        return Result<void>();
    });
}

Pending<void> Session::reload() {
    return run(ChangeKinds::Reload{});
}

Pending<void> Session::undo() {
    if (!m_undo)
        return Pending<void>::done(Error{u"没有可以撤销的操作"_s});
    // Undoing an import restores a backup, which may hold damaged rows.
    return run(ChangeKinds::Undo{*m_undo}, [this](const Result<void>&) {
        checkDamage();
        return Result<void>();
    });
}

void Session::checkDamage() {
    m_readOnlyReason = Damage::firstIn(*m_state);
}

Pending<void> Session::runReading(std::function<Result<void>(const ProgressFn&)> job) {
    return run(ChangeKinds::Reading{std::move(job)});
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
                                             std::optional<FormulaKind> kindFilter) const {
    return m_state->errorValues(atPeriod, kindFilter);
}

Pending<ErrorValueTable> Session::predict(std::optional<Period> atPeriod,
                                          std::optional<FormulaKind> kindFilter) {
    return run(ChangeKinds::Predict{atPeriod, kindFilter},
               [this, atPeriod](const Result<ErrorValueTable>& values) -> Result<void> {
                   m_lastErrorValues = values.value();
                   m_lastErrorValuesPeriod = atPeriod;
                   emit changed(ErrorValuesChanged);
                   return {};
               });
}

Pending<SelectionBacktestReport> Session::backtestSelection(SelectionBacktestRequest request,
                                                            std::shared_ptr<std::atomic<bool>> cancel) {
    return run(ChangeKinds::BacktestSelection{std::move(request), std::move(cancel)});
}

Pending<ErrorValueTable> Session::storedErrorValues() {
    return run(ChangeKinds::StoredErrorValues{});
}

} // namespace talven
