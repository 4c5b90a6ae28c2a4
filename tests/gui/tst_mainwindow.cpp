#include "ScriptedPrompts.h"
#include "models/HistoryGridModel.h"
#include "session/Session.h"
#include "windows/MainWindow.h"

#include <QLabel>
#include <QSettings>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace Qt::StringLiterals;
using namespace talven;
using namespace talven::test;

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
