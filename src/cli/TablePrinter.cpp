#include "TablePrinter.h"

#include <QAbstractItemModel>
#include <QStringList>
#include <QTextStream>

namespace talven {

void printTable(QTextStream& out, const QAbstractItemModel& model, int columns, int firstRow) {
    QStringList header;
    for (int c = 0; c < columns; ++c)
        header.append(model.headerData(c, Qt::Horizontal).toString());
    out << header.join(u'\t') << Qt::endl;
    for (int r = std::max(0, firstRow); r < model.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < columns; ++c)
            cells.append(model.index(r, c).data().toString());
        out << cells.join(u'\t') << Qt::endl;
    }
}

QString shownLine(const QString& text) {
    QString shown = text.left(60);
    for (QChar& ch : shown)
        if (ch.category() == QChar::Other_Control || ch == QChar::ReplacementCharacter)
            ch = u'?';
    if (text.size() > 60)
        shown += QStringLiteral("…");
    return shown;
}

} // namespace talven
