// Times the next-period error values and the verification for a full formula set, and the
// spreadsheet export of a history-sized grid.
#include "export/SpreadsheetExport.h"
#include "prediction/ErrorValuePredictor.h"

#include <QAbstractTableModel>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

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
    return next < 50 && verify < 50 && exportMs < 5000 ? 0 : 2;
}
