#include "widgets/GridHeader.h"

#include <QStyleOptionHeader>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

bool isLatin(QChar c) {
    return c.unicode() < 0x80 && c.isLetterOrNumber();
}

} // namespace

GridHeader::GridHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    // As the table view's own header.
    setSectionsClickable(true);
    setHighlightSections(true);
}

QStringList GridHeader::words(const QString& title) {
    QStringList out;
    QString word;
    for (qsizetype i = 0; i < title.size(); ++i) {
        const QChar c = title[i];
        const QChar before = i > 0 ? title[i - 1] : QChar();
        const bool opens = c == u'（' || c == u'(';
        const bool latinAfterChinese = isLatin(c) && before.unicode() >= 0x2E80;
        if (!word.isEmpty() && (opens || latinAfterChinese)) {
            out.append(word);
            word.clear();
        }
        word += c;
        if (c == u'/' || c == u' ') {
            out.append(word);
            word.clear();
        }
    }
    if (!word.isEmpty())
        out.append(word);
    return out;
}

QString GridHeader::brokenTitle(const QString& title, const QFontMetrics& metrics, int width) {
    QStringList lines;
    QString line;
    for (const QString& word : words(title)) {
        if (!line.isEmpty() && metrics.horizontalAdvance(line + word) > width) {
            lines.append(line.trimmed());
            line.clear();
        }
        line += word;
    }
    lines.append(line.trimmed());
    return lines.join(u'\n');
}

int GridHeader::textMargin() const {
    return 2 * style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, this);
}

void GridHeader::initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const {
    QHeaderView::initStyleOptionForIndex(option, logicalIndex);
    if (!wraps())
        return;
    // The lines are broken here; Qt's own wrapping would break inside a Chinese word.
    option->text = brokenTitle(option->text, fontMetrics(), sectionSize(logicalIndex) - textMargin());
    option->textAlignment &= ~Qt::TextWordWrap;
}

QSize GridHeader::sectionSizeFromContents(int logicalIndex) const {
    if (!wraps())
        return QHeaderView::sectionSizeFromContents(logicalIndex);
    QStyleOptionHeader option;
    initStyleOptionForIndex(&option, logicalIndex);
    const QSize text = fontMetrics().size(0, option.text);
    return QSize(text.width() + textMargin() + 2, text.height() + textMargin() + 2);
}

int GridHeader::titlesHeight() const {
    int height = 0;
    for (int c = 0; c < count(); ++c)
        if (!isSectionHidden(c))
            height = std::max(height, sectionSizeFromContents(c).height());
    return height;
}

} // namespace talven
