#include "DateCell.h"

#include <QDate>
#include <QString>

#include <algorithm>
#include <array>
#include <utility>

using namespace Qt::StringLiterals;

namespace talven::DateCell {

namespace {

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

bool isLetter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

int monthNamed(QStringView word) {
    static const std::array<QStringView, 12> names{u"january",   u"february", u"march",    u"april",
                                                   u"may",       u"june",     u"july",     u"august",
                                                   u"september", u"october",  u"november", u"december"};
    const QString w = word.toString().toLower();
    for (size_t m = 0; m < names.size(); ++m)
        if (w == names[m] || (w.size() >= 3 && names[m].startsWith(w)))
            return int(m) + 1;
    return 0;
}

// The text before a time part: "2024-01-02 21:30" and "2024-01-02T21:30:00" are dates.
QStringView withoutTime(QStringView text) {
    const qsizetype colon = text.indexOf(u':');
    if (colon < 0)
        return text;
    qsizetype cut = colon;
    while (cut > 0 && text[cut - 1] != u' ' && text[cut - 1] != u'T')
        --cut;
    return cut > 0 ? text.left(cut - 1).trimmed() : text;
}

struct Token {
    QStringView text;
    bool digits = false;
    QChar after; // the separator that follows, null at the end
};

} // namespace

std::optional<Written> parse(QStringView text) {
    text = withoutTime(text.trimmed());
    std::array<Token, 4> tokens;
    int count = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        if (count == 3)
            return std::nullopt;
        const qsizetype start = i;
        const bool digits = isDigit(text[i]);
        while (i < text.size() && (digits ? isDigit(text[i]) : isLetter(text[i])))
            ++i;
        if (i == start)
            return std::nullopt;
        Token& t = tokens[size_t(count++)];
        t.text = text.mid(start, i - start);
        t.digits = digits;
        // One separator, or a comma and a blank ("June 12, 1982").
        if (i < text.size()) {
            const QChar c = text[i];
            if (!(c == u'-' || c == u'/' || c == u'.' || c == u' ' || c == u',' || c == u'年' || c == u'月' ||
                  c == u'日'))
                return std::nullopt;
            t.after = c;
            ++i;
            if (c == u',' && i < text.size() && text[i] == u' ')
                ++i;
        }
    }
    if (count == 1 && tokens[0].digits && tokens[0].text.size() == 8) {
        const QStringView d = tokens[0].text;
        return Written{d.left(4).toInt(), d.mid(4, 2).toInt(), d.mid(6, 2).toInt(), false};
    }
    if (count != 3)
        return std::nullopt;
    int letters = 0;
    for (int t = 0; t < 3; ++t)
        letters += tokens[size_t(t)].digits ? 0 : 1;
    auto len = [&](int t) { return tokens[size_t(t)].text.size(); };
    auto num = [&](int t) { return tokens[size_t(t)].text.toInt(); };
    if (letters == 1) {
        int month = 0;
        int year = 0;
        int day = 0;
        for (int t = 0; t < 3; ++t) {
            if (!tokens[size_t(t)].digits)
                month = monthNamed(tokens[size_t(t)].text);
            else if (len(t) == 4)
                year = num(t);
            else if (len(t) <= 2)
                day = num(t);
        }
        if (month == 0 || year == 0 || day == 0)
            return std::nullopt;
        return Written{year, month, day, false};
    }
    if (letters != 0)
        return std::nullopt;
    const QChar s0 = tokens[0].after;
    const QChar s1 = tokens[1].after;
    const bool written = s0 == u'年' && s1 == u'月' && (tokens[2].after.isNull() || tokens[2].after == u'日');
    const bool plain = s0 == s1 && (s0 == u'-' || s0 == u'/' || s0 == u'.') && tokens[2].after.isNull();
    if (!written && !plain)
        return std::nullopt;
    if (len(0) == 4 && len(1) <= 2 && len(2) <= 2)
        return Written{num(0), num(1), num(2), false};
    if (plain && len(0) <= 2 && len(1) <= 2 && len(2) == 4)
        return Written{num(2), num(0), num(1), true};
    return std::nullopt;
}

void joinSplitDates(QStringList& cells) {
    for (qsizetype i = 0; i < cells.size(); ++i) {
        if (!std::any_of(cells[i].begin(), cells[i].end(), isLetter) || parse(cells[i]))
            continue;
        // Three pieces around the month name first, so that "12 Jun 1982 01" keeps its 01.
        for (const auto& [from, to] :
             {std::pair(i - 1, i + 1), std::pair(i, i + 2), std::pair(i, i + 1), std::pair(i - 1, i)}) {
            if (from < 0 || to >= cells.size())
                continue;
            const QString joined = cells.mid(from, to - from + 1).join(u' ');
            if (!parse(joined))
                continue;
            cells[from] = joined;
            cells.remove(from + 1, to - from);
            i = from;
            break;
        }
    }
}

int julianDay(int year, int month, int day) {
    if (year < 1900 || year > 2099)
        return 0;
    const QDate date(year, month, day);
    return date.isValid() ? int(date.toJulianDay()) : 0;
}

int fromSerial(QStringView text) {
    bool ok = false;
    const double serial = text.toDouble(&ok);
    if (!ok || serial < 1 || serial > 100000)
        return 0;
    const QDate date = QDate(1899, 12, 30).addDays(qint64(serial));
    return julianDay(date.year(), date.month(), date.day());
}

} // namespace talven::DateCell
