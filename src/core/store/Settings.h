#pragma once

#include "common/Options.h"
#include "common/Result.h"

#include <QStringList>

class QSettings;

namespace talven {

// The options in the per-user settings store: group "IniSetting", booleans as True/False.
class Settings {
public:
    explicit Settings(QSettings& store);

    static const QStringList& keys();
    // The stored options; defaults for missing or unreadable values.
    Options load() const;
    // Writes the value of one key and makes sure it reached the store.
    Result<void> save(const QString& key, const Options& options);

    // Validates a value as the settings menu does and applies it to an options value.
    static Result<void> apply(Options& options, const QString& key, const QString& value);
    static QString text(const Options& options, const QString& key);

private:
    QSettings& m_store;
};

} // namespace talven
