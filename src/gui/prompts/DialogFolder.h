#pragma once

#include <QString>

class QSettings;

namespace talven {

// The folder the file dialogs open in: the folder of the file last chosen in any of them, kept in
// the view settings (for the run only without them), else the user's Downloads folder (else the
// home folder); by default never the data directory, where the program's own files lie.
class DialogFolder {
public:
    static QString start(const QSettings* settings);
    static void remember(QSettings* settings, const QString& chosenFile);
};

} // namespace talven
