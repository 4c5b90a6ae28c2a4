#include "SessionFixture.h"
#include "common/ModelRoles.h"
#include "models/ErrorValueModel.h"
#include "models/FormulaListModel.h"
#include "models/HistoryGridModel.h"

#include <QAbstractItemModelTester>
#include <QSet>
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
        list.setKindFilter(FormulaKind::Zodiac);
        QCOMPARE(list.rowCount(), 1);
        QCOMPARE(list.ordinalOfRow(0), 2);
        QCOMPARE(list.index(0, FormulaListModel::Kind).data().toString(), u"生肖"_s);
        QCOMPARE(list.index(0, FormulaListModel::KillKeep).data().toString(), u"生"_s);
        list.setChinese(true);
        QCOMPARE(list.index(0, FormulaListModel::Formula).data().toString(), u"L平一肖+总期数"_s);
    }

    // The models follow the session's changes by themselves: nothing but the session is called.
    void modelsFollowTheSession() {
        Fixture f;
        QVERIFY(f.reopen());
        HistoryGridModel grid(*f.session);
        grid.setShowFormulas(true);
        FormulaListModel list(*f.session);
        ErrorValueModel errors(*f.session);
        QSignalSpy listChanged(&list, &QAbstractItemModel::dataChanged);
        QCOMPARE(grid.rowCount(), 0);
        QVERIFY(f.importHistory(f.write(u"h.txt"_s, history)).ok());
        QCOMPARE(grid.rowCount(), 7);
        QVERIFY(f.addDraw({1, 2, 3, 4, 5, 6, 7}));
        QCOMPARE(grid.index(7, HistoryGridModel::Period).data().toString(), u"2026006"_s);
        QVERIFY(f.addFormula(u"[D单特类]特码数+3"_s, 0, true));
        QCOMPARE(list.rowCount(), 1);
        QCOMPARE(grid.columnCount(), HistoryGridModel::FirstFormula + 1);
        QVERIFY(!list.index(0, FormulaListModel::NextResult).data().toString().isEmpty());
        f.session->setSelected(1, false);
        QCOMPARE(listChanged.size(), 1);
        QVERIFY(list.index(0, FormulaListModel::NextResult).data().toString().isEmpty());
        QVERIFY(!list.index(0, FormulaListModel::RowNumber).data(FormulaListModel::SelectedRole).toBool());
        f.session->setSelected(1, true);
        QVERIFY(f.session->predict().wait().ok());
        QCOMPARE(errors.rowCount(), 49);
        QCOMPARE(errors.rows(),
                 ErrorValueModel::ranked(f.session->lastErrorValues(), ErrorValueModel::RuledOut, false));
        QVERIFY(f.deleteFormula(1));
        QCOMPARE(list.rowCount(), 0);
        QCOMPARE(grid.columnCount(), HistoryGridModel::FirstFormula);
    }

    // Each figure has its own column, titles and key, and the list heads it as the table says.
    void figureColumnsFollowTheTable() {
        Fixture f;
        QVERIFY(f.reopen());
        FormulaListModel list(*f.session);
        QSet<QString> titles, jsonKeys, exportTitles;
        for (int c = 0; c < FormulaListModel::ColumnCount; ++c)
            if (c != FormulaListModel::FormulaNumber)
                titles.insert(list.headerData(c, Qt::Horizontal).toString());
        QCOMPARE(titles.size(), FormulaListModel::ColumnCount - 1);
        for (const Figures::Info& figure : Figures::table) {
            const int c = FormulaListModel::column(figure.key);
            QCOMPARE(FormulaListModel::figureAt(c), std::optional(figure.key));
            QCOMPARE(list.headerData(c, Qt::Horizontal).toString(), Figures::title(figure.key));
            QCOMPARE(list.headerData(c, Qt::Horizontal, Qt::ToolTipRole).toString(),
                     Figures::tooltip(figure.key));
            QCOMPARE(list.headerData(c, Qt::Horizontal, ModelRoles::ExportTitle).toString(),
                     Figures::exportTitle(figure.key));
            QCOMPARE(Figures::byJsonKey(Figures::jsonKey(figure.key)), std::optional(figure.key));
            jsonKeys.insert(Figures::jsonKey(figure.key));
            exportTitles.insert(Figures::exportTitle(figure.key));
        }
        QCOMPARE(jsonKeys.size(), int(Figures::Count));
        QCOMPARE(exportTitles.size(), int(Figures::Count));
        QVERIFY(!FormulaListModel::figureAt(FormulaListModel::FormulaNumber));
    }
};

QTEST_GUILESS_MAIN(TestModels)
#include "tst_models.moc"
