#include "TableSplitter.h"

#include "history/DateCell.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace talven::TableSplitter {

namespace {

QChar separatorChar(Separator s) {
    switch (s) {
    case Separator::Tab:
        return u'\t';
    case Separator::Semicolon:
        return u';';
    case Separator::Comma:
        return u',';
    case Separator::Blank:
        break;
    }
    return {};
}

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\u3000' || c == u'\u00A0';
}

// Reads one row from `pos` to the end of its line, quoted line breaks included.
class RowScanner {
public:
    RowScanner(const QString& text, Separator separator)
        : m_text(text), m_separator(separator), m_char(separatorChar(separator)),
          m_lastQuote(text.lastIndexOf(u'"')) {}

    // The cells of the row at `pos`; `pos` moves past its line end and `lines` counts the line
    // ends passed.
    QStringList row(qsizetype& pos, int& lines) const {
        QStringList cells;
        const qsizetype n = m_text.size();
        while (true) {
            if (m_separator == Separator::Blank)
                while (pos < n && isBlank(m_text[pos]))
                    ++pos;
            if (pos >= n || m_text[pos] == u'\n') {
                if (m_separator != Separator::Blank || cells.isEmpty())
                    cells.append(QString());
                break;
            }
            cells.append(cell(pos, lines).trimmed());
            if (pos >= n || m_text[pos] == u'\n')
                break;
            ++pos; // the separator
        }
        if (m_separator == Separator::Blank && cells.size() == 1 && cells.first().isEmpty())
            cells.clear();
        if (pos < n)
            ++pos; // the line end
        ++lines;
        return cells;
    }

private:
    bool endsCell(QChar c) const {
        return c == u'\n' || (m_separator == Separator::Blank ? isBlank(c) : c == m_char);
    }

    QString cell(qsizetype& pos, int& lines) const {
        const qsizetype n = m_text.size();
        qsizetype start = pos;
        while (start < n && isBlank(m_text[start]) && !endsCell(m_text[start]))
            ++start;
        // A quote opens a quoted cell only where a later quote can close it; a stray one is text.
        if (start < n && m_text[start] == u'"' && start < m_lastQuote) {
            QString value;
            qsizetype i = start + 1;
            while (i < n) {
                const QChar c = m_text[i];
                if (c == u'"') {
                    if (i + 1 < n && m_text[i + 1] == u'"') {
                        value += c;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                if (c == u'\n')
                    ++lines;
                value += c;
                ++i;
            }
            // Anything between the closing quote and the separator belongs to the cell too.
            while (i < n && !endsCell(m_text[i]))
                value += m_text[i++];
            pos = i;
            return value;
        }
        qsizetype i = pos;
        while (i < n && !endsCell(m_text[i]))
            ++i;
        const QString value = m_text.mid(pos, i - pos);
        pos = i;
        return value;
    }

    const QString& m_text;
    Separator m_separator;
    QChar m_char;
    qsizetype m_lastQuote;
};

} // namespace

Separator separatorOf(const QString& text) {
    const QList<QStringView> lines = QStringView(text).split(u'\n');
    qsizetype nonBlank = 0;
    for (QStringView line : lines)
        if (!line.trimmed().isEmpty())
            ++nonBlank;
    for (Separator s : {Separator::Tab, Separator::Semicolon, Separator::Comma}) {
        const QChar c = separatorChar(s);
        const auto having =
            std::count_if(lines.begin(), lines.end(), [c](QStringView l) { return l.contains(c); });
        if (having * 2 > nonBlank)
            return s;
    }
    return Separator::Blank;
}

QList<TableRow> split(const QString& text, Separator separator) {
    QList<TableRow> rows;
    const RowScanner scanner(text, separator);
    qsizetype pos = 0;
    int line = 1;
    while (pos < text.size()) {
        const qsizetype start = pos;
        const int first = line;
        QStringList cells = scanner.row(pos, line);
        if (std::all_of(cells.begin(), cells.end(), [](const QString& c) { return c.isEmpty(); }))
            continue;
        DateCell::joinSplitDates(cells);
        QString raw = text.mid(start, pos - start);
        if (raw.endsWith(u'\n'))
            raw.chop(1);
        rows.append({first, raw, std::move(cells)});
    }
    return rows;
}

QString separatorName(Separator separator) {
    switch (separator) {
    case Separator::Tab:
        return u"制表符"_s;
    case Separator::Semicolon:
        return u"分号"_s;
    case Separator::Comma:
        return u"逗号"_s;
    case Separator::Blank:
        break;
    }
    return u"空格"_s;
}

} // namespace talven::TableSplitter
