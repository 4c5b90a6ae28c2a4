#include "widgets/FormulaEntryPanel.h"

#include "common/FormulaKind.h"
#include "common/Limits.h"
#include "formula/FormulaInput.h"
#include "prompts/DialogFolder.h"
#include "prompts/Prompts.h"
#include "session/Session.h"
#include "widgets/FormulaPreviewLabel.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <tuple>

using namespace Qt::StringLiterals;

namespace talven {

FormulaEntryPanel::FormulaEntryPanel(Session& session, Prompts& prompts, QSettings* viewSettings,
                                     QWidget* parent)
    : QWidget(parent), m_session(session), m_prompts(prompts), m_viewSettings(viewSettings) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_text = new QPlainTextEdit(this);
    m_text->setAccessibleName(u"公式输入框"_s);
    m_text->setObjectName(u"formulaText"_s);
    m_text->setTabChangesFocus(true);
    m_text->setMinimumHeight(m_text->fontMetrics().height() * 2 + 12);
    m_text->setMaximumHeight(m_text->fontMetrics().height() * 4 + 12);
    layout->addWidget(m_text);
    m_preview = new FormulaPreviewLabel(session, this);
    m_preview->setObjectName(u"formulaPreview"_s);
    layout->addWidget(m_preview);
    connect(m_text, &QPlainTextEdit::textChanged, this, [this] { previewInput(); });
    auto* commands = new QHBoxLayout;
    for (const auto& [caption, name, request] :
         {std::tuple{u"添加所输公式(&A)"_s, "addFormula", &FormulaEntryPanel::addTyped},
          std::tuple{u"读取公式文本(N)"_s, "importFormulas", &FormulaEntryPanel::importFile},
          std::tuple{u"公式参数对照说明(&I)"_s, "reference", &FormulaEntryPanel::referenceRequested}}) {
        auto* button = new QPushButton(caption, this);
        button->setObjectName(QString::fromLatin1(name));
        connect(button, &QPushButton::clicked, this, request);
        commands->addWidget(button);
    }
    layout->addLayout(commands);

    // The kinds and the kill/keep sense side by side, so that the list below keeps its room.
    // Each follows its button's state, so that a screen reader's toggle acts as a click does.
    auto* choices = new QHBoxLayout;
    auto* kinds = new QGroupBox(u"种类"_s, this);
    auto* grid = new QGridLayout(kinds);
    grid->setVerticalSpacing(2);
    m_kinds = new QButtonGroup(this);
    for (int k = 0; k < FormulaKindCount; ++k) {
        auto* option = new QRadioButton(formulaKindCaption(k), kinds);
        option->setObjectName(u"kind%1"_s.arg(k));
        m_kinds->addButton(option, k);
        grid->addWidget(option, k / 4, k % 4);
    }
    m_kinds->button(0)->setChecked(true);
    connect(m_kinds, &QButtonGroup::idToggled, this, [this](int kind, bool on) {
        if (on)
            chooseKind(kind);
    });
    choices->addWidget(kinds, 1);

    auto* sense = new QGroupBox(u"生杀"_s, this);
    auto* senseLayout = new QVBoxLayout(sense);
    m_killButton = new QRadioButton(u"杀"_s, sense);
    m_keepButton = new QRadioButton(u"生"_s, sense);
    m_killButton->setObjectName(u"kill"_s);
    m_keepButton->setObjectName(u"keep"_s);
    m_killButton->setChecked(true);
    senseLayout->addWidget(m_killButton);
    senseLayout->addWidget(m_keepButton);
    senseLayout->addStretch();
    connect(m_killButton, &QRadioButton::toggled, this, [this](bool kill) {
        m_kill = kill;
        previewInput();
    });
    choices->addWidget(sense);
    layout->addLayout(choices);
    layout->addStretch();
}

QString FormulaEntryPanel::formulaText() const {
    return m_text->toPlainText();
}

void FormulaEntryPanel::previewInput(bool now) {
    m_preview->setInput(m_text->toPlainText(), m_kind, m_kill, now);
}

void FormulaEntryPanel::addTyped() {
    const QString text = formulaText();
    // A formula that never computes would only ever miss: the user decides whether it is wanted.
    if (const FormulaPreview p = m_session.previewFormula(text, m_kind, m_kill);
        !p.refusal && p.draws > 0 && !p.result.error.isEmpty() &&
        !m_prompts.question(this, u"添加公式"_s,
                            u"该公式在每一期都无法计算（%1），仍然添加吗？"_s.arg(p.result.error)))
        return;
    const QString notice = FormulaInput::headerKindNotice(text, m_kind);
    m_session.addFormula(text, m_kind, m_kill).then(this, [this, text, notice](const Result<void>& done) {
        if (done) {
            m_text->clear();
            emit added(notice);
            return;
        }
        // A refused formula is shown as the preview shows it, with the fault marked in the typed text.
        if (done.code() == ErrorCode::Unrecognised)
            m_prompts.warning(this, u"无法识别公式"_s,
                              u"<p>%1</p>"_s.arg(FormulaPreviewLabel::refusalHtml(done.error(), text)));
        else
            m_prompts.warning(this, u"添加公式失败"_s, done.error().shown());
        if (done.code() == ErrorCode::Empty)
            m_text->setFocus();
    });
}

void FormulaEntryPanel::importFile() {
    const QString path = m_prompts.openFile(this, u"读取公式文本"_s, DialogFolder::start(m_viewSettings),
                                            u"公式文本文件 (*.txt);;所有文件 (*)"_s);
    DialogFolder::remember(m_viewSettings, path);
    if (path.isEmpty())
        return;
    m_session.importFormulas(path, m_kill).then(this, [this](const Result<FormulaImportReport>& done) {
        if (!done) {
            m_prompts.warning(this, u"读取公式文本失败"_s, done.error().shown());
            return;
        }
        emit imported(done->added > 0, done->summary());
        if (!done->overLimit.isEmpty())
            m_prompts.warning(
                this, u"公式已达上限"_s,
                u"公式已达上限 %1 条，文件中有 %2 行未添加。"_s.arg(MaxFormulas).arg(done->overLimit.size()));
        if (!done->unrecognised.isEmpty() &&
            m_prompts.question(this, u"无法识别公式"_s,
                               u"公式文本文件中含有无法识别公式，是否查看这些公式？"_s))
            m_prompts.openOrOfferFolder(this, u"无法识别公式"_s, done->reportPath);
    });
}

void FormulaEntryPanel::chooseKind(int kind) {
    m_kind = formulaKindOf(kind).value_or(FormulaKind::SpecialNumber);
    previewInput();
    emit kindChosen(m_kind);
}

} // namespace talven
