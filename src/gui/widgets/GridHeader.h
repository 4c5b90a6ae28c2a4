#pragma once

#include <QHeaderView>

namespace talven {

// The column header of the grids. A header asked to wrap its titles (Qt::TextWordWrap in its
// default alignment) breaks them only between words, never inside one as Qt does with Chinese:
// after a slash, before a parenthesis, between Chinese and a Latin word. A section is at least as
// wide as its widest word.
class GridHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit GridHeader(QWidget* parent = nullptr);

    // The title split at the places a line may break.
    static QStringList words(const QString& title);
    // The title as shown in width pixels: its words filled into lines.
    static QString brokenTitle(const QString& title, const QFontMetrics& metrics, int width);
    // The height the titles need at the sections' current widths.
    int titlesHeight() const;

protected:
    void initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const override;
    QSize sectionSizeFromContents(int logicalIndex) const override;

private:
    bool wraps() const { return defaultAlignment() & Qt::TextWordWrap; }
    int textMargin() const;
};

} // namespace talven
