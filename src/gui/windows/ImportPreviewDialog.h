#pragma once

#include "common/Result.h"
#include "prompts/Prompts.h"

#include <QDialog>

namespace talven {

// The form, the counts and the first and last draws of a preview, as text.
QString previewSummary(const ImportPreview& preview);
// What the buttons will do, in one paragraph that fits the buttons offered.
QString previewQuestion(const ImportPreview& preview);

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
