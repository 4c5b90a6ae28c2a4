#include "windows/DrawEntryBand.h"

#include "windows/DrawEntryRow.h"

#include <QCheckBox>
#include "widgets/FlowLayout.h"

#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace talven {

DrawEntryBand::DrawEntryBand(QWidget* parent) : QWidget(parent) {
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
    connect(deleteLast, &QPushButton::clicked, this, &DrawEntryBand::deleteRequested);
    commands->addWidget(deleteLast);
    m_formulaColumns =
        new QCheckBox(u"历史列表显示公式各期验算结果(选中后运行验算时间可能比较长，请耐性等待...)"_s, this);
    m_formulaColumns->setObjectName(u"formulaColumns"_s);
    // Its state, not the click, starts the work: a screen reader's toggle acts as a click does.
    connect(m_formulaColumns, &QCheckBox::toggled, this, &DrawEntryBand::formulaColumnsToggled);
    commands->addWidget(m_formulaColumns);
    layout->addLayout(commands);
}

} // namespace talven
