#include "TableCell.h"

#include "history/DateCell.h"
#include "history/HistoryParser.h"

#include <algorithm>

namespace talven {

namespace {

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Separators of numbers written in one cell.
bool separatesNumbers(QChar c) {
    return c == u',' || c == u' ' || c == u'+' || c == u'、' || c == u'，' || c == u'-' || c == u'\t' ||
           c == u'\u3000';
}

TableCell numbersCell(QStringView s) {
    TableCell cell;
    int count = 0;
    qsizetype i = 0;
    while (i < s.size()) {
        const qsizetype start = i;
        while (i < s.size() && isDigit(s[i]))
            ++i;
        if (i == start || i - start > 2 || count == 7)
            return {};
        cell.numbers[size_t(count++)] = std::uint8_t(s.mid(start, i - start).toInt());
        const qsizetype gap = i;
        while (i < s.size() && separatesNumbers(s[i]))
            ++i;
        if (i == gap && i < s.size())
            return {};
    }
    if (count < 6)
        return {};
    cell.kind = TableCell::Kind::Numbers;
    cell.count = std::uint8_t(count);
    return cell;
}

TableCell periodCell(int period) {
    TableCell cell;
    cell.kind = HistoryParser::isFilePeriod(period) ? TableCell::Kind::Period : TableCell::Kind::BadPeriod;
    cell.value = period;
    return cell;
}

// A draw number YY/NNN or YYYY/NNN, as published tables write the period.
std::optional<TableCell> drawNumberCell(QStringView s) {
    const qsizetype slash = s.indexOf(u'/');
    if (slash < 0 || s.indexOf(u'/', slash + 1) >= 0)
        return std::nullopt;
    const QStringView year = s.left(slash);
    const QStringView number = s.mid(slash + 1);
    auto digits = [](QStringView d) { return !d.isEmpty() && std::all_of(d.begin(), d.end(), isDigit); };
    if (!digits(year) || !digits(number) || (year.size() != 2 && year.size() != 4) || number.size() > 3)
        return std::nullopt;
    int y = year.toInt();
    if (year.size() == 2)
        y += y >= 70 ? 1900 : 2000;
    return periodCell(y * 1000 + (number.toInt() <= 999 ? number.toInt() : 0));
}

TableCell dateCell(QStringView s) {
    const auto written = DateCell::parse(s);
    if (!written)
        return {};
    TableCell cell;
    cell.kind = TableCell::Kind::Date;
    if (written->eitherOrder) {
        cell.eitherOrder = true;
        cell.value = DateCell::julianDay(written->year, written->second, written->first);
        cell.monthFirst = DateCell::julianDay(written->year, written->first, written->second);
        if (cell.value == 0 && cell.monthFirst == 0)
            cell.kind = TableCell::Kind::BadDate;
    } else {
        cell.value = DateCell::julianDay(written->year, written->first, written->second);
        if (cell.value == 0)
            cell.kind = TableCell::Kind::BadDate;
    }
    return cell;
}

} // namespace

// Read by hand rather than by patterns: a 5,000-line table has some 50,000 cells.
TableCell TableCell::of(QStringView s) {
    if (s.isEmpty())
        return {};
    if (std::all_of(s.begin(), s.end(), isDigit)) {
        const qsizetype n = s.size();
        if (n <= 2) {
            TableCell cell;
            cell.kind = Kind::Number;
            cell.value = s.toInt();
            return cell;
        }
        if (n == 7)
            return periodCell(s.toInt());
        if (n == 8) {
            const TableCell date = dateCell(s);
            if (date.kind == Kind::Date)
                return date;
        }
        // Six, eight or more digits look like a period and are none; fewer are counters or sums.
        if (n == 6 || n >= 8)
            return periodCell(0);
        return {};
    }
    if (const auto drawNumber = drawNumberCell(s))
        return *drawNumber;
    if (const TableCell date = dateCell(s); date.kind != Kind::Other)
        return date;
    return numbersCell(s);
}

} // namespace talven
