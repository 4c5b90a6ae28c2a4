#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>

// A sheet for an Excel 97-2003 workbook: texts, numbers, and dates shown as dates.
struct XlsSheet {
    QString name;
    QList<QVariantList> rows; // QString, int or double, QDate; a null QVariant leaves the cell out
    int declaredRows = 0;     // the size the sheet claims, when not that of its rows
    int declaredColumns = 0;
};

// A minimal BIFF8 workbook in a compound file, as Excel 97-2003 saves one: shared strings, number
// cells, a date format. streamName other than "Workbook" makes a compound file of something else.
QByteArray xlsWorkbook(const QList<XlsSheet>& sheets, const QString& streamName = QStringLiteral("Workbook"));
