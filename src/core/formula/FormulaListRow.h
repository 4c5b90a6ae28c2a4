#pragma once

#include "formula/FormulaRow.h"

#include <QString>

namespace talven {

// The texts that the formula list reload writes for one formula: columns 0 to 3 and 15.
struct FormulaListRow {
    QString rowNumber;     // column 0: the row's number in the list as shown
    QString formula;       // column 1: the stored expression folded into codes
    QString kind;          // column 2: the kind button caption (empty for a kind outside 0..15)
    QString killKeep;      // column 3: "杀" for a kill formula, "生" for a keep formula
    QString formulaNumber; // column 15: the formula's number, as stored

    static FormulaListRow of(int rowNumber, const FormulaRow& formula);
    // Caption of the kill/keep button for the sense.
    static QString killKeepCaption(bool kill);
};

} // namespace talven
