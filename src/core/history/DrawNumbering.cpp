#include "DrawNumbering.h"

#include "history/HistoryParser.h"
#include "history/ReaderText.h"

#include <QDate>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace talven::DrawNumbering {

namespace {

constexpr int ListedWarnings = 20;

int yearOf(int julianDay) {
    return QDate::fromJulianDay(julianDay).year();
}

int firstDayOf(int year) {
    return int(QDate(year, 1, 1).toJulianDay());
}

// A line that gave no draw between two draws of one year shifts every later draw of that year
// down by one if it was a draw.
QStringList shiftWarnings(const QList<DrawRow>& rows, const QList<int>& unreadable) {
    QList<std::pair<int, int>> byLine; // line, date
    QList<int> dates;
    for (const DrawRow& row : rows) {
        byLine.append({row.line, row.key});
        dates.append(row.key);
    }
    std::sort(byLine.begin(), byLine.end());
    QStringList warnings;
    int more = 0;
    for (int line : unreadable) {
        const auto next = std::lower_bound(byLine.begin(), byLine.end(), std::pair(line, 0));
        if (next == byLine.begin() || next == byLine.end())
            continue;
        const auto previous = std::prev(next);
        const int year = yearOf(previous->second);
        if (yearOf(next->second) != year)
            continue;
        const int later = std::max(previous->second, next->second);
        const auto shifted = std::lower_bound(dates.begin(), dates.end(), firstDayOf(year + 1)) -
                             std::lower_bound(dates.begin(), dates.end(), later);
        if (warnings.size() == ListedWarnings) {
            ++more;
            continue;
        }
        warnings.append(u"%1 年中第 %2 行无法读入：若它是一期开奖，该年其后 %3 期的期号都少算 1"_s.arg(year)
                            .arg(line)
                            .arg(shifted));
    }
    if (more > 0)
        warnings.append(u"另有 %1 行在年中无法读入，同样使其后的期号少算"_s.arg(more));
    return warnings;
}

QStringList dateWarnings(const QList<DrawRow>& rows, const TableLayout& layout,
                         const QList<int>& unreadable) {
    QStringList warnings{u"文件没有期号：期号按日期先后为每年的开奖从第 001 期数起"_s};
    if (!rows.isEmpty()) {
        const QDate first = QDate::fromJulianDay(rows.first().key);
        if (first > QDate(first.year(), 1, 10))
            warnings.append(
                u"第一年（%1 年）的第一期开奖在 %2 月 %3 日，晚于 1 月 10 日：该年之前的开奖不在文件中，"
                u"该年的期号可能都比实际的小"_s.arg(first.year())
                    .arg(first.month())
                    .arg(first.day()));
    }
    if (layout.orderAssumed)
        warnings.append(u"日期中日与月的先后无法从文件确定（没有大于 12 的日数），已按日在前读，"
                        u"如 03/04/2024 为 2024 年 4 月 3 日"_s);
    return warnings + shiftWarnings(rows, unreadable);
}

} // namespace

void number(const QList<DrawRow>& rows, const TableLayout& layout, int proposedPeriod, int largest,
            const QList<int>& unreadable, HistoryFile& file) {
    const bool dated = layout.key == TableLayout::Key::Date;
    file.numbering = dated                                  ? HistoryFile::Numbering::FromDates
                     : layout.key == TableLayout::Key::None ? HistoryFile::Numbering::Counted
                                                            : HistoryFile::Numbering::FromFile;
    if (dated)
        file.warnings += dateWarnings(rows, layout, unreadable);
    int previousYear = 0;
    int ordinal = 0;
    file.draws.reserve(rows.size());
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const DrawRow& row = rows[i];
        int period = proposedPeriod + int(i);
        QDate date;
        if (layout.key == TableLayout::Key::Period) {
            period = row.key;
        } else if (dated) {
            date = QDate::fromJulianDay(row.key);
            ordinal = date.year() == previousYear ? ordinal + 1 : 1;
            previousYear = date.year();
            period = date.year() * 1000 + ordinal;
        }
        const QString reason = HistoryParser::validateDraw(period, row.numbers, std::nullopt, largest);
        if (!reason.isEmpty())
            file.skipped.append({row.line, row.text, reason});
        else
            file.draws.append({row.line, period, row.numbers, date});
    }
}

Result<QList<ParsedDraw>> following(const QList<ParsedDraw>& draws, const QList<ParsedDraw>& stored) {
    if (stored.isEmpty())
        return draws;
    const qsizetype k = std::min<qsizetype>(3, stored.size());
    const QList<ParsedDraw> newest = stored.last(k);
    // The place where most of the newest stored draws follow one another; the last one found wins.
    qsizetype bestStart = -1;
    qsizetype bestLength = 0;
    for (qsizetype i = 0; i < draws.size(); ++i) {
        qsizetype length = 0;
        while (length < k && i + length < draws.size() && draws[i + length].numbers == newest[length].numbers)
            ++length;
        if (length > 0 && length >= bestLength) {
            bestStart = i;
            bestLength = length;
        }
    }
    if (bestLength < k) {
        const ParsedDraw& missing = newest[bestLength];
        return Error{u"文件中找不到已有的第 %1 期（%2）%3，无法确定从哪一期追加"_s.arg(missing.period)
                         .arg(HistoryParser::shownNumbers(missing.numbers),
                              bestLength > 0 ? u"紧接在第 %1 期之后"_s.arg(newest[bestLength - 1].period)
                                             : QString())};
    }
    const ParsedDraw& matched = draws[bestStart + k - 1];
    const int newestPeriod = stored.last().period;
    const int matchedYear = matched.date.isValid() ? matched.date.year() : 0;
    QList<ParsedDraw> newer;
    int year = newestPeriod / 1000;
    int drawOfYear = newestPeriod % 1000;
    int fileYear = matchedYear;
    for (qsizetype i = bestStart + k; i < draws.size(); ++i) {
        ParsedDraw d = draws[i];
        const int dYear = d.date.isValid() ? d.date.year() : fileYear;
        if (dYear != fileYear) {
            year += dYear - fileYear;
            fileYear = dYear;
            drawOfYear = 0;
        }
        d.period = year * 1000 + ++drawOfYear;
        if (!HistoryParser::isFilePeriod(d.period) || drawOfYear > 999)
            return Error{u"文件第 %1 行之后的期号超出第 999 期，无法追加"_s.arg(d.lineNumber)};
        newer.append(d);
    }
    return newer;
}

} // namespace talven::DrawNumbering
