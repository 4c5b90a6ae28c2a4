#include "HistoryParser.h"

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

struct ScannedLine {
    std::optional<int> period;
    QList<int> numbers; // at most seven
    QString oddGroup;   // a digit group of odd length met before the seventh number
};

ScannedLine scan(QStringView text) {
    ScannedLine line;
    qsizetype pos = 0;
    if (text.size() >= PeriodLength && std::all_of(text.begin(), text.begin() + PeriodLength, isDigit)) {
        line.period = text.left(PeriodLength).toInt();
        pos = PeriodLength + 1; // the separator after the period is passed over unread
    }
    while (pos < text.size() && line.numbers.size() < 7) {
        if (!isDigit(text[pos])) {
            ++pos;
            continue;
        }
        qsizetype end = pos;
        while (end < text.size() && isDigit(text[end]))
            ++end;
        // A group of odd length (a single digit, a three-digit value) would shift every later
        // number into the wrong place, so the line is not read at all.
        if ((end - pos) % 2 != 0) {
            line.oddGroup = text.mid(pos, end - pos).toString();
            return line;
        }
        for (; pos < end && line.numbers.size() < 7; pos += 2)
            line.numbers.append(text.mid(pos, 2).toInt());
        pos = end;
    }
    return line;
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
    std::optional<int> lastAccepted;
    for (qsizetype i = 0; i < lines.size(); ++i) {
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

        QString reason;
        if (!line.oddGroup.isEmpty())
            reason = u"“%1”不是两位数字的号码"_s.arg(line.oddGroup);
        else if (line.numbers.size() < 7)
            reason = u"只有%1个两位数字的号码，不足7个"_s.arg(line.numbers.size());
        else
            reason = numbersProblem(line.numbers, largest);
        if (reason.isEmpty())
            reason = periodProblem(period, lastAccepted ? lastAccepted : newestStored, !lastAccepted);

        if (!reason.isEmpty()) {
            result.skipped.append({lineNumber, raw, reason});
            continue;
        }
        ParsedDraw draw{lineNumber, period, {}};
        std::copy(line.numbers.begin(), line.numbers.end(), draw.numbers.begin());
        result.draws.append(draw);
        lastAccepted = period;
    }
    return result;
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
