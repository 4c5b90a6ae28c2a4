#pragma once

#include "common/FormulaKind.h"

#include <QLabel>

class QTimer;

namespace talven {

class Session;
struct Error;
struct FormulaPreview;

// Under the formula entry box: what the typed formula would be and get — its code and Chinese
// forms, or why it cannot be added with the place of the fault marked, and the back-test's figures
// with the kind and sense chosen. It follows the typing a moment after the last key. Its height is
// fixed: a line too long for the width ends in "…", and the whole text is in the tooltip.
class FormulaPreviewLabel : public QLabel {
    Q_OBJECT
public:
    explicit FormulaPreviewLabel(const Session& session, QWidget* parent = nullptr);

    // Shows the preview of this text a moment later (at once with now).
    void setInput(const QString& text, FormulaKind kind, bool kill, bool now = false);

    static QString html(const FormulaPreview& preview, FormulaKind kind, bool kill);
    // A refused formula's message, then the typed text with the fault marked, as rich text.
    static QString refusalHtml(const Error& refusal, const QString& typed);
    // The whole preview, however much of it fits.
    QString fullText() const { return m_html; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void refresh();
    void showFitted();
    void fitHeight();

    const Session& m_session;
    QTimer* m_delay;
    QString m_text;
    QString m_html;
    FormulaKind m_kind = FormulaKind::SpecialNumber;
    bool m_kill = true;
};

} // namespace talven
