#pragma once

#include <QString>

namespace talven {

// The texts that the formula list reload writes for one formula: columns 0 to 3 and 15.
struct FormulaListRow {
    QString number;   // column 0: the list row number
    QString formula;  // column 1: the stored expression folded into codes
    QString kind;     // column 2: the kind button caption (empty for a kind outside 0..15)
    QString killKeep; // column 3: "杀" for a kill formula, "生" for a keep formula
    QString index;    // column 15: the formula's idx

    static FormulaListRow make(int listRow, const QString& gongshi, int maType, bool bolKill, int idx);
    // Caption of the kill/keep button for the flag.
    static QString killKeepCaption(bool bolKill);
};

} // namespace talven
