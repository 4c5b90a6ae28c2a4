#include "SessionFixture.h"
#include "models/ErrorValueModel.h"
#include "models/FormulaListModel.h"
#include "models/HistoryGridModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace talven;
using namespace talven::test;

class TestModels : public QObject {
    Q_OBJECT

private slots:
    void modelsPassTheModelTester() {
        Fixture f;
        QVERIFY(f.reopen());
        QVERIFY(f.importHistory(f.write(u"h.txt"_s, history)).ok());
        QVERIFY(f.addFormula(u"[D单特类]特码数+3"_s, 0, true));
        QVERIFY(f.addFormula(u"[L生肖类]平一肖+总期数"_s, 1, false));
        HistoryGridModel grid(*f.session);
        grid.setShowFormulas(true);
        QAbstractItemModelTester t1(&grid, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(grid.columnCount(), 13);
        QCOMPARE(grid.headerData(12, Qt::Horizontal).toString(), u"公式2"_s);
        QCOMPARE(grid.index(6, HistoryGridModel::Special).data().toString(), u"49"_s);
        FormulaListModel list(*f.session);
        QAbstractItemModelTester t2(&list, QAbstractItemModelTester::FailureReportingMode::QtTest);
        list.setKindFilter(1);
        QCOMPARE(list.rowCount(), 1);
        QCOMPARE(list.ordinalOfRow(0), 2);
        QCOMPARE(list.index(0, FormulaListModel::Kind).data().toString(), u"生肖"_s);
        QCOMPARE(list.index(0, FormulaListModel::KillKeep).data().toString(), u"生"_s);
        list.setChinese(true);
        QCOMPARE(list.index(0, FormulaListModel::Formula).data().toString(), u"L平一肖+总期数"_s);
    }
};

QTEST_GUILESS_MAIN(TestModels)
#include "tst_models.moc"
