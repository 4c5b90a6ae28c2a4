// Times the main window with 1,536 formulas over 5,000 draws: start-up to a shown window beside the
// command line's `history`, and the everyday steps, each with the longest time the window's event
// loop was kept from running.
#include "BenchData.h"
#include "CliApp.h"
#include "prompts/Prompts.h"
#include "session/Session.h"
#include "windows/DrawEntryRow.h"
#include "windows/MainWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QTimer>

#include <cstdio>

using namespace talven;
using namespace talven::bench;
using namespace Qt::StringLiterals;

namespace {

// Answers every dialog at once: the benchmark measures the work, not a person reading boxes.
class SilentPrompts : public Prompts {
public:
    QString nextFile;
    void information(QWidget*, const QString&, const QString&) override {}
    void warning(QWidget*, const QString&, const QString& text) override {
        std::fprintf(stderr, "warning: %s\n", qPrintable(text));
    }
    bool question(QWidget*, const QString&, const QString&) override { return true; }
    QString inputText(QWidget*, const QString&, const QString&, const QString& d) override { return d; }
    QString openFile(QWidget*, const QString&, const QString&, const QString&) override { return nextFile; }
    QString saveFile(QWidget*, const QString&, const QString&, const QString&, QString*) override {
        return {};
    }
    bool openLocalFile(const QString&) override { return true; }
    bool openUrl(const QUrl&) override { return true; }
    ImportChoice previewImport(QWidget*, const ImportPreview&) override { return ImportChoice::Replace; }
};

// The longest gap between the ticks of a 5 ms timer while something runs: how long the event loop
// could not run.
class LoopWatch {
public:
    LoopWatch() {
        QObject::connect(&m_tick, &QTimer::timeout,
                         [this] { m_longest = std::max(m_longest, m_since.restart()); });
        m_tick.setInterval(5);
    }
    void start() {
        m_longest = 0;
        m_since.start();
        m_tick.start();
    }
    qint64 stop() {
        m_tick.stop();
        return std::max(m_longest, m_since.elapsed());
    }

private:
    QTimer m_tick;
    QElapsedTimer m_since;
    qint64 m_longest = 0;
};

// Runs a step of the window from the event loop and waits, with the loop running, until the
// session is idle again; prints its time and the longest block of the loop.
void measure(const char* what, Session& session, LoopWatch& watch, const std::function<void()>& step) {
    QElapsedTimer t;
    watch.start();
    t.start();
    QTimer::singleShot(0, step);
    QTest::qWait(20);
    while (session.busy())
        QTest::qWait(5);
    const qint64 total = t.elapsed();
    std::printf("%-58s %6lld ms   event loop blocked at most %4lld ms\n", what, total, watch.stop());
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QSettings settings(dir.filePath(u"bench.ini"_s), QSettings::IniFormat);
    const QString history = historyFile(dir.path(), 5000);
    const QString formulas = formulaFile(dir.path(), Database::MaxFormulas);
    {
        auto session = Session::open(dir.path(), settings);
        if (!session || !session.value()->importFormulas(formulas, true).wait() ||
            !session.value()->importHistory(history).wait()) {
            std::fprintf(stderr, "could not prepare the data\n");
            return 1;
        }
    }

    QElapsedTimer t;
    t.start();
    QString ignored;
    QTextStream out(&ignored), err(&ignored);
    CliApp::run({u"talven-cli"_s, u"--data-dir"_s, dir.path(), u"history"_s}, out, err);
    const qint64 cli = t.elapsed();

    t.restart();
    auto session = Session::open(dir.path(), settings);
    SilentPrompts prompts;
    MainWindow window(*session.value(), prompts);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    QApplication::processEvents();
    const qint64 shown = t.elapsed();
    std::printf("talven-cli history (reference):                            %6lld ms\n", cli);
    std::printf("start-up to a shown window with both grids filled:         %6lld ms (%+lld ms)\n", shown,
                shown - cli);

    Session& s = *session.value();
    LoopWatch watch;
    auto* option = window.findChild<QCheckBox*>(u"formulaColumns"_s);
    auto typeDraw = [&window](const QString& period) {
        auto* entry = window.findChild<DrawEntryRow*>(u"drawEntry"_s);
        if (!period.isEmpty())
            entry->periodBox()->setText(period);
        for (int i = 1; i <= 7; ++i)
            QTest::keyClicks(entry->box(i), u"%1"_s.arg(i * 7, 2, 10, QLatin1Char('0')));
    };
    auto click = [&window](const QString& caption) {
        for (QPushButton* b : window.findChildren<QPushButton*>())
            if (b->text() == caption)
                b->click();
    };
    measure("switch the formula columns on (whole back-test, compared)", s, watch, [&] { option->click(); });
    measure("switch them off", s, watch, [&] { option->click(); });
    measure("store an ordinary draw (typed)", s, watch, [&] { typeDraw(QString()); });
    measure("delete the last draw", s, watch, [&] { click(u"删除最后历史(&D)"_s); });
    const QString newYear = QString::number((s.currentYear() + 1) * 1000 + 1);
    measure("store a new year's first draw (every row rewritten)", s, watch, [&] { typeDraw(newYear); });
    measure("delete it, back across the year end", s, watch, [&] { click(u"删除最后历史(&D)"_s); });
    {
        // Typing a formula, with a person's pauses so that the preview runs in between.
        auto* text = window.findChild<QPlainTextEdit*>();
        text->setFocus();
        watch.start();
        QElapsedTimer typing;
        typing.start();
        for (const QChar c : u"[D单特类]平码一+平二肖*3+总期数-期数尾"_s) {
            text->insertPlainText(QString(c)); // as a keystroke or an input method would
            QTest::qWait(60);
        }
        QTest::qWait(300);
        std::printf("%-58s %6lld ms   event loop blocked at most %4lld ms\n",
                    "type a formula, previewed as it is typed", typing.elapsed(), watch.stop());
        text->clear();
    }
    prompts.nextFile = historyFile(dir.path(), 5000, 7, u"other.txt"_s);
    measure("import 5,000 other draws", s, watch, [&] { click(u"读取历史号码文本(&E)"_s); });
    return 0;
}
