#include "history/HtmlTables.h"

#include <QHash>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace talven::HtmlTables {

namespace {

struct OpenTable {
    qsizetype index = 0; // the table's place among all tables, in the order they open
    bool inRow = false;
    bool inCell = false;
    int rows = 0;
    QStringList cells;
    QString cell;
    int colspan = 1;
    bool tagSinceText = false; // a tag stands between the cell's text so far and the next text
};

int colspanOf(QStringView attributes) {
    const qsizetype at = attributes.indexOf(u"colspan", 0, Qt::CaseInsensitive);
    if (at < 0)
        return 1;
    qsizetype i = at + 7;
    while (i < attributes.size() && (attributes[i].isSpace() || attributes[i] == u'=' ||
                                     attributes[i] == u'"' || attributes[i] == u'\''))
        ++i;
    int span = 0;
    while (i < attributes.size() && attributes[i].isDigit() && span < 1000)
        span = span * 10 + (attributes[i++].unicode() - u'0');
    // Bounded, so that a stray colspan="99999" cannot fill the memory.
    return std::clamp(span, 1, 256);
}

class Reader {
public:
    QList<SourceTable> tables;

    void openTable() {
        finishCell();
        OpenTable table;
        table.index = tables.size();
        m_stack.append(table);
        tables.append(SourceTable{});
    }
    void closeTable() {
        if (m_stack.isEmpty())
            return;
        finishRow();
        m_stack.removeLast();
    }
    void openRow() {
        if (m_stack.isEmpty())
            return;
        finishRow();
        OpenTable& t = m_stack.last();
        t.inRow = true;
        t.cells.clear();
    }
    void closeRow() { finishRow(); }
    void openCell(QStringView attributes) {
        if (m_stack.isEmpty())
            return;
        finishCell();
        OpenTable& t = m_stack.last();
        if (!t.inRow)
            openRow();
        t.inCell = true;
        t.cell.clear();
        t.colspan = colspanOf(attributes);
        t.tagSinceText = false;
    }
    void closeCell() { finishCell(); }
    void blank() {
        if (!m_stack.isEmpty() && m_stack.last().inCell)
            m_stack.last().cell += u' ';
    }
    void tag() {
        if (!m_stack.isEmpty())
            m_stack.last().tagSinceText = true;
    }
    void text(QStringView raw) {
        if (m_stack.isEmpty() || !m_stack.last().inCell)
            return;
        OpenTable& t = m_stack.last();
        const QString decoded = decodeEntities(raw);
        // Numbers drawn as separate elements (<span>05</span><span>18</span>) stay separate.
        if (t.tagSinceText && !t.cell.isEmpty() && !decoded.isEmpty() && t.cell.back().isDigit() &&
            decoded.front().isDigit())
            t.cell += u' ';
        t.cell += decoded;
        t.tagSinceText = false;
    }
    void finish() {
        while (!m_stack.isEmpty())
            closeTable();
        tables.removeIf([](const SourceTable& t) { return t.rows.isEmpty(); });
        for (qsizetype i = 0; i < tables.size(); ++i)
            tables[i].name = u"网页表格 %1"_s.arg(i + 1);
    }

private:
    void finishCell() {
        if (m_stack.isEmpty() || !m_stack.last().inCell)
            return;
        OpenTable& t = m_stack.last();
        t.inCell = false;
        t.cells.append(t.cell.simplified());
        for (int i = 1; i < t.colspan; ++i)
            t.cells.append(QString());
    }
    void finishRow() {
        finishCell();
        if (m_stack.isEmpty() || !m_stack.last().inRow)
            return;
        OpenTable& t = m_stack.last();
        t.inRow = false;
        ++t.rows;
        while (!t.cells.isEmpty() && t.cells.last().isEmpty())
            t.cells.removeLast();
        if (!t.cells.isEmpty())
            tables[t.index].rows.append(SourceRow{t.rows, t.cells});
    }

    QList<OpenTable> m_stack;
};

} // namespace

QList<SourceTable> read(const QString& html) {
    Reader reader;
    const QStringView view(html);
    qsizetype i = 0;
    while (i < view.size()) {
        if (view[i] != u'<') {
            qsizetype next = view.indexOf(u'<', i);
            if (next < 0)
                next = view.size();
            reader.text(view.mid(i, next - i));
            i = next;
            continue;
        }
        if (view.mid(i, 4) == u"<!--") {
            const qsizetype end = view.indexOf(u"-->", i + 4);
            i = end < 0 ? view.size() : end + 3;
            continue;
        }
        qsizetype p = i + 1;
        const bool closing = p < view.size() && view[p] == u'/';
        if (closing)
            ++p;
        const qsizetype nameStart = p;
        while (p < view.size() && (view[p].isLetterOrNumber() || view[p] == u':'))
            ++p;
        const bool declaration = p == nameStart && p < view.size() && (view[p] == u'!' || view[p] == u'?');
        if (p == nameStart && !declaration) {
            reader.text(view.mid(i, 1)); // a lone '<' is text
            ++i;
            continue;
        }
        const QString name = view.mid(nameStart, p - nameStart).toString().toLower();
        // The tag ends at the first '>' outside quoted attribute values.
        QChar quote;
        qsizetype end = p;
        for (; end < view.size(); ++end) {
            const QChar c = view[end];
            if (!quote.isNull()) {
                if (c == quote)
                    quote = QChar();
            } else if (c == u'"' || c == u'\'') {
                quote = c;
            } else if (c == u'>') {
                break;
            }
        }
        const QStringView attributes = view.mid(p, end - p);
        i = end < view.size() ? end + 1 : view.size();
        if (declaration)
            continue;
        if (!closing && (name == u"script" || name == u"style")) {
            const qsizetype close = view.indexOf(QString(u"</"_s + name), i, Qt::CaseInsensitive);
            i = close < 0 ? view.size() : close;
            continue;
        }
        reader.tag();
        if (name == u"table")
            closing ? reader.closeTable() : reader.openTable();
        else if (name == u"tr")
            closing ? reader.closeRow() : reader.openRow();
        else if (name == u"td" || name == u"th")
            closing ? reader.closeCell() : reader.openCell(attributes);
        else if (name == u"br" || name == u"p" || name == u"div" || name == u"li")
            reader.blank();
    }
    reader.finish();
    return std::move(reader.tables);
}

QString decodeEntities(QStringView text) {
    static const QHash<QString, QString> named{
        {u"nbsp"_s, u" "_s},  {u"ensp"_s, u" "_s},   {u"emsp"_s, u" "_s},  {u"thinsp"_s, u" "_s},
        {u"amp"_s, u"&"_s},   {u"lt"_s, u"<"_s},     {u"gt"_s, u">"_s},    {u"quot"_s, u"\""_s},
        {u"apos"_s, u"'"_s},  {u"middot"_s, u"·"_s}, {u"ndash"_s, u"–"_s}, {u"mdash"_s, u"—"_s},
        {u"hellip"_s, u"…"_s}};
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype end = text[i] == u'&' ? text.indexOf(u';', i + 1) : -1;
        if (end < 0 || end - i > 10) {
            out += text[i];
            continue;
        }
        const QStringView entity = text.mid(i + 1, end - i - 1);
        QString decoded;
        if (entity.startsWith(u'#')) {
            bool ok = false;
            const bool hex = entity.size() > 1 && (entity[1] == u'x' || entity[1] == u'X');
            const uint code = (hex ? entity.mid(2) : entity.mid(1)).toUInt(&ok, hex ? 16 : 10);
            if (ok && code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) {
                const char32_t c = code;
                decoded = QString::fromUcs4(&c, 1);
            }
        } else {
            decoded = named.value(entity.toString().toLower());
        }
        if (decoded.isEmpty()) {
            out += text[i];
            continue;
        }
        out += decoded;
        i = end;
    }
    return out;
}

} // namespace talven::HtmlTables
