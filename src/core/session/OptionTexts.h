#pragma once

#include "common/Options.h"
#include "common/Result.h"

#include <QString>

#include <optional>

namespace talven {

// The options as the command line names and writes them: the names and texts of the settings
// store, so that a user who edits the settings file and one who types a command use one spelling.
namespace OptionTexts {

QString name(OptionKey key);
// The option of a name, compared exactly; none for an unknown name.
std::optional<OptionKey> keyNamed(const QString& name);
// A typed value, refused with the text the settings menu shows.
Result<int> parse(OptionKey key, const QString& text);
QString text(const Options& options, OptionKey key);

} // namespace OptionTexts

} // namespace talven
