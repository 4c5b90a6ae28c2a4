#pragma once

#include "history/TableRow.h"

#include <QList>
#include <QString>

namespace talven {

// The first step of reading a text table: its separator, then its rows and cells, with quoted
// cells as spreadsheets write them (separators, doubled quotes and line breaks inside quotes).
namespace TableSplitter {

enum class Separator { Tab, Semicolon, Comma, Blank };

// The separator more than half of the non-blank lines hold (tab, then semicolon, then comma),
// else blanks.
Separator separatorOf(const QString& text);

// The non-blank rows of the text, cells trimmed and unquoted.
QList<TableRow> split(const QString& text, Separator separator);

// What the preview calls the separator ("逗号").
QString separatorName(Separator separator);

} // namespace TableSplitter

} // namespace talven
