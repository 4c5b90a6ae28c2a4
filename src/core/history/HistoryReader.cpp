#include "HistoryReader.h"

#include "common/InputFile.h"
#include "history/ReaderText.h"
#include "history/SourceFile.h"
#include "history/TableCell.h"
#include "history/TableReader.h"
#include "history/TableSplitter.h"
#include "history/TitleRow.h"

#include <QFileInfo>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// True when the line, as the original reader sees it, starts with its own period.
bool startsWithPeriod(const QString& text) {
    const QString t = text.trimmed();
    return t.size() >= 7 && std::all_of(t.begin(), t.begin() + 7, isDigit);
}

// True when the skipped line is a row of column titles, as the program's own exports start with.
bool isTitleLine(const SkippedLine& line) {
    const QList<TableRow> rows = TableSplitter::split(line.text, TableSplitter::separatorOf(line.text));
    if (rows.size() != 1)
        return false;
    QList<TableCell> cells;
    for (const QString& cell : rows.first().cells)
        cells.append(TableCell::of(cell));
    return TitleRow::isTitleRow(rows.first().cells, cells, true);
}

Result<HistoryFile> twoDigitFile(const QStringList& lines, int nonBlank, HistoryParseResult parsed) {
    if (parsed.conflict) {
        const auto [first, second] = *parsed.conflict;
        const QString period = lines[first - 1].trimmed().left(7);
        return ReaderText::refused(
            u"第 %1 行与第 %2 行都是第 %3 期，号码却不同，无法确定哪一行正确"_s.arg(first).arg(second).arg(
                period));
    }
    HistoryFile file;
    file.form = u"每行一期，两位数字的号码"_s;
    const auto firstLine =
        std::find_if(lines.begin(), lines.end(), [](const QString& l) { return !l.trimmed().isEmpty(); });
    if (!parsed.skipped.isEmpty() && parsed.skipped.first().lineNumber == firstLine - lines.begin() + 1 &&
        isTitleLine(parsed.skipped.first())) {
        parsed.skipped.removeFirst();
        file.form += u"，有标题行"_s;
    }
    if (parsed.reversed)
        file.form += u"，由新到旧排列，已倒转"_s;
    file.draws = std::move(parsed.draws);
    file.skipped = std::move(parsed.skipped);
    file.lines = nonBlank;
    file.twoDigitLines = true;
    file.everyLineDated = std::all_of(file.draws.begin(), file.draws.end(), [&](const ParsedDraw& d) {
        return startsWithPeriod(lines[d.lineNumber - 1]);
    });
    return file;
}

Result<HistoryFile> readTextTable(const QString& text, int proposedPeriod, int largest) {
    QString unified = text;
    unified.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n');
    const TableSplitter::Separator separator = TableSplitter::separatorOf(unified);
    const QList<TableRow> rows = TableSplitter::split(unified, separator);
    const TableReader::Source source{TableSplitter::separatorName(separator) + u"分隔表格"_s,
                                     separator == TableSplitter::Separator::Blank};
    return TableReader::read(rows, source, proposedPeriod, largest);
}

QList<TableRow> rowsOf(const SourceTable& table) {
    QList<TableRow> rows;
    rows.reserve(table.rows.size());
    for (const SourceRow& row : table.rows) {
        if (std::all_of(row.cells.begin(), row.cells.end(),
                        [](const QString& c) { return c.trimmed().isEmpty(); }))
            continue;
        QStringList cells;
        cells.reserve(row.cells.size());
        for (const QString& cell : row.cells)
            cells.append(cell.trimmed());
        rows.append({row.number, cells.join(u" | "_s), cells});
    }
    return rows;
}

} // namespace

namespace HistoryReader {

Result<HistoryFile> read(const QByteArray& bytes, int proposedPeriod, int largest, const QString& fileName) {
    // Workbooks, JSON and web pages are tables of cells; binary files are refused unread.
    const auto source = SourceFile::open(bytes, fileName);
    if (!source)
        return source.error();
    if (source->kind() != SourceFile::Kind::Text)
        return readTables(source->tables(), source->kindName(), largest, proposedPeriod);
    const QString text = HistoryParser::decodeText(bytes);
    const QStringList lines = HistoryParser::splitLines(text);
    HistoryParseResult parsed = HistoryParser::parseLines(lines, proposedPeriod, std::nullopt, largest);
    // The line reader gives every non-blank line a draw or a reason.
    const int nonBlank = int(parsed.draws.size() + parsed.skipped.size());
    // Files of the original form keep exactly the reading they always had.
    if (parsed.draws.size() * 2 >= nonBlank)
        return twoDigitFile(lines, nonBlank, std::move(parsed));
    auto table = readTextTable(text, proposedPeriod, largest);
    if (table && table->draws.size() < parsed.draws.size())
        return twoDigitFile(lines, nonBlank, std::move(parsed));
    return table;
}

Result<HistoryFile> readFile(const QString& path, int proposedPeriod, int largest) {
    const auto bytes = readInputFile(path, {u"无法打开历史号码文件 %1"_s, u"无法读取历史号码文件 %1"_s,
                                            u"文件 %1 大于 64 MB，不是历史号码文件"_s});
    if (!bytes)
        return bytes.error();
    return read(bytes.value(), proposedPeriod, largest, QFileInfo(path).fileName());
}

Result<HistoryFile> readTables(const QList<SourceTable>& tables, const QString& kindName, int largest,
                               int proposedPeriod) {
    std::optional<HistoryFile> mostlyNot; // draws, but more lines that are none
    std::optional<Error> firstError;
    for (const SourceTable& table : tables) {
        const TableReader::Source source{kindName + u"，"_s + table.name, false};
        auto file = TableReader::read(rowsOf(table), source, proposedPeriod, largest);
        if (!file) {
            if (!firstError)
                firstError = file.error();
            continue;
        }
        if (file->draws.isEmpty() ||
            (file->numbering == HistoryFile::Numbering::Counted && proposedPeriod <= 0))
            continue;
        file->sourceName = table.name;
        if (!file->refusal(QString()))
            return file;
        if (!mostlyNot)
            mostlyNot = std::move(file.value());
    }
    if (mostlyNot)
        return *mostlyNot;
    if (firstError)
        return *firstError;
    const bool workbook = kindName.contains(u"工作簿"_s);
    return ReaderText::refused(workbook ? u"这是一个 %1，但没有一张工作表含有开奖号码"_s.arg(kindName)
                                        : u"这是一个 %1，但其中没有含有开奖号码的表格"_s.arg(kindName));
}

} // namespace HistoryReader

} // namespace talven
