// Speed of the formula search: candidates per second over a synthetic history of 5,000 draws,
// 100 held out, on every core of the machine.
#include "discovery/FormulaDiscovery.h"

#include <QRandomGenerator>
#include <QStringList>
#include <QTextStream>

#include <thread>

using namespace Qt::StringLiterals;
using namespace talven;

namespace {

// Period numbers of 150 draws a year from 2001 on.
int periodOf(int index) {
    return (2001 + index / 150) * 1000 + index % 150 + 1;
}

std::vector<DrawValues> makeHistory(const NumberModel& model, int count) {
    QRandomGenerator rng(20261208);
    std::vector<DrawValues> draws;
    for (int i = 0; i < count; ++i) {
        std::array<int, 7> n{};
        for (int k = 0; k < 7; ++k) {
            int v = 0;
            do
                v = rng.bounded(1, 50);
            while (std::find(n.begin(), n.begin() + k, v) != n.begin() + k);
            n[static_cast<size_t>(k)] = v;
        }
        draws.push_back(model.computeDraw(periodOf(i), n));
    }
    return computeDraws(model, draws);
}

} // namespace

int main(int argc, char** argv) {
    QTextStream out(stdout);
    const int candidates = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
    constexpr int Draws = 5000;
    const Options options;
    const NumberModel model(options, periodOf(Draws - 1) / 1000);
    const FormulaDiscovery discovery(model, makeHistory(model, Draws));
    out << u"%1 cores, %2 draws, %3 held out"_s.arg(std::thread::hardware_concurrency()).arg(Draws).arg(100)
        << Qt::endl;
    for (const auto& [kind, kill] : {std::pair{0, true}, std::pair{1, false}}) {
        DiscoveryRequest request;
        request.kind = kind;
        request.kill = kill;
        request.candidates = candidates;
        const auto report = discovery.run(request);
        if (!report) {
            out << report.message() << Qt::endl;
            return 1;
        }
        out << u"kind %1 %2: %3 candidates in %4 s, %5 candidates/s; chance %6%, best out-of-sample %7%"_s
                   .arg(kind)
                   .arg(kill ? u"kill"_s : u"keep"_s)
                   .arg(report->tried)
                   .arg(report->seconds, 0, 'f', 2)
                   .arg(report->tried / report->seconds, 0, 'f', 0)
                   .arg(report->chance, 0, 'f', 3)
                   .arg(report->formulas.isEmpty() ? 0.0 : report->formulas.first().outOfSample.accuracy, 0,
                        'f', 3)
            << Qt::endl;
    }
    return 0;
}
