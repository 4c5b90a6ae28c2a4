#pragma once

#include "common/Result.h"
#include "history/DrawRow.h"
#include "history/HistoryParser.h"
#include "history/TableLayout.h"

#include <QList>
#include <QString>

namespace talven {

// Puts a keyed table's draws oldest first: the same draw twice is kept once, a file running newest
// first is turned round, one in no order is sorted by its key.
namespace DrawOrder {

// The order note of the preview ("，由新到旧排列，已倒转", or empty); refused when two rows give one
// key different numbers. Repeats are added to `skipped`.
Result<QString> arrange(QList<DrawRow>& rows, TableLayout::Key key, QList<SkippedLine>& skipped);

} // namespace DrawOrder

} // namespace talven
