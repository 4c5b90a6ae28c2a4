#include "OptionTexts.h"

#include "store/Settings.h"

namespace talven::OptionTexts {

QString name(OptionKey key) {
    return Settings::name(key);
}

std::optional<OptionKey> keyNamed(const QString& name) {
    return Settings::keyNamed(name);
}

Result<int> parse(OptionKey key, const QString& text) {
    return Settings::parse(key, text);
}

QString text(const Options& options, OptionKey key) {
    return Settings::text(options, key);
}

} // namespace talven::OptionTexts
