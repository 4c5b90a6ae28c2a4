#pragma once

#include "common/Result.h"
#include "prediction/ErrorValues.h"

namespace talven {

class Database;

// The table Errarr: one row per number 1..N with the six error values of the last run, kept in the
// database file between runs of the program.
namespace ErrorValueStore {

// Replaces the rows of Errarr by the values of numbers 1..N, all or nothing. The values must hold
// the numbers 1..N in ascending order, as the prediction produces them.
Result<void> save(Database& db, const ErrorValueTable& values);

// The stored rows in ascending number.
Result<ErrorValueTable> load(Database& db);

} // namespace ErrorValueStore

} // namespace talven
