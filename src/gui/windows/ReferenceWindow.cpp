#include "windows/ReferenceWindow.h"

#include "formula/VocabularyReference.h"
#include "models/VocabularyReferenceModel.h"
#include "prompts/Prompts.h"
#include "widgets/GridView.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace talven {

ReferenceWindow::ReferenceWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(VocabularyReference::title());
    setObjectName(u"referenceWindow"_s);
    m_grid = new GridView(u"公式参数对照说明"_s, this);
    m_grid->setModel(new VocabularyReferenceModel(this));
    m_grid->setToolTip(u"单击单元格即可把其中的文字复制到剪贴板"_s);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->resizeColumnsToContents();
    for (int c = 0; c < VocabularyReference::ColumnCount; ++c)
        m_grid->setColumnWidth(c, m_grid->columnWidth(c) + m_grid->fontMetrics().averageCharWidth() * 2);
    connect(m_grid, &QAbstractItemView::clicked, this, &ReferenceWindow::copyCell);
    connect(m_grid->horizontalHeader(), &QHeaderView::sectionClicked, this, &ReferenceWindow::copyHeader);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_grid);
    // A click copies without a word otherwise: the window says what is on the clipboard.
    m_copied = new QLabel(u"单击单元格即可把其中的文字复制到剪贴板"_s, this);
    m_copied->setObjectName(u"copied"_s);
    layout->addWidget(m_copied);

    // Every column in view without scrolling sideways; the rows scroll.
    int width = m_grid->verticalScrollBar()->sizeHint().width() + 2 * m_grid->frameWidth();
    for (int c = 0; c < VocabularyReference::ColumnCount; ++c)
        width += m_grid->columnWidth(c);
    m_grid->setMinimumWidth(std::min(width, 900));
    resize(width + 8, 26 * m_grid->verticalHeader()->defaultSectionSize());
}

void ReferenceWindow::putOnClipboard(const QString& text) {
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->clear();
    if (!text.isEmpty())
        clipboard->setText(text);
    m_copied->setText(text.isEmpty() ? u"空白单元格，剪贴板已清空"_s : u"已复制 %1"_s.arg(text));
}

void ReferenceWindow::copyCell(const QModelIndex& index) {
    putOnClipboard(index.data().toString());
}

void ReferenceWindow::copyHeader(int column) {
    putOnClipboard(VocabularyReference::cell(0, column));
}

void ReferenceWindow::openUserGuide(Prompts& prompts, QWidget* parent) {
    // Beside an installed program, or in the build tree.
    const QDir app(QCoreApplication::applicationDirPath());
    QString path;
    for (const QString& candidate : {u"../share/talven/guide.html"_s, u"share/talven/guide.html"_s,
                                     u"docs/guide.html"_s, u"../docs/guide.html"_s})
        if (path.isEmpty() && QFileInfo::exists(app.filePath(candidate)))
            path = QFileInfo(app.filePath(candidate)).canonicalFilePath();
    if (path.isEmpty() || !prompts.openUrl(QUrl::fromLocalFile(path)))
        prompts.warning(parent, u"使用说明"_s,
                        u"找不到使用说明文件 guide.html，或没有可以打开它的浏览器。"_s);
}

} // namespace talven
