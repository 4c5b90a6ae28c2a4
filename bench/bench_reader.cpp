// Times the reading and preview of a 5,000-line history in the published table shape (dates
// dd/mm/yyyy, newest first inside each year), and of the same draws as two-digit lines.
#include "history/HistoryReader.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <random>

using namespace talven;
using namespace Qt::StringLiterals;

namespace {

constexpr int Draws = 5000;
constexpr int PerYear = 150;

QString write(const QString& path, const QString& text) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(text.toUtf8());
    return path;
}

// The best of several runs, so that a busy machine does not decide the figure.
template <typename F>
double bestMs(F&& run) {
    double best = 1e9;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer t;
        t.start();
        run();
        best = std::min(best, t.nsecsElapsed() / 1e6);
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    std::mt19937 rng(20261208);
    QStringList csvYears, lines;
    QStringList year;
    for (int i = 0; i < Draws; ++i) {
        std::vector<int> pool(49);
        for (int n = 0; n < 49; ++n)
            pool[size_t(n)] = n + 1;
        std::shuffle(pool.begin(), pool.end(), rng);
        const int y = 1990 + i / PerYear;
        const QDate date = QDate(y, 1, 1).addDays((i % PerYear) * 2);
        QString csv = date.toString(u"dd/MM/yyyy"_s);
        QString line = QString::number(y * 1000 + i % PerYear + 1);
        for (int k = 0; k < 7; ++k) {
            csv += u',' + QString::number(pool[size_t(k)]);
            line += u' ' + u"%1"_s.arg(pool[size_t(k)], 2, 10, QLatin1Char('0'));
        }
        year.prepend(csv);
        lines.append(line);
        if (i % PerYear == PerYear - 1 || i == Draws - 1) {
            csvYears.append(year);
            year.clear();
        }
    }
    const QString csvPath = write(dir.filePath(u"history.csv"_s),
                                  u"Draw Date,num1,num2,num3,num4,num5,num6,num7\n"_s + csvYears.join(u'\n'));
    const QString txtPath = write(dir.filePath(u"history.txt"_s), lines.join(u'\n'));

    int stored = 0;
    const double csvMs = bestMs([&] {
        const auto file = HistoryReader::readFile(csvPath, 2026001, 49);
        stored = file ? int(file->draws.size()) : -1;
        if (file) {
            (void)file->previewDraws();
            (void)file->refusal(csvPath);
        }
    });
    std::printf("read and preview a %d-line CSV (dates, newest first in each year): %.1f ms (%d draws)\n",
                Draws, csvMs, stored);
    const double txtMs = bestMs([&] {
        const auto file = HistoryReader::readFile(txtPath, 2026001, 49);
        stored = file ? int(file->draws.size()) : -1;
    });
    std::printf("read a %d-line file of two-digit lines: %.1f ms (%d draws)\n", Draws, txtMs, stored);
    return stored == Draws ? 0 : 1;
}
