// Times the next-period error values and the verification for a full formula set, the selection
// back-test in both modes, and the spreadsheet export of a history-sized grid.
#include "export/SpreadsheetExport.h"
#include "prediction/ErrorValuePredictor.h"
#include "prediction/SelectionBacktest.h"

#include <QAbstractTableModel>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace talven;
using namespace Qt::StringLiterals;

namespace {

constexpr int formulaCount = 1536;
constexpr int drawCount = 5000;

// A history-like grid: period, seven numbers, attribute texts and one predicted value per formula.
class HistoryLikeModel : public QAbstractTableModel {
public:
    int rowCount(const QModelIndex& = {}) const override { return drawCount + 1; }
    int columnCount(const QModelIndex& = {}) const override { return 1547; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole)
            return {};
        const int r = index.row();
        const int c = index.column();
        if (c == 0)
            return QString::number(2000001 + r);
        if (c <= 7)
            return m_numbers[(r * 7 + c * 13) % 49];
        if (c <= 10)
            return m_names[(r + c) % m_names.size()];
        return m_predicted[(r * 3 + c) % m_predicted.size()];
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
            return section < 11 ? u"列%1"_s.arg(section) : u"GS%1"_s.arg(section - 10);
        return {};
    }

private:
    QStringList m_numbers = [] {
        QStringList texts;
        for (int n = 1; n <= 49; ++n)
            texts.append(u"%1"_s.arg(n, 2, 10, QLatin1Char('0')));
        return texts;
    }();
    QStringList m_names = {u"鼠"_s, u"牛"_s, u"红"_s, u"蓝"_s, u"金"_s, u"木"_s};
    // Predicted values as the formula columns show them: numbers, names, names with a parity.
    QStringList m_predicted = {u"17"_s,   u"鼠"_s, u"3"_s,    u"红单"_s, u"49"_s,
                               u"小双"_s, u"2"_s,  u"家畜"_s, u"5"_s,    u"金"_s};
};

template <typename F>
double millis(F&& work, int repeat) {
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < repeat; ++i)
        work();
    return double(timer.nsecsElapsed()) / 1e6 / repeat;
}

// A full formula set back-tested over random draws, every kind in both senses.
BacktestEngine backtestedEngine(const NumberModel& model, QRandomGenerator& random) {
    std::vector<DrawValues> draws;
    for (int d = 0; d < drawCount; ++d) {
        std::array<int, 7> numbers{};
        for (size_t k = 0; k < numbers.size(); ++k) {
            int n = 0;
            do
                n = int(random.bounded(1, 50));
            while (std::find(numbers.begin(), numbers.begin() + k, n) != numbers.begin() + k);
            numbers[k] = n;
        }
        draws.push_back(model.computeDraw(2000001 + (d / 150) * 1000 + d % 150, numbers));
    }
    QList<FormulaDefinition> formulas;
    for (int i = 0; i < formulaCount; ++i)
        formulas.append({u"L%1A * %2 + D%3A"_s.arg(1 + i % 7).arg(1 + i / 7 % 9).arg(1 + i / 63 % 6), i % 16,
                         i / 16 % 2 == 0});
    BacktestEngine engine(model);
    engine.setHistory(draws);
    engine.setFormulas(formulas);
    engine.run();
    return engine;
}

} // namespace

int main() {
    QRandomGenerator random(20070101);
    const ErrorValuePredictor predictor(KindRules(NumberModel(Options{}, 2007)));

    QList<PredictionFormula> formulas;
    for (int i = 0; i < formulaCount; ++i)
        formulas.append({int(random.bounded(16)), random.bounded(2) == 0});
    std::vector<double> parameters(size_t(formulaCount) * drawCount);
    for (double& p : parameters)
        p = random.bounded(-200, 2000);
    QList<int> periods;
    for (int d = 0; d < drawCount; ++d)
        periods.append(2000001 + d);
    const QList<bool> selection(formulaCount + 1, true);
    QList<std::optional<double>> newest;
    for (int i = 0; i < formulaCount; ++i)
        newest.append(parameters[size_t(i) * drawCount + drawCount - 1]);
    auto lookup = [&](qsizetype formula, qsizetype draw) -> std::optional<double> {
        return parameters[size_t(formula) * drawCount + size_t(draw)];
    };

    const double next = millis([&] { predictor.nextPeriod(formulas, newest, selection, 2007); }, 20);
    const double verify = millis(
        [&] {
            (void)predictor.verify(formulas, selection, periods, lookup, {2002500, {}});
        },
        20);
    std::printf("next-period error values, %d formulas over %d draws: %.2f ms (target < 50 ms)\n",
                formulaCount, drawCount, next);
    std::printf("verification at a chosen period, same set:              %.2f ms (target < 50 ms)\n", verify);

    const BacktestEngine engine = backtestedEngine(NumberModel(Options{}, 2007), random);
    const SelectionBacktest backtest(engine);
    SelectionBacktestRequest fixed;
    fixed.selection.assign(formulaCount, true);
    SelectionBacktestRequest walkForward;
    walkForward.mode = SelectionBacktestRequest::Mode::WalkForward;
    // As the filter window applies them: its ten ranges loaded from the figures, two narrowed, and
    // the recent-accuracy and z-score ranges ticked, so that every figure is kept up to date.
    std::vector<FormulaFigures> figures;
    QList<int> ordinals;
    for (int f = 0; f < formulaCount; ++f) {
        figures.push_back(engine.result(f).figures);
        ordinals.append(f + 1);
    }
    const FormulaFilter::Bounds bounds = FormulaFilter::bounds(figures, ordinals);
    for (size_t i = 0; i < bounds.size(); ++i)
        walkForward.criteria.ranges[i] = {FormulaFilter::parseBound(bounds[i].lower).value_or(0),
                                          FormulaFilter::parseBound(bounds[i].upper).value_or(0)};
    walkForward.criteria.ranges[Figures::Accuracy].lower = 50;
    walkForward.criteria.ranges[Figures::LongestMiss].upper = 8;
    walkForward.criteria.recent = FormulaFilter::RecentRange{30, {60, 100}};
    walkForward.criteria.z = FormulaFilter::Range{-1, 5};
    std::clock_t cpu = std::clock();
    const double fixedMs = millis([&] { (void)backtest.run(fixed); }, 3);
    const double fixedCpuMs = double(std::clock() - cpu) * 1000.0 / CLOCKS_PER_SEC / 3;
    cpu = std::clock();
    const double walkMs = millis([&] { (void)backtest.run(walkForward); }, 3);
    const double walkCpuMs = double(std::clock() - cpu) * 1000.0 / CLOCKS_PER_SEC / 3;
    std::printf(
        "selection back-test, current selection, %d formulas x %d draws: %.0f ms (%.0f ms of processor "
        "time; target < 1000 ms)\n",
        formulaCount, drawCount, fixedMs, fixedCpuMs);
    std::printf(
        "selection back-test, walk-forward filter, same set:              %.0f ms (%.0f ms of processor "
        "time; target < 1000 ms)\n",
        walkMs, walkCpuMs);

    QTemporaryDir dir;
    const QString path = dir.filePath(u"lishi.xlsx"_s);
    const HistoryLikeModel model;
    Result<void> status;
    const std::clock_t cpuStart = std::clock();
    const double exportMs = millis([&] { status = SpreadsheetExport::writeXlsx(model, path); }, 1);
    const double exportCpuMs = double(std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC;
    if (!status) {
        std::printf("history export failed: %s\n", status.message().toUtf8().constData());
        return 1;
    }
    std::printf(
        "history grid %d x %d to xlsx: %.0f ms (%.0f ms of processor time), %lld bytes (target < 5000 ms)\n",
        model.rowCount(), model.columnCount(), exportMs, exportCpuMs,
        static_cast<long long>(QFileInfo(path).size()));
    return next < 50 && verify < 50 && fixedMs < 1000 && walkMs < 1000 && exportMs < 5000 ? 0 : 2;
}
