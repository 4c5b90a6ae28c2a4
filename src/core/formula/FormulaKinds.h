#pragma once

#include <QString>
#include <QStringView>

namespace talven {

// The sixteen formula kinds (maType 0..15): header name, button caption, statistics factor and
// prediction weight, in one table.
namespace FormulaKinds {

constexpr int Count = 16;

struct Kind {
    const char16_t* name;    // kind name of file headers ("单特类")
    const char16_t* caption; // button caption and list text ("特码")
    int factor;              // per-number statistics factor K (0: figures copied unchanged)
    int weight;              // per-number error-value weight w
};

const Kind& kind(int maType); // maType must be 0..15
QString name(int maType);
QString caption(int maType);
// maType of a header kind name, compared exactly; -1 when it is none of the sixteen.
int fromName(QStringView name);
inline bool isValid(int maType) {
    return maType >= 0 && maType < Count;
}

} // namespace FormulaKinds

} // namespace talven
