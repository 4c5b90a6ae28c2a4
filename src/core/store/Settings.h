#pragma once

#include "common/Options.h"
#include "common/Result.h"

#include <QString>

#include <optional>

class QSettings;

namespace talven {

// The options in the per-user settings store: group "IniSetting", one key per option, on/off
// options as True/False.
class Settings {
public:
    explicit Settings(QSettings& store);

    // The stored options; defaults for missing or unreadable values.
    Options load() const;
    // Writes the value of one option and makes sure it reached the store.
    Result<void> save(OptionKey key, const Options& options);

    // The key of an option in the store ("BIT") and back, compared exactly.
    static QString name(OptionKey key);
    static std::optional<OptionKey> keyNamed(const QString& name);
    // An option's value read from its text as the store holds it, refused as the settings menu
    // refuses it.
    static Result<int> parse(OptionKey key, const QString& text);
    // The same refusals for a value given as a number.
    static Result<void> check(OptionKey key, int value);
    // An option's value as the store holds it ("49", "True").
    static QString text(const Options& options, OptionKey key);

private:
    QSettings& m_store;
};

} // namespace talven
