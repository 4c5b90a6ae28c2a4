#pragma once

// A session in a fresh data directory with its own settings file, for the tests of the session,
// the models and the windows.

#include "session/OptionTexts.h"
#include "session/Session.h"
#include "store/Database.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace talven::test {

// Waits until the session has been idle for a few turns of the event loop: an outcome's
// continuation (a preview answered, then the import it starts) runs only after the event loop
// turned, so one idle moment between two operations is not the end.
inline bool waitIdle(const Session& session, int timeoutMs = 30000) {
    QDeadlineTimer deadline(timeoutMs);
    int quietTurns = 0;
    while (!deadline.hasExpired()) {
        QTest::qWait(5);
        quietTurns = session.busy() ? 0 : quietTurns + 1;
        if (quietTurns >= 4)
            return true;
    }
    return false;
}

// Seven draws across a year end: 2025149 .. 2026005, numbers 1..49 in order.
inline const QByteArray history = "2025149 01 02 03 04 05 06 07\n"
                                  "2025150 08 09 10 11 12 13 14\n"
                                  "2026001 15 16 17 18 19 20 21\n"
                                  "2026002 22 23 24 25 26 27 28\n"
                                  "2026003 29 30 31 32 33 34 35\n"
                                  "2026004 36 37 38 39 40 41 42\n"
                                  "2026005 43 44 45 46 47 48 49\n";

// A fresh data directory with its own settings file.
struct Fixture {
    QTemporaryDir dir;
    QSettings settings{dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat};
    std::unique_ptr<Session> session;

    // Opens the session; a test checks the result with QVERIFY(f.reopen()).
    bool reopen() {
        session.reset();
        auto s = Session::open(dir.path(), settings);
        if (!s.ok())
            qWarning("%s", qPrintable(s.message()));
        session = s.ok() ? std::move(s.value()) : nullptr;
        return session != nullptr;
    }

    // The changes, waited for.
    Result<ImportReport> importHistory(const QString& path) { return session->importHistory(path).wait(); }
    Result<FormulaImportReport> importFormulas(const QString& path, bool kill) {
        return session->importFormulas(path, kill).wait();
    }
    Result<void> addDraw(const std::array<int, 7>& numbers, std::optional<int> period = std::nullopt) {
        return session->addDraw(numbers, period ? std::optional(Period(*period)) : std::nullopt).wait();
    }
    Result<void> deleteLastDraw() { return session->deleteLastDraw().wait(); }
    Result<void> addFormula(const QString& text, int kind, bool kill) {
        return session->addFormula(text, static_cast<FormulaKind>(kind), kill).wait();
    }
    Result<void> deleteFormula(int idx) { return session->deleteFormula(idx).wait(); }
    // An option set and read by its name and text, as the settings command does.
    Result<void> setOption(const QString& name, const QString& text) {
        const auto key = OptionTexts::keyNamed(name);
        if (!key)
            return Error{QStringLiteral("没有这个设置项：%1").arg(name)};
        const Result<int> value = OptionTexts::parse(*key, text);
        if (!value)
            return value.error();
        return session->setOption(*key, value.value()).wait();
    }
    QString optionText(const QString& name) const {
        const auto key = OptionTexts::keyNamed(name);
        return key ? OptionTexts::text(session->savedOptions(), *key) : QString();
    }
    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    }
    // The first `n` draws of `history` in a file of their own.
    QString firstDraws(int n) {
        return write(QStringLiteral("h%1.txt").arg(n), history.split('\n').mid(0, n).join('\n'));
    }
    QString dbPath() const { return dir.filePath(QStringLiteral("orvane.mdb")); }
    // Runs SQL on a connection of its own, as another program would: to damage the file on purpose.
    Result<void> exec(const QString& sql) const {
        auto db = Database::open(dbPath());
        return db ? db.value()->exec(sql) : Result<void>(db.error());
    }
};

} // namespace talven::test
