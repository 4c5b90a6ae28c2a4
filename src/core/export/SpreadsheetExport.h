#pragma once

#include "common/Progress.h"
#include "common/Result.h"
#include "prediction/ErrorValues.h"

#include <QString>
#include <QStringList>
#include <QStringView>

class QAbstractItemModel;

namespace talven {

// Copies lists into spreadsheet files. Every export writes a temporary file beside the target and
// renames it over the target only once it is complete, so a failure never leaves a half-written
// file under the final name and an earlier export survives it.
namespace SpreadsheetExport {

enum class Target { History, Formulas, ErrorValues };

// "lishi.xlsx", "gongshi.xlsx", "ErrArr.xlsx".
QString fileName(Target target);
// The target's file inside directoryOrPath when that is an existing directory, else the path as given.
QString resolvePath(const QString& directoryOrPath, Target target);

// Header row from the model's horizontal headers (their ModelRoles::ExportTitle where given), then
// one sheet row per model row with every cell's display text; texts that are plain decimal numbers
// become numbers.
Result<void> writeXlsx(const QAbstractItemModel& model, const QString& path, const ProgressFn& progress = {});
// The same cells as CSV: UTF-8 with a byte-order mark, CRLF line ends, quoted where needed.
Result<void> writeCsv(const QAbstractItemModel& model, const QString& path, const ProgressFn& progress = {});
// The error values under the eight titles, ranked 1.. in ascending count of kill
// formulas ruling the number out, ties by number.
Result<void> writeErrorValuesXlsx(const ErrorValueTable& values, const QString& path);
Result<void> writeErrorValuesCsv(const ErrorValueTable& values, const QString& path);

QStringList errorValueTitles();
// A decimal number that survives the round trip through a spreadsheet number unchanged: an
// optional minus, digits without a leading zero, an optional fraction, at most 15 digits.
bool isPlainDecimal(QStringView text);
// One CSV field, quoted when it holds a comma, quote, line break or edge blank.
QString csvField(const QString& text);

} // namespace SpreadsheetExport

} // namespace talven
