#pragma once

#include "common/FormulaKind.h"

#include <QLabel>

class QTimer;

namespace talven {

class Session;
struct FormulaPreview;

// Under the formula entry box: what the typed formula would be and get — its code and Chinese
// forms, or why it cannot be added with the place of the fault marked, and the back-test's figures
// with the kind and sense chosen. It follows the typing a moment after the last key.
class FormulaPreviewLabel : public QLabel {
    Q_OBJECT
public:
    explicit FormulaPreviewLabel(const Session& session, QWidget* parent = nullptr);

    // Shows the preview of this text a moment later (at once with now).
    void setInput(const QString& text, FormulaKind kind, bool kill, bool now = false);

    static QString html(const FormulaPreview& preview, FormulaKind kind, bool kill);

private:
    void refresh();

    const Session& m_session;
    QTimer* m_delay;
    QString m_text;
    FormulaKind m_kind = FormulaKind::SpecialNumber;
    bool m_kill = true;
};

} // namespace talven
