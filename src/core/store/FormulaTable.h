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
// Deletes the formula with this Idx; the others keep their order and are numbered 1..n again.
Result<void> remove(Database& db, int idx);
// Puts a formula back at its Idx; the formulas from there on move one place down.
Result<void> insertAt(Database& db, const FormulaRow& row);
// Deletes every formula after the first `count`.
Result<void> removeAfter(Database& db, int count);

} // namespace FormulaTable

} // namespace talven
