#include "windows/DrawEntryBand.h"

#include "windows/DrawEntryRow.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace talven {

DrawEntryBand::DrawEntryBand(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_entry = new DrawEntryRow(this);
    layout->addWidget(m_entry);
    auto* commands = new QHBoxLayout;
    auto* import = new QPushButton(u"读取历史号码文本(&E)"_s, this);
    import->setToolTip(u"从历史号码文本文件中读取历史号"_s);
    connect(import, &QPushButton::clicked, this, &DrawEntryBand::importRequested);
    commands->addWidget(import);
    auto* deleteLast = new QPushButton(u"删除最后历史(&D)"_s, this);
    connect(deleteLast, &QPushButton::clicked, this, &DrawEntryBand::deleteRequested);
    commands->addWidget(deleteLast);
    m_formulaColumns =
        new QCheckBox(u"历史列表显示公式各期验算结果(选中后运行验算时间可能比较长，请耐性等待...)"_s, this);
    // Its state, not the click, starts the work: a screen reader's toggle acts as a click does.
    connect(m_formulaColumns, &QCheckBox::toggled, this, &DrawEntryBand::formulaColumnsToggled);
    commands->addWidget(m_formulaColumns);
    commands->addStretch();
    layout->addLayout(commands);
    setMaximumHeight(sizeHint().height());
}

} // namespace talven
