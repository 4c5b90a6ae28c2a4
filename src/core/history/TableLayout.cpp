#include "TableLayout.h"

#include "history/ReaderText.h"
#include "history/TitleRow.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

using Kind = TableCell::Kind;

// What most cells of a column hold.
enum class Shape { Other, Number, Numbers, Period, Date };

Shape shapeOf(const QList<QList<TableCell>>& rows, int column) {
    int number = 0, numbers = 0, period = 0, date = 0;
    for (const QList<TableCell>& row : rows) {
        if (column >= row.size())
            continue;
        const TableCell& c = row[column];
        number += c.kind == Kind::Number;
        numbers += c.kind == Kind::Numbers;
        period += c.isPeriodShaped();
        date += c.isDateShaped();
    }
    const auto half = rows.size();
    if (period * 2 > half)
        return Shape::Period;
    if (date * 2 > half)
        return Shape::Date;
    if (numbers * 2 > half)
        return Shape::Numbers;
    if (number * 2 > half)
        return Shape::Number;
    return Shape::Other;
}

// dd/mm or mm/dd: a value over 12 in either place decides for the whole column.
void decideOrder(const QList<QList<TableCell>>& rows, TableLayout& layout) {
    int dayFirst = 0, monthFirst = 0;
    for (const QList<TableCell>& row : rows) {
        const TableCell c = row.value(layout.keyColumn);
        if (!c.eitherOrder)
            continue;
        dayFirst += c.value != 0 && c.monthFirst == 0;
        monthFirst += c.value == 0 && c.monthFirst != 0;
    }
    layout.monthFirst = monthFirst > dayFirst;
    const bool anyEither = std::any_of(rows.begin(), rows.end(), [&](const QList<TableCell>& row) {
        return row.value(layout.keyColumn).eitherOrder;
    });
    layout.orderAssumed = anyEither && dayFirst == 0 && monthFirst == 0;
}

Result<TableLayout> titledLayout(const QList<QList<TableCell>>& rows, const QList<int>& roles) {
    TableLayout layout;
    layout.byTitles = true;
    const int draw = int(roles.indexOf(TitleRow::Draw));
    const int date = int(roles.indexOf(TitleRow::Date));
    const int numbers = int(roles.indexOf(TitleRow::Numbers));
    const int special = int(roles.indexOf(TitleRow::Special));
    bool allFlats = true;
    for (int k = 0; k < 6; ++k)
        allFlats = allFlats && roles.contains(k);
    if (allFlats) {
        if (special < 0)
            return ReaderText::refused(
                u"标题行中有平码 1 至 6 列，却没有特别号码列（特码、特别号码、Special、"
                u"Extra、Bonus 等）"_s);
        for (int k = 0; k < 6; ++k)
            layout.numberColumns.append(int(roles.indexOf(k)));
        layout.numberColumns.append(special);
    } else if (numbers >= 0) {
        layout.numbersColumn = numbers;
        layout.specialColumn = special;
        const auto six = std::count_if(rows.begin(), rows.end(), [&](const QList<TableCell>& row) {
            return row.value(numbers).kind == Kind::Numbers && row.value(numbers).count == 6;
        });
        if (special < 0 && six * 2 > rows.size())
            return ReaderText::refused(
                u"号码列中只有六个号码，标题行中却没有特别号码列（特码、特别号码、Special、"
                u"Extra、Bonus 等）"_s);
    } else {
        return ReaderText::refused(u"标题行中没有%1列"_s.arg(TitleRow::missingNumbers(roles)));
    }
    // A column titled as the draw number that holds a running counter is neither key nor number.
    if (draw >= 0 && shapeOf(rows, draw) == Shape::Period) {
        layout.key = TableLayout::Key::Period;
        layout.keyColumn = draw;
    } else if (date >= 0) {
        layout.key = TableLayout::Key::Date;
        layout.keyColumn = date;
        layout.serialDates = true;
        decideOrder(rows, layout);
    }
    return layout;
}

TableLayout contentLayout(const QList<QList<TableCell>>& rows, const QList<int>& roles) {
    TableLayout layout;
    int width = 0;
    for (const QList<TableCell>& row : rows)
        width = std::max(width, int(row.size()));
    QList<Shape> shapes;
    for (int c = 0; c < width; ++c)
        shapes.append(shapeOf(rows, c));

    auto numbersFrom = [&](int first) {
        QList<int> columns;
        for (int c = first; c < width && columns.size() < 7; ++c)
            if (shapes[c] == Shape::Number)
                columns.append(c);
        return columns;
    };
    auto cellFrom = [&](int first) {
        for (int c = first; c < width; ++c)
            if (shapes[c] == Shape::Numbers)
                return c;
        return -1;
    };
    auto readable = [&](int key) { return numbersFrom(key + 1).size() == 7 || cellFrom(key + 1) >= 0; };
    auto tryKey = [&](int column, Shape shape) {
        if (layout.keyColumn >= 0 || column < 0 || column >= width || shapes[column] != shape ||
            !readable(column))
            return;
        layout.keyColumn = column;
        layout.key = shape == Shape::Period ? TableLayout::Key::Period : TableLayout::Key::Date;
    };
    // A draw number gives the period itself, so it is preferred to a date.
    tryKey(int(roles.indexOf(TitleRow::Draw)), Shape::Period);
    for (int c = 0; c < width; ++c)
        tryKey(c, Shape::Period);
    tryKey(int(roles.indexOf(TitleRow::Date)), Shape::Date);
    for (int c = 0; c < width; ++c)
        tryKey(c, Shape::Date);
    // Lines of unequal length (hand-written ones): the key, if any, comes first.
    if (layout.keyColumn < 0 && !shapes.isEmpty() &&
        (shapes[0] == Shape::Period || shapes[0] == Shape::Date)) {
        layout.keyColumn = 0;
        layout.key = shapes[0] == Shape::Period ? TableLayout::Key::Period : TableLayout::Key::Date;
    }
    const int first = layout.keyColumn + 1;
    if (const QList<int> columns = numbersFrom(first); columns.size() == 7) {
        layout.numberColumns = columns;
    } else if (const int cell = cellFrom(first); cell >= 0) {
        layout.numbersColumn = cell;
        if (cell + 1 < width && shapes[cell + 1] == Shape::Number)
            layout.specialColumn = cell + 1;
    }
    if (layout.key == TableLayout::Key::Date)
        decideOrder(rows, layout);
    return layout;
}

} // namespace

Result<TableLayout> TableLayout::of(const QList<QList<TableCell>>& cells, const QList<int>& roles) {
    if (TitleRow::namesNumbers(roles))
        return titledLayout(cells, roles);
    return contentLayout(cells, roles);
}

} // namespace talven
