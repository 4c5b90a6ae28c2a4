#include "HistoryParser.h"

#include <QHash>
#include <QStringDecoder>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace talven::HistoryParser {

namespace {

constexpr int PeriodLength = 7;
constexpr int SmallestPeriod = 1000000; // a period is a seven-digit number: year, then draw of the year
constexpr int LargestPeriod = 9999999;

// Only ASCII digits count: other scripts' digits are separators like any other character.
bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

QString twoDigits(int n) {
    return u"%1"_s.arg(n, 2, 10, QLatin1Char('0'));
}

bool isLetter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

struct ScannedLine {
    std::optional<int> period;
    QList<int> numbers; // at most seven
    QString problem;    // why the line cannot be read honestly
};

// The digits and letters around position `pos`, for naming a group glued to letters ("42abc").
QStringView wordAt(QStringView text, qsizetype pos) {
    qsizetype from = pos;
    while (from > 0 && (isDigit(text[from - 1]) || isLetter(text[from - 1])))
        --from;
    qsizetype to = pos;
    while (to < text.size() && (isDigit(text[to]) || isLetter(text[to])))
        ++to;
    return text.mid(from, to - from);
}

ScannedLine scan(QStringView text) {
    ScannedLine line;
    qsizetype pos = 0;
    // Leading digits longer than a number are the line's period; anything but a valid one would
    // be misread as numbers or as another period.
    qsizetype lead = 0;
    while (lead < text.size() && isDigit(text[lead]))
        ++lead;
    if (lead > 2) {
        const int value = lead == PeriodLength ? text.left(PeriodLength).toInt() : 0;
        if (!isFilePeriod(value) || (lead < text.size() && isLetter(text[lead]))) {
            line.problem = u"“%1”不是有效的期号（七位数字：1900 至 2099 年，第 001 至 999 期）"_s.arg(
                wordAt(text, 0).toString());
            return line;
        }
        line.period = value;
        pos = PeriodLength + 1; // the separator after the period is passed over unread
    }
    while (pos < text.size()) {
        if (!isDigit(text[pos])) {
            ++pos;
            continue;
        }
        qsizetype end = pos;
        while (end < text.size() && isDigit(text[end]))
            ++end;
        const QStringView group = text.mid(pos, end - pos);
        if ((pos > 0 && isLetter(text[pos - 1])) || (end < text.size() && isLetter(text[end]))) {
            line.problem = u"“%1”不是号码"_s.arg(wordAt(text, pos).toString());
            return line;
        }
        if (line.numbers.size() == 7) {
            line.problem = u"第七个号码之后还有“%1”"_s.arg(group.toString());
            return line;
        }
        // A group of odd length (a single digit, a three-digit value) would shift every later
        // number into the wrong place, and one longer than the places left would be cut.
        if (group.size() % 2 != 0 || group.size() / 2 > 7 - line.numbers.size()) {
            line.problem = u"“%1”不是两位数字的号码"_s.arg(group.toString());
            return line;
        }
        for (qsizetype i = 0; i < group.size(); i += 2)
            line.numbers.append(group.mid(i, 2).toInt());
        pos = end;
    }
    if (line.numbers.size() < 7)
        line.problem = u"只有%1个两位数字的号码，不足7个"_s.arg(line.numbers.size());
    return line;
}

// True when the lines that carry a period carry falling ones, so the file runs newest first.
bool fallsFromFirstToLast(const QStringList& lines) {
    std::optional<int> previous;
    int periods = 0;
    for (const QString& raw : lines) {
        const QStringView text = QStringView(raw).trimmed();
        if (text.size() < PeriodLength || !std::all_of(text.begin(), text.begin() + PeriodLength, isDigit) ||
            (text.size() > PeriodLength && isDigit(text[PeriodLength])))
            continue;
        const int period = text.left(PeriodLength).toInt();
        if (previous && period >= *previous)
            return false;
        previous = period;
        ++periods;
    }
    return periods >= 2;
}

QString numbersProblem(const QList<int>& numbers, int largest) {
    for (int n : numbers)
        if (n < 1 || n > largest)
            return u"号码%1不在01到%2之间"_s.arg(twoDigits(n), twoDigits(largest));
    for (qsizetype i = 0; i < numbers.size(); ++i)
        if (numbers.indexOf(numbers[i]) != i)
            return u"号码%1重复"_s.arg(twoDigits(numbers[i]));
    return {};
}

QString periodProblem(int period, std::optional<int> previous, bool previousIsStored) {
    if (period < SmallestPeriod || period > LargestPeriod)
        return u"期号%1不是七位数字的期号"_s.arg(period);
    if (period % 1000 == 0)
        return u"期号%1的期数是 000，每年从第 001 期数起"_s.arg(period);
    if (previous && period <= *previous)
        return (previousIsStored ? u"期号%1不大于已有的最新一期%2"_s : u"期号%1不大于上一期%2"_s)
            .arg(period)
            .arg(*previous);
    return {};
}

} // namespace

HistoryParseResult parseLines(const QStringList& lines, int proposedPeriod, std::optional<int> newestStored,
                              int largest) {
    HistoryParseResult result;
    result.reversed = fallsFromFirstToLast(lines);
    std::optional<int> lastAccepted;
    QHash<int, qsizetype> byPeriod; // index of the accepted draw of each period
    for (qsizetype k = 0; k < lines.size(); ++k) {
        const qsizetype i = result.reversed ? lines.size() - 1 - k : k;
        const QString& raw = lines[i];
        const int lineNumber = int(i) + 1;
        // Leading blanks are trimmed so that an indented period is still read as a period.
        const QString text = raw.trimmed();
        if (text.isEmpty())
            continue;

        const ScannedLine line = scan(text);
        // A skipped line takes no period, so a following line without one continues from the
        // last accepted line; before any, the proposed period is taken as it is.
        const int period = line.period.value_or(lastAccepted ? *lastAccepted + 1 : proposedPeriod);

        QString reason = line.problem;
        if (reason.isEmpty())
            reason = numbersProblem(line.numbers, largest);
        if (reason.isEmpty() && line.period) {
            if (const auto it = byPeriod.constFind(period); it != byPeriod.cend()) {
                const ParsedDraw& first = result.draws[*it];
                const bool same = std::equal(line.numbers.begin(), line.numbers.end(), first.numbers.begin());
                if (!same && !result.conflict)
                    result.conflict = std::pair(std::min(first.lineNumber, lineNumber),
                                                std::max(first.lineNumber, lineNumber));
                reason = same ? u"与第 %1 行相同，只读入一次"_s.arg(first.lineNumber)
                              : u"与第 %1 行期号相同，号码却不同"_s.arg(first.lineNumber);
            }
        }
        if (reason.isEmpty())
            reason = periodProblem(period, lastAccepted ? lastAccepted : newestStored, !lastAccepted);

        if (!reason.isEmpty()) {
            result.skipped.append({lineNumber, raw, reason});
            continue;
        }
        ParsedDraw draw{lineNumber, period, {}, {}};
        std::copy(line.numbers.begin(), line.numbers.end(), draw.numbers.begin());
        byPeriod.insert(period, result.draws.size());
        result.draws.append(draw);
        lastAccepted = period;
    }
    if (result.reversed)
        std::sort(result.skipped.begin(), result.skipped.end(),
                  [](const SkippedLine& a, const SkippedLine& b) { return a.lineNumber < b.lineNumber; });
    return result;
}

bool isFilePeriod(int period) {
    const int year = period / 1000;
    const int draw = period % 1000;
    return year >= 1900 && year <= 2099 && draw >= 1;
}

QString numbersProblem(const std::array<int, 7>& numbers, int largest) {
    return numbersProblem(QList<int>(numbers.begin(), numbers.end()), largest);
}

QString shownNumbers(const std::array<int, 7>& numbers) {
    QStringList flat;
    for (size_t i = 0; i < 6; ++i)
        flat.append(twoDigits(numbers[i]));
    return flat.join(u' ') + u" + "_s + twoDigits(numbers[6]);
}

QString validateDraw(int period, const std::array<int, 7>& numbers, std::optional<int> newestStored,
                     int largest) {
    QString reason = numbersProblem(numbers, largest);
    if (reason.isEmpty())
        reason = periodProblem(period, newestStored, true);
    return reason;
}

QString decodeText(const QByteArray& bytes) {
    // A byte-order mark decides; the decoder drops the mark itself.
    if (const auto bom = QStringConverter::encodingForData(bytes)) {
        QStringDecoder decoder(*bom);
        return decoder(bytes);
    }
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder gbk("GBK");
    if (gbk.isValid()) {
        const QString gbkText = gbk(bytes);
        if (!gbk.hasError())
            return gbkText;
    }
    return QString::fromLatin1(bytes);
}

QStringList splitLines(const QString& text) {
    QString unified = text;
    unified.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n');
    QStringList lines = unified.split(u'\n');
    // The line end of the last line does not start another line.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace talven::HistoryParser
