#include "history/XlsxSheets.h"

#include "common/ShownText.h"
#include "history/HtmlTables.h"

#include <QDir>
#include <QHash>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <unzip.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

using namespace Qt::StringLiterals;

namespace talven::XlsxSheets {

namespace {

// Sheets beyond Excel's own bounds are broken files; cells there are passed over.
constexpr int MaxColumns = 16384;
constexpr int MaxRows = 1048576;
// Cells held in memory, gaps included: a history has tens of thousands.
constexpr qint64 MaxCells = 5'000'000;

// minizip reads the zip from memory through these callbacks instead of from a file.
struct MemoryStream {
    const QByteArray* bytes = nullptr;
    qint64 position = 0;
};

voidpf memoryOpen(voidpf opaque, const void*, int) {
    auto* stream = static_cast<MemoryStream*>(opaque);
    stream->position = 0;
    return stream;
}

uLong memoryRead(voidpf, voidpf handle, void* buffer, uLong size) {
    auto* stream = static_cast<MemoryStream*>(handle);
    const qint64 left = std::max<qint64>(0, stream->bytes->size() - stream->position);
    const qint64 n = std::min<qint64>(left, qint64(size));
    if (n > 0)
        std::memcpy(buffer, stream->bytes->constData() + stream->position, size_t(n));
    stream->position += n;
    return uLong(n);
}

uLong memoryWrite(voidpf, voidpf, const void*, uLong) {
    return 0;
}

ZPOS64_T memoryTell(voidpf, voidpf handle) {
    return ZPOS64_T(static_cast<MemoryStream*>(handle)->position);
}

long memorySeek(voidpf, voidpf handle, ZPOS64_T offset, int origin) {
    auto* stream = static_cast<MemoryStream*>(handle);
    qint64 base = 0;
    if (origin == ZLIB_FILEFUNC_SEEK_CUR)
        base = stream->position;
    else if (origin == ZLIB_FILEFUNC_SEEK_END)
        base = stream->bytes->size();
    const qint64 target = base + qint64(offset);
    if (offset > ZPOS64_T(stream->bytes->size()) || target < 0 || target > stream->bytes->size())
        return -1;
    stream->position = target;
    return 0;
}

int memoryClose(voidpf, voidpf) {
    return 0;
}
int memoryError(voidpf, voidpf) {
    return 0;
}

Error damagedWorkbook() {
    return Error{u"这个 Excel 工作簿已损坏，无法读入"_s};
}

// An opened zip with its entries by lower-case name, reading each within one shared budget.
class Zip {
public:
    explicit Zip(const QByteArray& bytes) {
        m_stream.bytes = &bytes;
        zlib_filefunc64_def functions{};
        functions.zopen64_file = memoryOpen;
        functions.zread_file = memoryRead;
        functions.zwrite_file = memoryWrite;
        functions.ztell64_file = memoryTell;
        functions.zseek64_file = memorySeek;
        functions.zclose_file = memoryClose;
        functions.zerror_file = memoryError;
        functions.opaque = &m_stream;
        m_zip = unzOpen2_64("", &functions);
        if (!m_zip)
            return;
        for (int status = unzGoToFirstFile(m_zip); status == UNZ_OK; status = unzGoToNextFile(m_zip)) {
            char name[1024];
            unz_file_info64 info{};
            if (unzGetCurrentFileInfo64(m_zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK)
                break;
            unz64_file_pos position{};
            unzGetFilePos64(m_zip, &position);
            m_entries.insert(QString::fromUtf8(name).toLower(), position);
        }
    }
    ~Zip() {
        if (m_zip)
            unzClose(m_zip);
    }
    Zip(const Zip&) = delete;
    Zip& operator=(const Zip&) = delete;

    bool isOpen() const { return m_zip != nullptr; }
    bool contains(const QString& name) const { return m_entries.contains(name.toLower()); }

    // The unpacked entry; an absent entry is empty. Refused when damaged or over the budget.
    Result<QByteArray> entry(const QString& name) {
        const auto found = m_entries.constFind(name.toLower());
        if (found == m_entries.cend())
            return QByteArray();
        unz64_file_pos position = *found;
        unz_file_info64 info{};
        if (unzGoToFilePos64(m_zip, &position) != UNZ_OK ||
            unzGetCurrentFileInfo64(m_zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK ||
            unzOpenCurrentFile(m_zip) != UNZ_OK)
            return damaged(name);
        const qint64 budget = UnpackedLimit - m_unpacked;
        if (info.uncompressed_size > ZPOS64_T(budget)) {
            unzCloseCurrentFile(m_zip);
            return tooLarge();
        }
        QByteArray data;
        data.reserve(qsizetype(info.uncompressed_size));
        char buffer[65536];
        int n = 0;
        // The declared size may lie, so the budget also holds for what is actually unpacked.
        while ((n = unzReadCurrentFile(m_zip, buffer, sizeof buffer)) > 0) {
            if (data.size() + n > budget) {
                unzCloseCurrentFile(m_zip);
                return tooLarge();
            }
            data.append(buffer, n);
        }
        if (unzCloseCurrentFile(m_zip) != UNZ_OK || n < 0)
            return damaged(name);
        m_unpacked += data.size();
        return data;
    }

private:
    static Error damaged(const QString& name) {
        return Error{u"这个 Excel 工作簿已损坏，无法读出其中的“%1”"_s.arg(shownText(name))};
    }
    static Error tooLarge() {
        return Error{u"这个 Excel 工作簿解压后超过 %1 MB，不像开奖记录，不读入"_s.arg(UnpackedLimit >> 20)};
    }

    MemoryStream m_stream;
    unzFile m_zip = nullptr;
    QHash<QString, unz64_file_pos> m_entries;
    qint64 m_unpacked = 0;
};

struct SheetRef {
    QString name;
    QString path;
};

struct Workbook {
    QList<SheetRef> sheets;
    bool from1904 = false;
};

// The attribute of that local name, whatever its namespace prefix ("r:id").
QStringView attribute(const QXmlStreamAttributes& attributes, QStringView localName) {
    for (const QXmlStreamAttribute& a : attributes)
        if (a.name() == localName)
            return a.value();
    return {};
}

Workbook workbookSheets(const QByteArray& workbookXml, const QByteArray& relsXml) {
    QHash<QString, QString> targets;
    QXmlStreamReader rels(relsXml);
    while (!rels.atEnd() && !rels.hasError()) {
        if (rels.readNext() != QXmlStreamReader::StartElement || rels.name() != u"Relationship")
            continue;
        const QString target = rels.attributes().value("Target"_L1).toString();
        const QString path = target.startsWith(u'/') ? target.mid(1) : u"xl/"_s + target;
        targets.insert(rels.attributes().value("Id"_L1).toString(), QDir::cleanPath(path));
    }
    Workbook workbook;
    QXmlStreamReader xml(workbookXml);
    while (!xml.atEnd() && !xml.hasError()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"workbookPr") {
            const QStringView date1904 = xml.attributes().value("date1904"_L1);
            workbook.from1904 = date1904 == u"1" || date1904 == u"true";
        } else if (xml.name() == u"sheet") {
            const QXmlStreamAttributes attributes = xml.attributes();
            workbook.sheets.append({attributes.value("name"_L1).toString(),
                                    targets.value(attribute(attributes, u"id").toString())});
        }
    }
    return workbook;
}

QStringList sharedStrings(const QByteArray& bytes) {
    QStringList strings;
    QXmlStreamReader xml(bytes);
    QString current;
    int phonetic = 0; // the reading aids of East Asian text are no part of the cell's value
    while (!xml.atEnd() && !xml.hasError()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            if (xml.name() == u"si")
                current.clear();
            else if (xml.name() == u"rPh")
                ++phonetic;
            else if (xml.name() == u"t" && phonetic == 0)
                current += xml.readElementText();
            break;
        case QXmlStreamReader::EndElement:
            if (xml.name() == u"si")
                strings.append(current);
            else if (xml.name() == u"rPh")
                --phonetic;
            break;
        default:
            break;
        }
    }
    return strings;
}

bool isDateFormatCode(QString code) {
    // Literal text, escaped characters and bracketed parts ([Red], [$-804]) say nothing of dates.
    static const QRegularExpression literals(u"\"[^\"]*\"|\\\\.|\\[[^\\]]*\\]|_.|\\*."_s);
    code.remove(literals);
    code = code.toLower();
    if (code.contains(u'y') || code.contains(u'd'))
        return true;
    // "m" alone is a month; beside hours or seconds it is minutes.
    return code.contains(u'm') && !code.contains(u'h') && !code.contains(u's');
}

bool isBuiltInDate(int id) {
    // 14–17 and 22 are the international date formats; 27–31, 36, 50–54, 57 and 58 the Chinese ones.
    return (id >= 14 && id <= 17) || id == 22 || (id >= 27 && id <= 31) || id == 36 ||
           (id >= 50 && id <= 54) || id == 57 || id == 58;
}

// For every cell style (the cells' s="…"), whether its number format shows a date.
QList<bool> dateStyles(const QByteArray& bytes) {
    QHash<int, bool> customIsDate;
    QList<bool> styles;
    QXmlStreamReader xml(bytes);
    bool inCellXfs = false;
    while (!xml.atEnd() && !xml.hasError()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && xml.name() == u"cellXfs")
            inCellXfs = false;
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"numFmt") {
            customIsDate.insert(xml.attributes().value("numFmtId"_L1).toInt(),
                                isDateFormatCode(xml.attributes().value("formatCode"_L1).toString()));
        } else if (xml.name() == u"cellXfs") {
            inCellXfs = true;
        } else if (inCellXfs && xml.name() == u"xf") {
            const int id = xml.attributes().value("numFmtId"_L1).toInt();
            styles.append(customIsDate.contains(id) ? customIsDate.value(id) : isBuiltInDate(id));
        }
    }
    return styles;
}

QString numberText(const QString& raw) {
    // Most cells of a history are whole numbers, written as they are shown.
    const bool digits = !raw.isEmpty() && raw.size() <= 15 && (raw[0] != u'0' || raw.size() == 1) &&
                        std::all_of(raw.begin(), raw.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    if (digits)
        return raw;
    bool ok = false;
    const double value = raw.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return raw;
    if (value == std::floor(value) && std::abs(value) < 1e15)
        return QString::number(qint64(value));
    return QString::number(value, 'g', 15);
}

// The text of XML character data or an attribute value, its entities decoded.
QString xmlText(const char* begin, const char* end) {
    const QString text = QString::fromUtf8(begin, end - begin);
    return text.contains(u'&') ? HtmlTables::decodeEntities(text) : text;
}

// One tag of a worksheet's XML: its local name (without a namespace prefix) and the attributes
// the cells need.
struct Tag {
    QByteArrayView name;
    bool closing = false;
    bool selfClosing = false;
    QByteArrayView r, t, s;
};

// A worksheet is read with a scanner of its own rather than a general XML reader: a sheet of
// thousands of draws holds tens of thousands of cells, and this is what keeps opening it quick.
class SheetScanner {
public:
    explicit SheetScanner(const QByteArray& bytes) : m_p(bytes.constData()), m_end(m_p + bytes.size()) {}

    // The next element tag; false at the end of the text.
    bool next(Tag& tag) {
        while (true) {
            m_p = static_cast<const char*>(std::memchr(m_p, '<', size_t(m_end - m_p)));
            if (!m_p)
                return false;
            ++m_p;
            if (m_p < m_end && (*m_p == '?' || *m_p == '!')) {
                const bool comment = m_end - m_p >= 3 && std::memcmp(m_p, "!--", 3) == 0;
                skipPast(comment ? "-->" : ">");
                continue;
            }
            break;
        }
        tag = Tag{};
        tag.closing = m_p < m_end && *m_p == '/';
        if (tag.closing)
            ++m_p;
        const char* nameStart = m_p;
        while (m_p < m_end && !isBlank(*m_p) && *m_p != '>' && *m_p != '/')
            ++m_p;
        tag.name = QByteArrayView(nameStart, m_p - nameStart);
        if (const qsizetype colon = tag.name.indexOf(':'); colon >= 0)
            tag.name = tag.name.sliced(colon + 1);
        while (m_p < m_end && *m_p != '>') {
            if (*m_p == '/') {
                tag.selfClosing = true;
                ++m_p;
                continue;
            }
            if (isBlank(*m_p)) {
                ++m_p;
                continue;
            }
            const char* attributeStart = m_p;
            while (m_p < m_end && *m_p != '=' && *m_p != '>' && !isBlank(*m_p))
                ++m_p;
            QByteArrayView attribute(attributeStart, m_p - attributeStart);
            while (m_p < m_end && (isBlank(*m_p) || *m_p == '='))
                ++m_p;
            if (m_p >= m_end || (*m_p != '"' && *m_p != '\''))
                continue;
            const char quote = *m_p++;
            const char* valueStart = m_p;
            m_p = static_cast<const char*>(std::memchr(m_p, quote, size_t(m_end - m_p)));
            if (!m_p)
                m_p = m_end;
            const QByteArrayView value(valueStart, m_p - valueStart);
            if (m_p < m_end)
                ++m_p;
            if (const qsizetype colon = attribute.indexOf(':'); colon >= 0)
                attribute = attribute.sliced(colon + 1);
            if (attribute == "r")
                tag.r = value;
            else if (attribute == "t")
                tag.t = value;
            else if (attribute == "s")
                tag.s = value;
        }
        if (m_p < m_end)
            ++m_p;
        return true;
    }
    // The character data from here to the next tag.
    QString text() {
        const char* begin = m_p;
        const char* end = static_cast<const char*>(std::memchr(m_p, '<', size_t(m_end - m_p)));
        m_p = end ? end : m_end;
        return xmlText(begin, m_p);
    }

private:
    static bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
    void skipPast(const char* marker) {
        const QByteArrayView rest(m_p, m_end - m_p);
        const qsizetype at = rest.indexOf(QByteArrayView(marker));
        m_p = at < 0 ? m_end : m_p + at + std::strlen(marker);
    }

    const char* m_p;
    const char* m_end;
};

int toInt(QByteArrayView digits) {
    int value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9' || value > MaxRows)
            return value > MaxRows ? MaxRows + 1 : value;
        value = value * 10 + (c - '0');
    }
    return value;
}

// "B7" -> column 2, row 7; zero where a part is missing.
void parseReference(QByteArrayView reference, int& column, int& row) {
    column = 0;
    qsizetype i = 0;
    for (; i < reference.size() && std::isalpha(static_cast<unsigned char>(reference[i])); ++i)
        column = std::min(column * 26 + (std::toupper(static_cast<unsigned char>(reference[i])) - 'A' + 1),
                          MaxColumns + 1);
    row = toInt(reference.sliced(i));
}

struct SheetContext {
    const QStringList& strings;
    const QList<bool>& dateStyle;
    bool from1904 = false;
    qint64 cells = 0; // across the workbook, gaps included
};

// "yyyy-MM-dd", without QDate's parsing of a format for every cell.
QString dayText(QDate date) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year(), date.month(), date.day());
    return QString::fromLatin1(text);
}

// The shown text of a cell from its type (t="…"), style and value.
QString cellText(QByteArrayView type, int style, const QString& value, const QString& inlineText,
                 const SheetContext& context) {
    if (type == "s") {
        bool ok = false;
        const int index = value.toInt(&ok);
        return ok ? context.strings.value(index) : QString();
    }
    if (type == "inlineStr")
        return inlineText;
    if (type == "b")
        return value.trimmed() == u"1" ? u"TRUE"_s : u"FALSE"_s;
    if (type == "str" || type == "e")
        return value;
    if (type == "d")
        return value.left(10);
    if (value.isEmpty())
        return {};
    if (style >= 0 && context.dateStyle.value(style)) {
        bool ok = false;
        const QDate date = serialDate(value.toDouble(&ok), context.from1904);
        if (ok && date.isValid())
            return dayText(date);
    }
    return numberText(value);
}

Result<QList<SourceRow>> sheetRows(const QByteArray& bytes, SheetContext& context) {
    QList<SourceRow> rows;
    SheetScanner scanner(bytes);
    Tag tag;
    int rowNumber = 0;
    int column = 0;
    bool inCell = false;
    int phonetic = 0;
    // The cell being read.
    QByteArrayView type; // into bytes, which outlive the loop
    int style = -1;
    QString value;
    QString inlineText;
    while (scanner.next(tag)) {
        if (!tag.closing && tag.name == "row") {
            rowNumber = tag.r.isEmpty() ? rowNumber + 1 : toInt(tag.r);
            column = 0;
        } else if (!tag.closing && tag.name == "c") {
            int refRow = 0;
            int cellColumn = 0;
            parseReference(tag.r, cellColumn, refRow);
            column = cellColumn > 0 ? cellColumn : column + 1;
            if (refRow > 0)
                rowNumber = refRow;
            type = tag.t;
            style = tag.s.isEmpty() ? -1 : toInt(tag.s);
            value.clear();
            inlineText.clear();
            inCell = !tag.selfClosing;
        } else if (inCell && !tag.closing && !tag.selfClosing && tag.name == "v") {
            value = scanner.text();
        } else if (inCell && tag.name == "rPh" && !tag.selfClosing) {
            phonetic += tag.closing ? -1 : 1;
        } else if (inCell && !tag.closing && !tag.selfClosing && tag.name == "t" && phonetic == 0) {
            inlineText += scanner.text();
        } else if (inCell && tag.closing && tag.name == "c") {
            inCell = false;
            const QString text = cellText(type, style, value, inlineText, context);
            if (text.isEmpty() || column > MaxColumns || rowNumber < 1 || rowNumber > MaxRows)
                continue;
            if (rows.isEmpty() || rows.last().number != rowNumber) {
                rows.append(SourceRow{rowNumber, {}});
                rows.last().cells.reserve(16);
            }
            QStringList& cells = rows.last().cells;
            if (cells.size() < column) {
                context.cells += column - cells.size();
                if (context.cells > MaxCells)
                    return Error{u"这个 Excel 工作簿的单元格超过 %1 万个，不像开奖记录，不读入"_s.arg(
                        MaxCells / 10000)};
                cells.resize(column);
            }
            cells[column - 1] = text;
        }
    }
    // Rows are stored in order; a file that mixes them is put right.
    std::stable_sort(rows.begin(), rows.end(),
                     [](const SourceRow& a, const SourceRow& b) { return a.number < b.number; });
    return rows;
}

} // namespace

QDate serialDate(double serial, bool from1904) {
    if (!std::isfinite(serial) || serial < (from1904 ? 0 : 1) || serial > 2958465)
        return {};
    const auto days = qint64(std::floor(serial));
    if (from1904)
        return QDate(1904, 1, 1).addDays(days);
    if (days == 60) // 29 February 1900, which the 1900 system counts though it never was
        return {};
    return days < 60 ? QDate(1899, 12, 31).addDays(days) : QDate(1899, 12, 30).addDays(days);
}

bool isWorkbook(const QByteArray& zip) {
    Zip archive(zip);
    return archive.isOpen() && archive.contains(u"xl/workbook.xml"_s);
}

Result<QList<SourceTable>> read(const QByteArray& bytes) {
    Zip zip(bytes);
    if (!zip.isOpen())
        return damagedWorkbook();
    Result<QByteArray> workbookXml = zip.entry(u"xl/workbook.xml"_s);
    if (!workbookXml)
        return workbookXml.error();
    Result<QByteArray> rels = zip.entry(u"xl/_rels/workbook.xml.rels"_s);
    if (!rels)
        return rels.error();
    const Workbook workbook = workbookSheets(workbookXml.value(), rels.value());
    Result<QByteArray> stringsXml = zip.entry(u"xl/sharedStrings.xml"_s);
    if (!stringsXml)
        return stringsXml.error();
    Result<QByteArray> stylesXml = zip.entry(u"xl/styles.xml"_s);
    if (!stylesXml)
        return stylesXml.error();
    const QStringList strings = sharedStrings(stringsXml.value());
    const QList<bool> styles = dateStyles(stylesXml.value());
    SheetContext context{strings, styles, workbook.from1904};

    QList<SourceTable> tables;
    for (const SheetRef& sheet : workbook.sheets) {
        SourceTable table{u"工作表“%1”"_s.arg(shownText(sheet.name)), {}};
        if (!sheet.path.isEmpty() && zip.contains(sheet.path)) {
            Result<QByteArray> sheetXml = zip.entry(sheet.path);
            if (!sheetXml)
                return sheetXml.error();
            Result<QList<SourceRow>> rows = sheetRows(sheetXml.value(), context);
            if (!rows)
                return rows.error();
            table.rows = std::move(rows.value());
        }
        tables.append(std::move(table));
    }
    return tables;
}

} // namespace talven::XlsxSheets
