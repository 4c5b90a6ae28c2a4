// The selection back-test window: both modes give the back-test's own figures, a run can be
// cancelled, the walk-forward mode needs the filter's criteria, and the window works at 960×540.
#include "Samples.h"
#include "ScriptedPrompts.h"
#include "SessionFixture.h"
#include "models/SelectionBacktestModel.h"
#include "widgets/GridView.h"
#include "widgets/SelectionBacktestChart.h"
#include "windows/MainWindow.h"
#include "windows/SelectionBacktestWindow.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace talven;
using namespace talven::test;

class TestSelectionBacktestWindow : public QObject {
    Q_OBJECT

    Fixture f;
    ScriptedPrompts prompts;
    std::optional<FilterWindow::Applied> filter;

    SelectionBacktestWindow::Sources sources() {
        return {[this] { return filter; }, [] { return std::optional<int>(); }};
    }
    SelectionBacktestReport core(SelectionBacktestRequest request) {
        return SelectionBacktest(f.session->state().engine()).run(request).value();
    }

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(f.reopen());
        QVERIFY(f.importHistory(sample("history.txt")));
        QVERIFY(f.importFormulas(sample("formulas.txt"), true));
        std::vector<bool> some(f.session->formulas().size(), false);
        some[0] = some[1] = some[2] = true;
        f.session->setSelection(some);
    }
    void init() {
        prompts.shown.clear();
        filter.reset();
    }

    void bothModesShowTheBacktest() {
        SelectionBacktestWindow window(*f.session, prompts, sources());
        window.show();
        // Walk-forward before any filter was applied: the user is asked to set one first.
        window.modeBox()->setCurrentIndex(1);
        QTest::mouseClick(window.startButton(), Qt::LeftButton);
        QCOMPARE(prompts.shown.size(), 1);
        QVERIFY(prompts.shown[0].text.contains(u"公式过滤设置"_s));
        QVERIFY(!window.running());

        SelectionBacktestRequest request;
        request.last = 100;
        request.selection = f.session->selection();
        window.modeBox()->setCurrentIndex(0);
        window.drawsBox()->setCurrentIndex(1);
        QTest::mouseClick(window.startButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!window.running(), 30000);
        SelectionBacktestReport expected = core(request);
        QCOMPARE(window.model()->report().rows, expected.rows);
        QCOMPARE(window.summaryText(),
                 u"当前选择（样本内）："_s + SelectionBacktestModel::summaryLine(expected.summary));
        QCOMPARE(window.chart()->runningHitRate().size(), expected.rows.size());
        QVERIFY(window.exportButton()->isEnabled());

        filter = FilterWindow::Applied{FormulaFilter::Criteria::unbounded(), QList<int>{1, 2, 3, 4, 5, 6}};
        filter->criteria.ranges[Figures::Accuracy] = {97, 100};
        request.mode = SelectionBacktestRequest::Mode::WalkForward;
        request.criteria = filter->criteria;
        request.ordinals = filter->ordinals;
        request.last = 200;
        window.modeBox()->setCurrentIndex(1);
        window.drawsBox()->setCurrentIndex(2);
        QTest::mouseClick(window.startButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!window.running(), 30000);
        expected = core(request);
        QCOMPARE(window.model()->rowCount(), static_cast<int>(expected.rows.size()));
        QCOMPARE(window.model()->report().rows, expected.rows);
        QCOMPARE(window.summaryText(),
                 u"按过滤条件逐期选择（样本外）："_s + SelectionBacktestModel::summaryLine(expected.summary));
        QCOMPARE(prompts.shown.size(), 1);

        // The table goes out through the shared exporter.
        const QString chosen = QDir(f.session->dataDir()).filePath(u"组合.csv"_s);
        prompts.saveFileAnswers = {chosen};
        QSignalSpy exported(&window, &SelectionBacktestWindow::exported);
        QTest::mouseClick(window.exportButton(), Qt::LeftButton);
        QTRY_COMPARE(exported.size(), 1);
        QVERIFY(QFileInfo(chosen).size() > 0);
    }

    void cancelStopsARun() {
        // Enough work that the cancel arrives while the run is going; a run that still won the race
        // on a loaded machine is tried again.
        Fixture g;
        QVERIFY(g.reopen());
        QVERIFY(g.importHistory(sample("history.txt")));
        for (int copy = 0; copy < 8; ++copy)
            QVERIFY(g.importFormulas(sample("formulas.txt"), true));
        filter = FilterWindow::Applied{FormulaFilter::Criteria::unbounded(), std::nullopt};
        filter->criteria.z = FormulaFilter::Range{-99, 99};
        SelectionBacktestWindow window(*g.session, prompts, sources());
        window.show();
        window.modeBox()->setCurrentIndex(1);
        window.drawsBox()->setCurrentIndex(window.drawsBox()->count() - 1); // 全部
        bool cancelled = false;
        for (int attempt = 0; attempt < 5 && !cancelled; ++attempt) {
            window.start();
            QVERIFY(window.running());
            QVERIFY(window.cancelButton()->isEnabled() && !window.startButton()->isEnabled());
            QTest::mouseClick(window.cancelButton(), Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(!window.running(), 30000);
            cancelled = window.progressBar()->format() == u"已取消"_s;
        }
        QVERIFY(cancelled);
        QVERIFY(window.startButton()->isEnabled());
        QVERIFY(waitIdle(*g.session));
    }

    // Every control is named and reachable in a 960×540 window.
    void smallWindowKeepsEveryControl() {
        SelectionBacktestWindow window(*f.session, prompts, sources());
        window.resize(960, 540);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.minimumSizeHint().width() <= 960 && window.minimumSizeHint().height() <= 540);
        QCOMPARE(window.size(), QSize(960, 540));
        const QList<QWidget*> controls{window.drawsBox(),
                                       window.modeBox(),
                                       window.startButton(),
                                       window.cancelButton(),
                                       window.exportButton(),
                                       window.progressBar(),
                                       static_cast<QWidget*>(window.chart()),
                                       window.grid()};
        for (QWidget* w : controls) {
            QVERIFY2(!w->accessibleName().isEmpty() && !w->objectName().isEmpty(),
                     qPrintable(w->objectName()));
            const QRect inWindow(w->mapTo(&window, QPoint(0, 0)), w->size());
            QVERIFY2(window.rect().contains(inWindow) && w->height() > 0, qPrintable(w->accessibleName()));
        }
        for (QLabel* label : window.findChildren<QLabel*>())
            QVERIFY(label->buddy() || !label->accessibleName().isEmpty());
    }

    // The walk-forward mode reads what the filter's OK last applied, ranges and formulas alike.
    void filterKeepsWhatItApplied() {
        const std::vector<bool> before = f.session->selection();
        FilterWindow window(*f.session, prompts);
        QVERIFY(!window.lastApplied());
        window.setShownOrdinals(QList<int>{1, 2, 3});
        window.show();
        window.lowerEdit(Figures::Accuracy)->setText(u"90"_s);
        window.zRange()->setChecked(true);
        window.zLowerEdit()->setText(u"-1"_s);
        window.zUpperEdit()->setText(u"5"_s);
        QVERIFY(window.apply());
        const auto applied = window.lastApplied();
        QVERIFY(applied);
        QCOMPARE(applied->ordinals, std::optional(QList<int>{1, 2, 3}));
        QCOMPARE(applied->criteria.ranges[Figures::Accuracy].lower, 90.0);
        QVERIFY(applied->criteria.z && applied->criteria.z->lower == -1 && applied->criteria.z->upper == 5);
        QVERIFY(!applied->criteria.recent);
        // A refused bound leaves the criteria applied before.
        window.show();
        window.upperEdit(Figures::Accuracy)->setText(u"x"_s);
        QVERIFY(!window.apply());
        QCOMPARE(window.lastApplied()->criteria.ranges[Figures::Accuracy].lower, 90.0);
        f.session->setSelection(before);
    }

    void mainWindowOpensOneWindow() {
        MainWindow main(*f.session, prompts);
        main.show();
        auto* button = main.findChild<QPushButton*>(u"selectionBacktestButton"_s);
        QVERIFY(button);
        QCOMPARE(button->accessibleName(), u"组合验算"_s);
        QTest::mouseClick(button, Qt::LeftButton);
        SelectionBacktestWindow* window = main.findChild<SelectionBacktestWindow*>();
        QVERIFY(window && window->isVisible() && !window->isModal());
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(main.findChild<SelectionBacktestWindow*>(), window);
        window->close();
    }
};

QTEST_MAIN(TestSelectionBacktestWindow)
#include "tst_selectionbacktestwindow.moc"
