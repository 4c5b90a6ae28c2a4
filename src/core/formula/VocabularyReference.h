#pragma once

#include <QString>

namespace talven {

// The grid of the parameter reference window: which code stands for which number or attribute.
// Row 0 holds the column headers, rows 1 to 52 one label each; cells not filled are empty.
namespace VocabularyReference {

constexpr int RowCount = 53;
constexpr int ColumnCount = 9;

// Text of the cell; empty outside the grid.
QString cell(int row, int column);
QString title();

} // namespace VocabularyReference

} // namespace talven
