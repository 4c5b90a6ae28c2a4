#pragma once

#include <QString>

namespace talven {

class SessionState;

namespace Damage {

// Rows another program or a damaged file left that no change could follow: the first one named,
// so that the user can mend it; empty when there is none. Such a database is only shown, never
// rewritten.
QString firstIn(const SessionState& state);

} // namespace Damage

} // namespace talven
