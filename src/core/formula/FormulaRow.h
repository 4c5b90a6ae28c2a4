#pragma once

#include <QString>

namespace talven {

// One stored formula: its place in the list, its code expression, kind and kill/keep sense.
struct FormulaRow {
    int idx = 0;
    QString code;      // gongshi: the code expression
    int kind = 0;      // maType; a stored value outside 0..15 is kept as it is
    bool kill = false; // bolKill; an empty flag is keep

    bool operator==(const FormulaRow&) const = default;
};

} // namespace talven
