#pragma once

#include "common/FormulaKind.h"

#include <QWidget>

class QButtonGroup;
class QPlainTextEdit;
class QRadioButton;
class QSettings;

namespace talven {

class FormulaPreviewLabel;
class Prompts;
class Session;

// The entry of a new formula: the text box with its preview, the commands that add formulas, and
// the kind and kill/keep choices that new formulas get.
class FormulaEntryPanel : public QWidget {
    Q_OBJECT
public:
    // viewSettings keeps the folder the file dialogs share (none: not kept).
    FormulaEntryPanel(Session& session, Prompts& prompts, QSettings* viewSettings = nullptr,
                      QWidget* parent = nullptr);

    QPlainTextEdit* formulaBox() const { return m_text; }
    FormulaPreviewLabel* preview() const { return m_preview; }
    QString formulaText() const;
    FormulaKind kind() const { return m_kind; }
    bool kill() const { return m_kill; }

public slots:
    // "添加所输公式": adds the typed formula with the chosen kind and sense; refusals are shown.
    void addTyped();
    // "读取公式文本": reads a formula file chosen by the user, with the chosen kill/keep sense.
    void importFile();
    // Shows the preview of the typed formula with the current choices (at once with now).
    void previewInput(bool now = false);

signals:
    // A typed formula was added; notice says which kind it got where its header named another.
    void added(const QString& notice);
    // A formula file was read; added: some formulas were added.
    void imported(bool added, const QString& summary);
    void referenceRequested();
    void kindChosen(talven::FormulaKind kind);

private:
    void chooseKind(int kind);

    Session& m_session;
    Prompts& m_prompts;
    QSettings* m_viewSettings;
    QPlainTextEdit* m_text = nullptr;
    FormulaPreviewLabel* m_preview = nullptr;
    QButtonGroup* m_kinds = nullptr;
    QRadioButton* m_killButton = nullptr;
    QRadioButton* m_keepButton = nullptr;
    FormulaKind m_kind = FormulaKind::SpecialNumber;
    bool m_kill = true;
};

} // namespace talven
