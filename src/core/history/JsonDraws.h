#pragma once

#include "common/Result.h"
#include "history/SourceTable.h"

#include <QJsonDocument>
#include <QString>

namespace talven {

// A JSON list of draw objects as a table of cell texts.
namespace JsonDraws {

// The list: the document itself, or the longest list of objects among an object's fields and
// their fields' fields (the table named after its key). The first row holds the field names
// (row number 0), then one row per object (its 1-based place in the list). A list of numbers
// becomes one cell "7,12,…"; the fields of a nested object become columns of their own.
// Refused, naming what is read, when the document holds no list of objects.
Result<SourceTable> read(const QJsonDocument& document);

// What a JSON history must look like, in one sentence.
QString expectedShape();

} // namespace JsonDraws

} // namespace talven
