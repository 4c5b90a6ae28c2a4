#pragma once

#include <QString>

#include <functional>

namespace talven {

// Reports how far a long change has come: a fraction 0..1 and a short text ("回测公式 812/1536").
// May be called from any thread.
using ProgressFn = std::function<void(double fraction, const QString& text)>;

} // namespace talven
