#include "windows/DrawEntryBand.h"

#include "prompts/Prompts.h"
#include "session/Session.h"
#include "windows/DrawEntryRow.h"

#include "widgets/FlowLayout.h"
#include <QCheckBox>
#include <QLineEdit>

#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace talven {

DrawEntryBand::DrawEntryBand(Session& session, Prompts& prompts, QWidget* parent)
    : QWidget(parent), m_session(session), m_prompts(prompts) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_entry = new DrawEntryRow(this);
    m_entry->setObjectName(u"drawEntry"_s);
    layout->addWidget(m_entry);
    // The commands wrap onto a second row where the window is too narrow for one.
    auto* commands = new FlowLayout;
    auto* import = new QPushButton(u"读取历史号码文本(&E)"_s, this);
    import->setObjectName(u"importHistory"_s);
    import->setToolTip(u"从历史号码文本文件中读取历史号"_s);
    connect(import, &QPushButton::clicked, this, &DrawEntryBand::importRequested);
    commands->addWidget(import);
    auto* deleteLast = new QPushButton(u"删除最后历史(&D)"_s, this);
    deleteLast->setObjectName(u"deleteLastDraw"_s);
    connect(deleteLast, &QPushButton::clicked, this, &DrawEntryBand::deleteLastDraw);
    connect(m_entry, &DrawEntryRow::drawEntered, this, &DrawEntryBand::storeDraw);
    commands->addWidget(deleteLast);
    m_formulaColumns =
        new QCheckBox(u"历史列表显示公式各期验算结果(选中后运行验算时间可能比较长，请耐性等待...)"_s, this);
    m_formulaColumns->setObjectName(u"formulaColumns"_s);
    // Its state, not the click, starts the work: a screen reader's toggle acts as a click does.
    connect(m_formulaColumns, &QCheckBox::toggled, this, &DrawEntryBand::formulaColumnsToggled);
    commands->addWidget(m_formulaColumns);
    layout->addLayout(commands);
}

void DrawEntryBand::storeDraw(const std::array<int, 7>& numbers, const QString& periodText) {
    bool ok = false;
    const int period = periodText.toInt(&ok);
    if (!ok) {
        m_prompts.warning(this, u"无法保存历史号码"_s,
                          u"期号“%1”不是数字，请在期号框中输入七位数字的期号"_s.arg(periodText));
        m_entry->periodBox()->setFocus();
        return;
    }
    m_session.addDraw(numbers, Period(period)).then(this, [this](const Result<void>& done) {
        if (!done) {
            m_prompts.warning(this, u"无法保存历史号码"_s, done.error().shown());
            return;
        }
        m_entry->clearBoxes();
        emit drawStored();
    });
}

void DrawEntryBand::deleteLastDraw() {
    if (m_session.draws().empty()) {
        emit notice(u"历史为空，没有可删除的期号。"_s);
        return;
    }
    m_session.deleteLastDraw().then(this, [this](const Result<void>& done) {
        if (!done) {
            m_prompts.warning(this, u"无法删除最后历史"_s, done.error().shown());
            return;
        }
        m_entry->clearBoxes();
        emit drawDeleted();
    });
}

} // namespace talven
