#pragma once

#include "common/Result.h"

#include <QString>

namespace talven {

// Where the database lives, and why there.
struct DataDirectory {
    enum class Source {
        Option,      // --data-dir
        Environment, // TALVEN_DATA_DIR
        Portable,    // the program's own directory: orvane.mdb or a file named "portable" is there
        User,        // the per-user data location
    };
    QString path;
    Source source = Source::User;

    // One line for --version and the like: the directory and why it was chosen.
    QString describe() const;
};

// The given directory (--data-dir), else TALVEN_DATA_DIR, else the program's own directory in
// portable mode, else the per-user data location. A build folder is never chosen just because it
// is writable: its data would go with the next clean rebuild.
DataDirectory findDataDirectory(const QString& given);

// Removes what programs that no longer run left in the data directory: half-written copies of the
// database and their journals, and the temporary files of the program's own files (a report).
// Whole copies that may hold a state of their own stay for the database's opening to decide on.
void removeLeftovers(const QString& dataDir);

// Refuses a settings file of this application that is not a regular file (QSettings would wait for
// ever on a fifo as it reads it), naming what it is. Called before the settings store is made.
Result<void> checkSettingsFiles();

// The same rule over explicit inputs: the environment's value and the two candidate directories.
DataDirectory findDataDirectory(const QString& given, const QString& environment, const QString& programDir,
                                const QString& userDir);

} // namespace talven
