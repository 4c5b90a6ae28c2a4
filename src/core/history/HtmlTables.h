#pragma once

#include "history/SourceTable.h"

#include <QList>
#include <QString>
#include <QStringView>

namespace talven {

// The tables of a web page, or of the HTML a browser or a spreadsheet puts on the clipboard.
namespace HtmlTables {

// Every table that holds text, in the order the tables open, named "网页表格 1", "网页表格 2" …;
// a row's number is its place in its table. One cell per <td> or <th>: tags stripped, entities
// decoded, line breaks and runs of blanks as one blank; a colspan adds empty cells after it.
// A table inside a cell is a table of its own. Tolerant: unclosed cells, rows and tables end
// where the next one starts or the text ends.
QList<SourceTable> read(const QString& html);

// The text with its character references decoded: numbered ones (&#26399; &#x671F;) and the named
// ones of HTML and XML (&amp; &nbsp; …); anything else stays as it is written.
QString decodeEntities(QStringView text);

} // namespace HtmlTables

} // namespace talven
