#include "models/SelectionBacktestModel.h"

#include <QAbstractItemModelTester>
#include <QTest>

using namespace talven;
using namespace Qt::StringLiterals;

class TestSelectionBacktestModel : public QObject {
    Q_OBJECT

private slots:
    void rowsAndTitles() {
        SelectionBacktestModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        SelectionBacktestReport report;
        report.largestNumber = 49;
        report.rows = {
            {.draw = 5,
             .period = 2026005,
             .special = 7,
             .errorValue = 0,
             .rank = 3.5,
             .tied = 6,
             .keptCount = 6,
             .hit = true},
            {.draw = 6, .period = 2026006, .special = 40, .errorValue = 2, .rank = 41, .keptCount = 0}};
        model.setReport(report);
        QCOMPARE(model.rowCount(), 2);
        QStringList titles, first, second;
        for (int c = 0; c < model.columnCount(); ++c) {
            titles.append(model.headerData(c, Qt::Horizontal).toString());
            first.append(model.index(0, c).data().toString());
            second.append(model.index(1, c).data().toString());
        }
        QCOMPARE(titles,
                 (QStringList{u"期号"_s, u"特码"_s, u"被杀次数"_s, u"排名"_s, u"保留个数"_s, u"命中"_s}));
        QCOMPARE(first, (QStringList{u"2026005"_s, u"7"_s, u"0"_s, u"3.5"_s, u"6"_s, u"中"_s}));
        QCOMPARE(second, (QStringList{u"2026006"_s, u"40"_s, u"2"_s, u"41"_s, u"0"_s, u"否"_s}));
        model.setReport({});
        QCOMPARE(model.rowCount(), 0);
    }

    void texts_data() {
        QTest::addColumn<bool>("mostlyEmpty");
        QTest::addColumn<double>("edge");
        QTest::addColumn<QString>("line");
        QTest::newRow("kept") << false << 3.69
                              << u"保留命中 62/100 期，随机水平 58.31%，高于随机 3.69 个百分点，标准分 0.75；"
                                 u"特码平均排名 46.2%（随机 50%）"_s;
        QTest::newRow("mostly empty, below chance")
            << true << -1.2
            << u"特码平均排名 46.2%（随机 50%）；保留命中 62/100 期，随机水平 58.31%，低于随机 1.20 个百分点，标准分 0.75"_s;
    }
    void texts() {
        QFETCH(bool, mostlyEmpty);
        QFETCH(double, edge);
        QFETCH(QString, line);
        SelectionSummary s;
        s.hits = 62;
        s.draws = 100;
        s.againstChance = {true, 58.31, edge, 0.75};
        s.rankPercentile = 46.2;
        s.keptMostlyEmpty = mostlyEmpty;
        QCOMPARE(SelectionBacktestModel::summaryLine(s), line);
        QCOMPARE(SelectionBacktestModel::summaryLine({}), u"没有可计入的期数"_s);
        const std::vector<SkippedDraw> skipped{{2026001, 0}, {2026002, 0}, {2026003, 0},
                                               {2026004, 3}, {2026006, 3}, {2026007, 0}};
        QCOMPARE(SelectionBacktestModel::skippedLine(skipped),
                 u"未计入 6 期：2026001–2026003（未选公式，3 期）、2026004（所选公式均无值）、"
                 u"2026006（所选公式均无值）、2026007（未选公式）"_s);
        QCOMPARE(SelectionBacktestModel::skippedLine(skipped, 2),
                 u"未计入 6 期：2026001–2026003（未选公式，3 期）、2026004（所选公式均无值） 等"_s);
        QVERIFY(SelectionBacktestModel::skippedLine({}).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSelectionBacktestModel)
#include "tst_selectionbacktestmodel.moc"
