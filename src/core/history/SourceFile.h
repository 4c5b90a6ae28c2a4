#pragma once

#include "common/Result.h"
#include "history/SourceTable.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace talven {

// A history file as what it is: lines of text, which the text reader takes as they are, or tables
// of cells from a workbook, a JSON list of draws or the tables of a web page.
class SourceFile {
public:
    enum class Kind { Text, Xlsx, Xls, Json, Html };

    // The kind is told by the content first (a zip or compound-file signature, a leading '{' or
    // '[', a web page's tags) and by the file name's extension only where the content leaves it
    // open. Binary files that are no readable workbook (other zips and compound files, pictures,
    // PDF, packed archives, text with NUL bytes) are refused at once, naming what they are.
    static Result<SourceFile> open(const QByteArray& bytes, const QString& fileName);
    // The tables of HTML text, such as a browser puts on the clipboard; refused without a table.
    static Result<SourceFile> fromHtml(const QString& html);

    Kind kind() const { return m_kind; }
    // "Excel 工作簿", "Excel 97-2003 工作簿", "JSON 文件", "网页表格", "文本".
    QString kindName() const { return kindName(m_kind); }
    static QString kindName(Kind kind);
    // One per sheet, JSON list or HTML table, in the file's order; none for text.
    const QList<SourceTable>& tables() const { return m_tables; }

    // The sentence that ends every refusal of a file: the forms of history the program reads.
    static QString readableForms();

private:
    SourceFile(Kind kind, QList<SourceTable> tables) : m_kind(kind), m_tables(std::move(tables)) {}

    Kind m_kind = Kind::Text;
    QList<SourceTable> m_tables;
};

} // namespace talven
