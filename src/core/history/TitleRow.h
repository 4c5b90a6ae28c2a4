#pragma once

#include "history/TableCell.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace talven {

// Column titles in Chinese and English, matched without case, blanks or punctuation.
namespace TitleRow {

// What a title makes of its column: 0..5 the flat numbers, then the others.
enum Role : int {
    None = -1,
    Special = 6,
    Draw = 7, // the draw number (period), or a running counter under such a title
    Date = 8,
    Numbers = 9, // the numbers of the draw in one cell
};

// The role of each title; a bare "2".."6" after the title of the number before it continues it
// ("Winning Number 1,2,3,4,5,6").
QList<int> roles(const QStringList& titles);

// True for a row of titles rather than of a draw: two titles the program knows and nothing that
// reads as a draw's data, or, for a first row, only text across at least eight columns.
bool isTitleRow(const QStringList& cells, const QList<TableCell>& read, bool firstRow);

// True when the roles name any number of the draw, so that columns are taken by title only.
bool namesNumbers(const QList<int>& roles);

// Which columns the titles lack for the seven numbers, in words ("特别号码"), empty when none.
QString missingNumbers(const QList<int>& roles);

} // namespace TitleRow

} // namespace talven
