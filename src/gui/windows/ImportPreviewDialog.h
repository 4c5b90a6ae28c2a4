#pragma once

#include "common/Result.h"
#include "prompts/Prompts.h"

#include <QDialog>

namespace talven {

class Session;

// Reads the file (no database access) and says what replacing or appending it would do; an error
// when it cannot be read or is refused for another reason than holding mostly no draws.
Result<ImportPreview> previewOfImport(const Session& session, const QString& path);

// What a history file would store, shown before anything is replaced: the recognised form, the
// draws as they will be stored, every skipped line, and the choice of replacing or appending.
class ImportPreviewDialog : public QDialog {
    Q_OBJECT
public:
    ImportPreviewDialog(const ImportPreview& preview, QWidget* parent = nullptr);

    ImportChoice choice() const { return m_choice; }

private:
    ImportChoice m_choice = ImportChoice::Cancel;
};

} // namespace talven
