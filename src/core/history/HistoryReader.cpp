#include "HistoryReader.h"

#include "common/InputFile.h"

#include <QDate>
#include <QDir>
#include <QHash>

#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

bool allDigits(QStringView s) {
    return !s.isEmpty() && std::all_of(s.begin(), s.end(), isDigit);
}

// What a table cell holds. A draw number (YY/NNN or YYYY/NNN) gives a period as directly as a
// seven-digit period does; a date gives its day, made a period once the year's draws are counted.
enum class Kind { Other, Number, Period, Date };

struct Cell {
    Kind kind = Kind::Other;
    int value = 0; // the number, the period, or the date as a Julian day
};

constexpr int FirstYear = 1900;
constexpr int LastYear = 2099;

std::optional<int> periodOf(int year, int number) {
    if (year < FirstYear || year > LastYear || number < 1 || number > 999)
        return std::nullopt;
    return year * 1000 + number;
}

// Up to three digit groups, each followed by one separator character (or none at the end).
struct Groups {
    int count = 0;
    std::array<QStringView, 3> digits;
    std::array<QChar, 3> after{};
};

bool splitGroups(QStringView s, Groups& g) {
    qsizetype i = 0;
    while (i < s.size()) {
        if (g.count == 3)
            return false;
        const qsizetype start = i;
        while (i < s.size() && isDigit(s[i]))
            ++i;
        if (i == start)
            return false;
        g.digits[size_t(g.count)] = s.mid(start, i - start);
        g.after[size_t(g.count)] = i < s.size() ? s[i] : QChar();
        ++g.count;
        if (i < s.size())
            ++i;
    }
    return true;
}

Cell dateCell(int year, int month, int day) {
    const QDate date(year, month, day);
    if (!date.isValid() || year < FirstYear || year > LastYear)
        return {};
    return {Kind::Date, int(date.toJulianDay())};
}

// Read by hand rather than by patterns: a 5,000-line table has some 50,000 cells.
Cell classify(QStringView s) {
    if (s.isEmpty())
        return {};
    if (allDigits(s)) {
        if (s.size() <= 2)
            return {Kind::Number, s.toInt()};
        if (s.size() == 7) {
            const int v = s.toInt();
            if (const auto p = periodOf(v / 1000, v % 1000))
                return {Kind::Period, *p};
        }
        return {};
    }
    Groups g;
    if (!splitGroups(s, g))
        return {};
    auto len = [&](int i) { return g.digits[size_t(i)].size(); };
    auto num = [&](int i) { return g.digits[size_t(i)].toInt(); };
    auto sep = [&](int i) { return g.after[size_t(i)]; };
    if (g.count == 2 && sep(0) == u'/' && sep(1).isNull() && (len(0) == 2 || len(0) == 4) && len(1) <= 3) {
        const int year = len(0) == 4 ? num(0) : num(0) >= 70 ? 1900 + num(0) : 2000 + num(0);
        if (const auto p = periodOf(year, num(1)))
            return {Kind::Period, *p};
        return {};
    }
    if (g.count != 3)
        return {};
    if (sep(0) == u'/' && sep(1) == u'/' && sep(2).isNull() && len(0) <= 2 && len(1) <= 2 && len(2) == 4)
        return dateCell(num(2), num(1), num(0));
    if (len(0) != 4 || len(1) > 2 || len(2) > 2)
        return {};
    const bool dashes = sep(0) == u'-' && sep(1) == u'-' && sep(2).isNull();
    const bool slashes = sep(0) == u'/' && sep(1) == u'/' && sep(2).isNull();
    const bool written = sep(0) == u'年' && sep(1) == u'月' && sep(2) == u'日';
    if (dashes || slashes || written)
        return dateCell(num(0), num(1), num(2));
    return {};
}

enum class Separator { Tab, Semicolon, Comma, Blank };

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

QString separatorName(Separator s) {
    switch (s) {
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

QList<QStringView> fieldsOf(QStringView line, Separator separator) {
    QList<QStringView> fields;
    if (separator == Separator::Blank) {
        qsizetype i = 0;
        while (i < line.size()) {
            while (i < line.size() && line[i].isSpace())
                ++i;
            const qsizetype start = i;
            while (i < line.size() && !line[i].isSpace())
                ++i;
            if (i > start)
                fields.append(line.mid(start, i - start));
        }
        return fields;
    }
    for (QStringView f : line.split(separatorChar(separator))) {
        f = f.trimmed();
        if (f.size() >= 2 && f.front() == u'"' && f.back() == u'"')
            f = f.mid(1, f.size() - 2).trimmed();
        fields.append(f);
    }
    return fields;
}

// The role a header title gives its column: -1 none, 0..5 flat numbers, 6 the special number.
constexpr int PeriodTitle = 7;
constexpr int DateTitle = 8;

int titleRole(QStringView title) {
    const QString t = title.trimmed().toString().toLower().remove(u'\uFEFF');
    static const QStringList periods{u"期号"_s, u"期数"_s, u"期"_s, u"period"_s, u"draw"_s, u"issue"_s};
    static const QStringList dates{u"日期"_s, u"开奖日期"_s, u"date"_s};
    static const QStringList specials{u"特码"_s,  u"特别号码"_s, u"特别号"_s, u"special"_s,
                                      u"extra"_s, u"bonus"_s,    u"num7"_s};
    static const QStringList flats{u"号码"_s, u"平码"_s, u"正码"_s, u"num"_s, u"n"_s, u"ball"_s};
    if (periods.contains(t))
        return PeriodTitle;
    if (dates.contains(t))
        return DateTitle;
    if (specials.contains(t))
        return 6;
    if (!t.isEmpty() && t.back() >= u'1' && t.back() <= u'6' && flats.contains(t.chopped(1)))
        return t.back().unicode() - u'1';
    return -1;
}

struct Line {
    int number = 0; // 1-based line of the file
    QString text;
    QList<QStringView> fields;
    QList<Cell> cells; // each field read once: the layout and every row look at them
};

// Where the key (period or date) and the seven numbers of a row are.
struct Layout {
    int keyColumn = -1;
    Kind keyKind = Kind::Other; // Period or Date; Other when the rows carry no key
    QList<int> numberColumns;   // the seven columns in order, or empty: the numbers after the key
};

Kind majorityKind(const QList<Line>& rows, int column) {
    std::array<int, 4> counts{};
    for (const Line& row : rows)
        if (column < row.cells.size())
            ++counts[size_t(row.cells[column].kind)];
    const auto best = std::max_element(counts.begin() + 1, counts.end());
    return *best * 2 > rows.size() ? Kind(best - counts.begin()) : Kind::Other;
}

Layout layoutOf(const QList<Line>& rows, const QList<QStringView>& header) {
    Layout layout;
    int width = 0;
    for (const Line& row : rows)
        width = std::max(width, int(row.fields.size()));
    QList<Kind> kinds;
    for (int c = 0; c < width; ++c)
        kinds.append(majorityKind(rows, c));

    std::array<int, 7> titled;
    titled.fill(-1);
    int periodColumn = -1;
    int dateColumn = -1;
    for (int c = 0; c < header.size(); ++c) {
        const int role = titleRole(header[c]);
        if (role == PeriodTitle && periodColumn < 0)
            periodColumn = c;
        else if (role == DateTitle && dateColumn < 0)
            dateColumn = c;
        else if (role >= 0 && role < 7 && titled[size_t(role)] < 0)
            titled[size_t(role)] = c;
    }
    if (std::none_of(titled.begin(), titled.end(), [](int c) { return c < 0; }))
        layout.numberColumns = QList<int>(titled.begin(), titled.end());

    auto numbersAfter = [&](int key) {
        QList<int> columns;
        for (int c = key + 1; c < width && columns.size() < 7; ++c)
            if (kinds[c] == Kind::Number)
                columns.append(c);
        return columns;
    };
    auto tryKey = [&](int column, Kind kind) {
        if (layout.keyColumn >= 0 || column < 0 || column >= width || kinds[column] != kind)
            return;
        if (layout.numberColumns.isEmpty() && numbersAfter(column).size() < 7)
            return;
        layout.keyColumn = column;
        layout.keyKind = kind;
    };
    // A draw number gives the period itself, so it is preferred to a date.
    tryKey(periodColumn, Kind::Period);
    for (int c = 0; c < width; ++c)
        tryKey(c, Kind::Period);
    tryKey(dateColumn, Kind::Date);
    for (int c = 0; c < width; ++c)
        tryKey(c, Kind::Date);
    if (layout.numberColumns.isEmpty()) {
        const QList<int> columns = numbersAfter(layout.keyColumn);
        if (columns.size() == 7)
            layout.numberColumns = columns;
    }
    // Lines of unequal length (hand-written ones): the key, if any, comes first.
    if (layout.numberColumns.isEmpty() && layout.keyColumn < 0 && !kinds.isEmpty() &&
        (kinds[0] == Kind::Period || kinds[0] == Kind::Date)) {
        layout.keyColumn = 0;
        layout.keyKind = kinds[0];
    }
    return layout;
}

struct Row {
    int line = 0;
    QString text;
    QString keyText;
    int key = 0;
    std::array<int, 7> numbers{};
};

QString shownKey(Kind kind) {
    return kind == Kind::Date ? u"日期"_s : u"期号"_s;
}

// The key and the numbers of one row, or why it has none.
QString readRow(const Line& line, const Layout& layout, Row& row) {
    qsizetype next = 0;
    if (layout.keyKind != Kind::Other) {
        const QStringView field = line.fields.value(layout.keyColumn);
        const Cell cell = line.cells.value(layout.keyColumn);
        if (cell.kind != layout.keyKind)
            return field.isEmpty() ? u"没有%1"_s.arg(shownKey(layout.keyKind))
                                   : u"“%1”不是%2"_s.arg(field.toString(), shownKey(layout.keyKind));
        row.key = cell.value;
        row.keyText = field.toString();
        next = layout.keyColumn + 1;
    }
    if (!layout.numberColumns.isEmpty()) {
        for (int i = 0; i < 7; ++i) {
            const QStringView field = line.fields.value(layout.numberColumns[i]);
            const Cell cell = line.cells.value(layout.numberColumns[i]);
            if (cell.kind != Kind::Number)
                return field.isEmpty() ? u"缺少第%1个号码"_s.arg(i + 1)
                                       : u"“%1”不是号码"_s.arg(field.toString());
            row.numbers[size_t(i)] = cell.value;
        }
        return {};
    }
    int found = 0;
    for (; next < line.cells.size() && found < 7; ++next) {
        const Cell& cell = line.cells[next];
        if (cell.kind == Kind::Number)
            row.numbers[size_t(found++)] = cell.value;
    }
    if (found < 7)
        return u"只有%1个号码，不足7个"_s.arg(found);
    return {};
}

Separator separatorOf(const QList<Line>& lines) {
    for (Separator s : {Separator::Tab, Separator::Semicolon, Separator::Comma}) {
        const QChar c = separatorChar(s);
        const auto having =
            std::count_if(lines.begin(), lines.end(), [c](const Line& l) { return l.text.contains(c); });
        if (having * 2 > lines.size())
            return s;
    }
    return Separator::Blank;
}

// A first line of titles only. Unless it names a column the program knows, it must be as wide as
// a table of a key and seven numbers, so that a line of prose is not passed over as a header.
bool isHeader(const Line& line) {
    if (!std::all_of(line.cells.begin(), line.cells.end(),
                     [](const Cell& c) { return c.kind == Kind::Other; }))
        return false;
    return line.fields.size() >= 8 || std::any_of(line.fields.begin(), line.fields.end(),
                                                  [](QStringView f) { return titleRole(f) >= 0; });
}

Result<HistoryFile> readTable(const QStringList& textLines, int proposedPeriod, int largest) {
    HistoryFile file;
    QList<Line> lines;
    for (qsizetype i = 0; i < textLines.size(); ++i)
        if (!QStringView(textLines[i]).trimmed().isEmpty())
            lines.append({int(i) + 1, textLines[i], {}, {}});
    file.lines = int(lines.size());
    const Separator separator = separatorOf(lines);
    for (Line& line : lines) {
        line.fields = fieldsOf(line.text, separator);
        line.cells.reserve(line.fields.size());
        for (QStringView field : line.fields)
            line.cells.append(classify(field));
    }
    QList<QStringView> header;
    if (!lines.isEmpty() && isHeader(lines.first()))
        header = lines.takeFirst().fields;
    const Layout layout = layoutOf(lines, header);

    QList<Row> rows;
    for (const Line& line : lines) {
        Row row{line.number, line.text, {}, 0, {}};
        QString reason = readRow(line, layout, row);
        if (reason.isEmpty())
            reason = HistoryParser::numbersProblem(row.numbers, largest);
        if (!reason.isEmpty())
            file.skipped.append({line.number, line.text, reason});
        else
            rows.append(row);
    }

    const bool keyed = layout.keyKind != Kind::Other;
    QString order;
    if (keyed) {
        // The same draw twice is harmless; two different draws for one period leave no way to tell
        // which is right.
        QHash<int, qsizetype> seen;
        QList<Row> unique;
        for (const Row& row : rows) {
            const auto it = seen.constFind(row.key);
            if (it == seen.cend()) {
                seen.insert(row.key, unique.size());
                unique.append(row);
                continue;
            }
            const Row& first = unique[*it];
            if (first.numbers != row.numbers)
                return Error{u"第 %1 行与第 %2 行都是%3，号码却不同，无法确定哪一行正确，原有历史未改动"_s
                                 .arg(first.line)
                                 .arg(row.line)
                                 .arg(layout.keyKind == Kind::Date ? u" %1 的开奖"_s.arg(row.keyText)
                                                                   : u"第 %1 期"_s.arg(row.key))};
            file.skipped.append({row.line, row.text, u"与第 %1 行相同，只读入一次"_s.arg(first.line)});
        }
        rows = std::move(unique);
        auto byKey = [](const Row& a, const Row& b) { return a.key < b.key; };
        if (std::is_sorted(rows.begin(), rows.end(), byKey)) {
        } else if (std::is_sorted(rows.rbegin(), rows.rend(), byKey)) {
            std::reverse(rows.begin(), rows.end());
            order = u"，由新到旧排列，已倒转"_s;
        } else {
            std::stable_sort(rows.begin(), rows.end(), byKey);
            order = u"，未按先后排列，已按%1排序"_s.arg(shownKey(layout.keyKind));
        }
    }

    int previousYear = 0;
    int ordinal = 0;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        int period = proposedPeriod + int(i);
        if (layout.keyKind == Kind::Period) {
            period = row.key;
        } else if (layout.keyKind == Kind::Date) {
            const int year = QDate::fromJulianDay(row.key).year();
            ordinal = year == previousYear ? ordinal + 1 : 1;
            previousYear = year;
            period = year * 1000 + ordinal;
        }
        const QString reason = HistoryParser::validateDraw(period, row.numbers, std::nullopt, largest);
        if (!reason.isEmpty())
            file.skipped.append({row.line, row.text, reason});
        else
            file.draws.append({row.line, period, row.numbers});
    }
    std::sort(file.skipped.begin(), file.skipped.end(),
              [](const SkippedLine& a, const SkippedLine& b) { return a.lineNumber < b.lineNumber; });

    const bool plainLines = separator == Separator::Blank && header.isEmpty() && layout.keyColumn == 0 &&
                            layout.keyKind == Kind::Period &&
                            layout.numberColumns == QList<int>{1, 2, 3, 4, 5, 6, 7};
    if (plainLines) {
        file.form = u"每行期号和七个号码，空格分隔"_s;
    } else {
        file.form = separatorName(separator) + u"分隔表格"_s;
        if (!header.isEmpty())
            file.form += u"，有标题行"_s;
        if (layout.keyKind == Kind::Period)
            file.form += u"，期号列"_s;
        else if (layout.keyKind == Kind::Date)
            file.form += u"，日期列，按年份编期号"_s;
        else
            file.form += u"，没有期号，自第 %1 期起依次编号"_s.arg(proposedPeriod);
    }
    file.form += order;
    file.everyLineDated = keyed;
    return file;
}

// True when the line, as the original reader sees it, starts with its own period.
bool startsWithPeriod(const QString& text) {
    const QString t = text.trimmed();
    return t.size() >= 7 && allDigits(QStringView(t).left(7));
}

HistoryFile twoDigitFile(const QStringList& lines, int nonBlank, HistoryParseResult parsed) {
    HistoryFile file;
    file.form = u"每行一期，两位数字的号码"_s;
    file.draws = std::move(parsed.draws);
    file.skipped = std::move(parsed.skipped);
    file.lines = nonBlank;
    file.twoDigitLines = true;
    file.everyLineDated = std::all_of(file.draws.begin(), file.draws.end(), [&](const ParsedDraw& d) {
        return startsWithPeriod(lines[d.lineNumber - 1]);
    });
    return file;
}

} // namespace

std::optional<Error> HistoryFile::refusal(const QString& path) const {
    const QString shown = QDir::toNativeSeparators(path);
    if (draws.isEmpty())
        return Error{u"文件 %1 中没有可读入的历史号码，原有历史未改动"_s.arg(shown)};
    if (skipped.size() * 2 > lines)
        return Error{
            u"文件 %1 不像历史号码文件：%2 行中有 %3 行无法读入，只能读入 %4 期，原有历史未改动"_s.arg(shown)
                .arg(lines)
                .arg(skipped.size())
                .arg(draws.size()),
            ErrorCode::NotHistory};
    return std::nullopt;
}

QList<ParsedDraw> HistoryFile::previewDraws(int each) const {
    if (draws.size() <= 2 * each)
        return draws;
    return draws.first(each) + draws.last(each);
}

Result<QList<ParsedDraw>> HistoryFile::newerThan(const QList<ParsedDraw>& stored, const QString& path) const {
    const QString shown = QDir::toNativeSeparators(path);
    const QString unchanged = u"，原有历史未改动"_s;
    if (draws.isEmpty())
        return Error{u"文件 %1 中没有可读入的历史号码"_s.arg(shown) + unchanged};
    // Counted periods would only guess where the file meets the stored history.
    if (!everyLineDated)
        return Error{u"文件 %1 不是每行都有期号或日期，无法追加新开奖"_s.arg(shown) + unchanged};
    if (stored.isEmpty())
        return draws;

    QHash<int, const ParsedDraw*> inFile;
    for (const ParsedDraw& d : draws)
        inFile.insert(d.period, &d);
    QStringList differences;
    for (const ParsedDraw& s : stored) {
        const auto it = inFile.constFind(s.period);
        if (it != inFile.constEnd() && (*it)->numbers != s.numbers)
            differences.append(u"第 %1 期：已有 %2，文件第 %3 行为 %4"_s.arg(s.period)
                                   .arg(HistoryParser::shownNumbers(s.numbers))
                                   .arg((*it)->lineNumber)
                                   .arg(HistoryParser::shownNumbers((*it)->numbers)));
    }
    const int newest = stored.last().period;
    if (!inFile.contains(newest))
        differences.prepend(u"文件中没有已有的最新一期（第 %1 期）"_s.arg(newest));
    if (!differences.isEmpty()) {
        Error refused{
            u"文件 %1 与已有历史不符（%2 处），无法追加新开奖"_s.arg(shown).arg(differences.size()) +
            unchanged};
        refused.detail = differences.join(u'\n');
        return refused;
    }
    QList<ParsedDraw> newer;
    for (const ParsedDraw& d : draws)
        if (d.period > newest)
            newer.append(d);
    return newer;
}

namespace HistoryReader {

Result<HistoryFile> read(const QByteArray& bytes, int proposedPeriod, int largest) {
    const QStringList lines = HistoryParser::splitLines(HistoryParser::decodeText(bytes));
    HistoryParseResult parsed = HistoryParser::parseLines(lines, proposedPeriod, std::nullopt, largest);
    // The line reader gives every non-blank line a draw or a reason.
    const int nonBlank = int(parsed.draws.size() + parsed.skipped.size());
    // Files of the original form keep exactly the reading they always had.
    if (parsed.draws.size() * 2 >= nonBlank)
        return twoDigitFile(lines, nonBlank, std::move(parsed));
    auto table = readTable(lines, proposedPeriod, largest);
    if (table && table->draws.size() < parsed.draws.size())
        return twoDigitFile(lines, nonBlank, std::move(parsed));
    return table;
}

Result<HistoryFile> readFile(const QString& path, int proposedPeriod, int largest) {
    const auto bytes = readInputFile(path, {u"无法打开历史号码文件 %1，原有历史未改动"_s,
                                            u"无法读取历史号码文件 %1，原有历史未改动"_s,
                                            u"文件 %1 大于 64 MB，不是历史号码文件，原有历史未改动"_s});
    if (!bytes)
        return bytes.error();
    return read(bytes.value(), proposedPeriod, largest);
}

} // namespace HistoryReader

} // namespace talven
