#pragma once

#include "common/Result.h"
#include "formula/FormulaRow.h"

#include <vector>

namespace talven {

class Database;

// The formula table Gongshi, in Idx order.
namespace FormulaTable {

Result<std::vector<FormulaRow>> load(Database& db);
Result<void> insert(Database& db, const std::vector<FormulaRow>& rows);
// Deletes the formula with this Idx (one row, even if the number was given twice); the others keep
// their order and are numbered 1..n again.
Result<void> remove(Database& db, int idx);
// True when the formulas are numbered 1..n without a gap or a repeat.
Result<bool> numberedInOrder(Database& db);
// Numbers the formulas 1..n in their order (Idx, then the order they were stored in).
Result<void> renumber(Database& db);
// Puts a formula back at its Idx; the formulas from there on move one place down.
Result<void> insertAt(Database& db, const FormulaRow& row);
// Replaces the text of the formula with this Idx.
Result<void> update(Database& db, const FormulaRow& row);
// Deletes every formula after the first `count`.
Result<void> removeAfter(Database& db, int count);

} // namespace FormulaTable

} // namespace talven
