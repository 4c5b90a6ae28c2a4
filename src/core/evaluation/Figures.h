#pragma once

#include "evaluation/FormulaStatistics.h"

#include <QJsonValue>
#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace talven {

struct FormulaResult;

// Every figure the formula list shows of a formula, described once. The list and its exports, the
// filter window and the walk-forward filter, the command line's JSON and --range keys and the
// formula search's columns read them from here; a new figure is a row of the table and a case
// where its value is worked out (value, cellText).
namespace Figures {

enum Figure : int {
    Accuracy,
    LongestMiss,
    LongestHit,
    CurrentMiss,
    CurrentHit,
    PerNumberAccuracy,
    PerNumberLongestMiss,
    PerNumberLongestHit,
    PerNumberCurrentMiss,
    PerNumberCurrentHit,
    Recent10,
    Recent30,
    Recent100,
    Chance,
    Edge,
    ZScore,
    Count
};

// How a figure is kept, compared and written.
enum class Form {
    Whole,       // a count of draws
    SingleFloat, // kept and compared as a single float, written with at most seven digits
    TwoDecimals, // shown and written with two decimals; absent without a judged draw
};

// The list shows the record and per-number figures from the start, the others on request.
enum class Group { Record, PerNumber, Recent, Chance };

// How the filter ranges a figure.
enum class FilterUse {
    None,
    Range,        // one of the ranges that always apply
    RecentChoice, // a choice of the optional recent-accuracy range
    OwnRange,     // a range of its own, applied when ticked (the z-score)
};

struct Info {
    Figure key;
    const char16_t* title;       // column title: "正确率"
    const char16_t* jsonKey;     // key in the command line's JSON and in --range
    const char16_t* exportTitle; // column title in exported files
    const char16_t* unit;        // "%", "期", "个百分点"; empty: none
    const char16_t* counts;      // the tooltip: what it counts, then the unit, then the note
    const char16_t* note;
    Form form;
    Group group;
    FilterUse filter;
    int window; // judged draws of a recent accuracy; 0 for the others
};

inline constexpr std::array<Info, Count> table = {{
    {Accuracy, u"正确率", u"accuracy", u"正确率", u"%", u"对的期数占全部历史期数的百分比",
     u"，括号内为 对的期数/全部期数", Form::SingleFloat, Group::Record, FilterUse::Range, 0},
    {LongestMiss, u"最大连错", u"maxMiss", u"最大连错", u"期", u"历史上最长一段连续错的期数", u"",
     Form::Whole, Group::Record, FilterUse::Range, 0},
    {LongestHit, u"最大连对", u"maxHit", u"最大连对", u"期", u"历史上最长一段连续对的期数", u"", Form::Whole,
     Group::Record, FilterUse::Range, 0},
    {CurrentMiss, u"最后连错", u"curMiss", u"最后连错", u"期", u"到最新一期为止连续错的期数", u"",
     Form::Whole, Group::Record, FilterUse::Range, 0},
    {CurrentHit, u"最后连对", u"curHit", u"最后连对", u"期", u"到最新一期为止连续对的期数", u"", Form::Whole,
     Group::Record, FilterUse::Range, 0},
    {PerNumberAccuracy, u"码均正确率", u"perAccuracy", u"码均正确率", u"%", u"正确率按每期涉及的号码个数折算",
     u"", Form::SingleFloat, Group::PerNumber, FilterUse::Range, 0},
    {PerNumberLongestMiss, u"码均最大连错", u"perMaxMiss", u"码均最大连错", u"期",
     u"最大连错按每期涉及的号码个数折算", u"", Form::SingleFloat, Group::PerNumber, FilterUse::Range, 0},
    {PerNumberLongestHit, u"码均最大连对", u"perMaxHit", u"码均最大连对", u"期",
     u"最大连对按每期涉及的号码个数折算", u"", Form::SingleFloat, Group::PerNumber, FilterUse::Range, 0},
    {PerNumberCurrentMiss, u"码均最后连错", u"perCurMiss", u"码均最后连错", u"期",
     u"最后连错按每期涉及的号码个数折算", u"", Form::SingleFloat, Group::PerNumber, FilterUse::Range, 0},
    {PerNumberCurrentHit, u"码均最后连对", u"perCurHit", u"码均最后连对", u"期",
     u"最后连对按每期涉及的号码个数折算", u"", Form::SingleFloat, Group::PerNumber, FilterUse::Range, 0},
    {Recent10, u"近10期正确率", u"recent10", u"近10期正确率", u"%", u"最近 10 个可验算期中对的百分比",
     u"，括号内为 对的期数/期数", Form::SingleFloat, Group::Recent, FilterUse::RecentChoice, 10},
    {Recent30, u"近30期正确率", u"recent30", u"近30期正确率", u"%", u"最近 30 个可验算期中对的百分比",
     u"，括号内为 对的期数/期数", Form::SingleFloat, Group::Recent, FilterUse::RecentChoice, 30},
    {Recent100, u"近100期正确率", u"recent100", u"近100期正确率", u"%", u"最近 100 个可验算期中对的百分比",
     u"，括号内为 对的期数/期数", Form::SingleFloat, Group::Recent, FilterUse::RecentChoice, 100},
    {Chance, u"随机水平", u"chance", u"随机水平", u"%", u"随机猜测时该种类和生杀预计的正确率", u"",
     Form::TwoDecimals, Group::Chance, FilterUse::None, 0},
    {Edge, u"超出随机", u"edge", u"超出随机", u"个百分点", u"可验算期正确率减去随机水平",
     u"：正数好于随机，负数差于随机，例如 +0.18 即高 0.18 个百分点", Form::TwoDecimals, Group::Chance,
     FilterUse::None, 0},
    {ZScore, u"标准分", u"z", u"标准分", u"", u"对的期数比随机预计多出几个标准差",
     u"；在许多公式中，单凭运气也会有达到 3 的", Form::TwoDecimals, Group::Chance, FilterUse::OwnRange, 0},
}};

// The figures the filter always ranges come first; FormulaFigures holds exactly those.
inline constexpr int rangedCount = [] {
    int n = 0;
    while (n < Count && table[n].filter == FilterUse::Range)
        ++n;
    return n;
}();

static_assert(
    [] {
        for (int i = 0; i < Count; ++i)
            if (table[i].key != i || (i >= rangedCount && table[i].filter == FilterUse::Range) ||
                (table[i].filter == FilterUse::RecentChoice) != (table[i].window > 0))
                return false;
        return true;
    }(),
    "the figure table is in key order, the always-ranged figures first");

inline const Info& info(Figure figure) {
    return table[static_cast<size_t>(figure)];
}
inline bool isFractional(Figure figure) {
    return info(figure).form == Form::SingleFloat;
}
QString title(Figure figure);
QString exportTitle(Figure figure);
QString jsonKey(Figure figure);
// "（单位 %）", "（无单位）"
QString unitClause(Figure figure);
// What the figure counts, in which unit: the column header's tooltip.
QString tooltip(Figure figure);
// The figure of a JSON key; none for a key that is no figure's.
std::optional<Figure> byJsonKey(QStringView key);

// One of the figures FormulaFigures holds (the first rangedCount). Inline, as the walk-forward
// filter asks them for every formula at every draw.
inline double recordValue(const FormulaFigures& f, Figure figure) {
    switch (figure) {
    case Accuracy:
        return f.accuracy;
    case LongestMiss:
        return f.longestMissRun;
    case LongestHit:
        return f.longestHitRun;
    case CurrentMiss:
        return f.currentMissRun;
    case CurrentHit:
        return f.currentHitRun;
    case PerNumberAccuracy:
        return f.perNumberAccuracy;
    case PerNumberLongestMiss:
        return f.perNumberLongestMiss;
    case PerNumberLongestHit:
        return f.perNumberLongestHit;
    case PerNumberCurrentMiss:
        return f.perNumberCurrentMiss;
    case PerNumberCurrentHit:
        return f.perNumberCurrentHit;
    default:
        return 0;
    }
}
// A figure of the record against chance; none where it is absent or no such figure.
std::optional<double> chanceValue(const ChanceFigures& figures, Figure figure);
// Any figure of a formula's back-test result; none where it is absent.
std::optional<double> value(const FormulaResult& result, Figure figure);
// The text of the formula list's cell; drawCount is the history's length, which 正确率 counts.
QString cellText(const FormulaResult& result, int drawCount, Figure figure);
// A difference as the list shows it, with its sign: "+0.18", "-0.31", "0.00"; empty stays empty.
QString signedText(const QString& text);
// A value as JSON in the figure's form: a whole number, the list's seven digits or two
// decimals; null when absent.
QJsonValue json(Figure figure, std::optional<double> value);

} // namespace Figures

} // namespace talven
