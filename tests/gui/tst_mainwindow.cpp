#include "models/HistoryGridModel.h"
#include "prompts/Prompts.h"
#include "session/Session.h"
#include "windows/MainWindow.h"

#include <QLabel>
#include <QSettings>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace talven;

namespace {

// Answers every dialog from a script and records what was shown, so no modal box ever blocks.
class ScriptedPrompts : public Prompts {
public:
    QStringList shown;
    void information(QWidget*, const QString& title, const QString& text) override { shown << title + text; }
    void warning(QWidget*, const QString& title, const QString& text) override { shown << title + text; }
    bool question(QWidget*, const QString& title, const QString& text) override {
        shown << title + text;
        return true;
    }
    QString inputText(QWidget*, const QString&, const QString&, const QString& defaultText) override {
        return defaultText;
    }
    QString openFile(QWidget*, const QString&, const QString&, const QString&) override { return QString(); }
    void openLocalFile(const QString& path) override { shown << path; }
};

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void showsHistoryAndNextPeriod() {
        QTemporaryDir dir;
        QSettings settings(dir.filePath(u"s.ini"_s), QSettings::IniFormat);
        auto session = Session::open(dir.path(), settings);
        QVERIFY(session.ok());
        QVERIFY(session.value()
                    ->importHistory(QStringLiteral(TALVEN_SOURCE_DIR "/samples/history.txt"))
                    .wait()
                    .ok());
        ScriptedPrompts prompts;
        MainWindow window(*session.value(), prompts);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.historyModel()->rowCount(), 4051);
        const auto labels = window.findChildren<QLabel*>();
        QVERIFY(std::any_of(labels.begin(), labels.end(),
                            [](QLabel* l) { return l->text() == u"在此输入2026152 期历史号码:"_s; }));
        auto* view = window.findChild<QTableView*>();
        QVERIFY(view);
        QCOMPARE(view->toolTip(), u"鼠标双击列表可以将列表导出到EXCEL"_s);
        QVERIFY(prompts.shown.isEmpty());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
