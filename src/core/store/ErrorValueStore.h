#pragma once

#include "common/Result.h"
#include "prediction/ErrorValues.h"

struct sqlite3;

namespace talven {

// The table Errarr: one row per number 1..N with the six error values of the last run, kept in the
// database file between runs of the program.
namespace ErrorValueStore {

// Replaces the rows of Errarr by the values of numbers 1..N, all or nothing. The values must hold
// the numbers 1..N in ascending order, as the prediction produces them.
Result<void> save(sqlite3* db, const ErrorValueTable& values);

// The stored rows in ascending number.
Result<ErrorValueTable> load(sqlite3* db);

} // namespace ErrorValueStore

} // namespace talven
