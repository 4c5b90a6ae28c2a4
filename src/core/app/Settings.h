#pragma once

#include "app/Options.h"
#include "store/Result.h"

#include <QStringList>

class QSettings;

namespace talven {

// The options in the per-user settings store: group "IniSetting", booleans as True/False.
class Settings {
public:
    explicit Settings(QSettings& store);

    static const QStringList& keys();
    Options load() const;
    // The stored text of a key as the menus read it (defaults for missing or unreadable values).
    QString value(const QString& key) const;
    // Validates a value as the settings menu does and saves it; nothing is saved on refusal.
    Status set(const QString& key, const QString& value);

    // Applies one validated key to an options value.
    static Status apply(Options& options, const QString& key, const QString& value);
    static QString text(const Options& options, const QString& key);

private:
    QSettings& m_store;
};

} // namespace talven
