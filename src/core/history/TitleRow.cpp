#include "TitleRow.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace talven::TitleRow {

namespace {

QString normalised(const QString& title) {
    QString out;
    out.reserve(title.size());
    for (const QChar c : title)
        if (c.isLetterOrNumber())
            out += c.toLower();
    return out;
}

int roleOf(const QString& t) {
    static const QStringList draws{u"期号"_s,  u"期数"_s,   u"期次"_s,   u"开奖期号"_s,
                                   u"期"_s,    u"draw"_s,   u"drawno"_s, u"drawnumber"_s,
                                   u"issue"_s, u"period"_s, u"id"_s};
    static const QStringList dates{u"日期"_s, u"开奖日期"_s, u"date"_s, u"drawdate"_s};
    static const QStringList specials{u"特别号"_s,  u"特别号码"_s,      u"特码"_s,  u"特号"_s,
                                      u"special"_s, u"specialnumber"_s, u"extra"_s, u"extranumber"_s,
                                      u"bonus"_s,   u"bonusnumber"_s,   u"sno"_s,   u"num7"_s};
    static const QStringList numbers{u"开奖号码"_s, u"中奖号码"_s,       u"号码"_s,    u"平码"_s,
                                     u"正码"_s,     u"winningnumbers"_s, u"numbers"_s, u"no"_s};
    static const QStringList flats{u"平"_s,  u"正"_s, u"平码"_s, u"正码"_s,          u"号码"_s,  u"n"_s,
                                   u"num"_s, u"no"_s, u"ball"_s, u"winningnumber"_s, u"number"_s};
    if (draws.contains(t))
        return Draw;
    if (dates.contains(t))
        return Date;
    if (specials.contains(t))
        return Special;
    if (numbers.contains(t))
        return Numbers;
    // "落1码" as this program's own exports title the numbers.
    if (t.size() == 3 && t.front() == u'落' && t.back() == u'码' && t[1] >= u'1' && t[1] <= u'6')
        return t[1].unicode() - u'1';
    if (t.size() >= 2 && t.back() >= u'1' && t.back() <= u'6' && flats.contains(t.chopped(1)))
        return t.back().unicode() - u'1';
    return None;
}

} // namespace

QList<int> roles(const QStringList& titles) {
    QList<int> out;
    out.reserve(titles.size());
    for (const QString& title : titles) {
        const QString t = normalised(title);
        int role = roleOf(t);
        if (role == None && t.size() == 1 && t[0] >= u'2' && t[0] <= u'6' && !out.isEmpty() &&
            out.last() == t[0].unicode() - u'2')
            role = t[0].unicode() - u'1';
        out.append(role);
    }
    return out;
}

bool isTitleRow(const QStringList& cells, const QList<TableCell>& read, bool firstRow) {
    // Most rows are draws: one cell of a draw's data settles it before any title is looked at.
    for (const TableCell& cell : read)
        if (cell.kind != TableCell::Kind::Other && cell.kind != TableCell::Kind::Number)
            return false;
    const QList<int> r = roles(cells);
    const auto known = std::count_if(r.begin(), r.end(), [](int role) { return role != None; });
    bool onlyText = true;
    for (qsizetype c = 0; c < cells.size(); ++c) {
        const TableCell::Kind kind = read.value(c).kind;
        if (kind == TableCell::Kind::Other)
            continue;
        onlyText = false;
        // A chained "2".."6" reads as a number but is a title.
        if (kind != TableCell::Kind::Number || r[c] == None)
            return false;
    }
    if (known >= 2)
        return true;
    // One known word alone may be prose ("our numbers"), so a first row needs the width of a draw.
    return firstRow && onlyText && cells.size() >= 8;
}

bool namesNumbers(const QList<int>& r) {
    return std::any_of(r.begin(), r.end(),
                       [](int role) { return (role >= 0 && role < 6) || role == Numbers; });
}

QString missingNumbers(const QList<int>& r) {
    if (r.contains(Numbers))
        return {};
    QStringList missing;
    for (int k = 0; k < 6; ++k)
        if (!r.contains(k))
            missing.append(u"平码%1"_s.arg(k + 1));
    if (!r.contains(Special))
        missing.append(u"特别号码"_s);
    return missing.join(u'、');
}

} // namespace talven::TitleRow
