#include "Samples.h"
#include "ScriptedPrompts.h"
#include "SessionFixture.h"
#include "formula/FormulaInput.h"
#include "models/DiscoveryResultModel.h"
#include "widgets/GridView.h"
#include "windows/DiscoveryWindow.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace talven;
using namespace talven::test;

class TestDiscoveryWindow : public QObject {
    Q_OBJECT

    Fixture f;
    ScriptedPrompts prompts;

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(f.reopen());
        QVERIFY(f.importHistory(sample("history.txt")));
    }
    void init() { prompts.shown.clear(); }

    void searchShowsBothRecordsAndAddsCheckedRows() {
        DiscoveryWindow window(*f.session, prompts);
        window.show();
        window.kindBox()->setCurrentIndex(1);
        QTest::mouseClick(window.keepButton(), Qt::LeftButton, {},
                          QPoint(6, window.keepButton()->height() / 2));
        QVERIFY(window.keepButton()->isChecked());
        window.candidatesBox()->setValue(300);
        QVERIFY(window.cautionText().contains(u"过去的开奖不能预测未来的开奖"_s));
        QTest::mouseClick(window.startButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!window.running(), 30000);
        DiscoveryResultModel* results = window.model();
        QCOMPARE(results->rowCount(), 20);
        QCOMPARE(results->report().tried, 300);
        QVERIFY(window.chanceText().contains(u"候选平均正确率"_s));
        QVERIFY(window.cautionText().contains(u"试了 300 条候选公式"_s));
        QVERIFY(window.cautionText().contains(u"回落到随机水平"_s));
        QVERIFY(prompts.shown.isEmpty());

        // Space on a rank cell checks the row.
        GridView* grid = window.grid();
        for (int row : {2, 0}) {
            grid->setCurrentIndex(results->index(row, DiscoveryResultModel::Rank));
            QTest::keyClick(grid, Qt::Key_Space);
        }
        const QStringList checked = results->checkedFormulas();
        QCOMPARE(checked.size(), 2);
        QCOMPARE(checked.first(), results->report().formulas[0].formula);
        const size_t before = f.session->formulas().size();
        QTest::mouseClick(window.addButton(), Qt::LeftButton);
        QTRY_COMPARE(prompts.shown.size(), 1);
        QVERIFY2(prompts.shown[0].text.contains(u"已添加 2 条"_s), qPrintable(prompts.shown[0].text));
        QCOMPARE(f.session->formulas().size(), before + 2);
        const FormulaRow& added = f.session->formulas()[before];
        QCOMPARE(added.code, FormulaInput::translateTyped(checked.first()).value());
        QCOMPARE(added.kind, 1);
        QVERIFY(!added.kill);
    }

    void cancelStopsPromptlyAndTheWindowStaysUsable() {
        QPointer<DiscoveryWindow> window = new DiscoveryWindow(*f.session, prompts);
        window->show();
        window->candidatesBox()->setValue(window->candidatesBox()->maximum());
        QTest::mouseClick(window->startButton(), Qt::LeftButton);
        QVERIFY(window->running());
        QVERIFY(!window->startButton()->isEnabled() && window->cancelButton()->isEnabled());
        // Progress arrives while the search runs: the window's thread is free.
        QTRY_VERIFY_WITH_TIMEOUT(window->progressBar()->value() > 0, 20000);
        QElapsedTimer sinceCancel;
        sinceCancel.start();
        QTest::mouseClick(window->cancelButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!window->running(), 500);
        QVERIFY2(sinceCancel.elapsed() < 500, qPrintable(QString::number(sinceCancel.elapsed())));
        QVERIFY(window->startButton()->isEnabled() && !window->cancelButton()->isEnabled());
        QVERIFY(window->cautionText().contains(u"已取消"_s));
        QVERIFY(window->model()->rowCount() > 0);

        // Another search runs to its end.
        window->candidatesBox()->setValue(100);
        QTest::mouseClick(window->startButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!window->running(), 30000);
        QCOMPARE(window->model()->report().tried, 100);
        QVERIFY(!window->cautionText().contains(u"已取消"_s));

        // A history too short for the held-out draws is refused before anything starts.
        window->holdoutBox()->setValue(window->holdoutBox()->maximum());
        QTest::mouseClick(window->startButton(), Qt::LeftButton);
        QVERIFY(!window->running());
        QCOMPARE(prompts.shown.size(), 1);
        QVERIFY(prompts.shown[0].text.contains(u"留出的期数"_s));

        // Closing the window during a search stops it.
        window->holdoutBox()->setValue(100);
        window->candidatesBox()->setValue(window->candidatesBox()->maximum());
        QTest::mouseClick(window->startButton(), Qt::LeftButton);
        QVERIFY(window->running());
        window->close();
        QTRY_VERIFY(window.isNull());
    }
};

QTEST_MAIN(TestDiscoveryWindow)
#include "tst_discoverywindow.moc"
