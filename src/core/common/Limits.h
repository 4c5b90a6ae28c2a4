#pragma once

namespace talven {

// The most formulas one database holds (its history tables have room for this many results).
inline constexpr int MaxFormulas = 1536;
// How many copies of the database are kept before history imports, newest first.
inline constexpr int BackupGenerations = 3;

} // namespace talven
