#include "DrawRow.h"

#include "history/DateCell.h"
#include "history/HistoryParser.h"
#include "history/ReaderText.h"

using namespace Qt::StringLiterals;

namespace talven {

namespace {

using Kind = TableCell::Kind;

QString readKey(const QString& text, const TableCell& cell, const TableLayout& layout, int& key) {
    if (layout.key == TableLayout::Key::Period) {
        if (cell.kind == Kind::Period) {
            key = cell.value;
            return {};
        }
        return text.isEmpty() ? u"没有期号"_s
                              : u"“%1”不是有效的期号（七位数字：1900 至 2099 年，第 001 至 999 期）"_s.arg(
                                    ReaderText::quoted(text));
    }
    if (cell.kind == Kind::Date)
        key = cell.dateValue(layout.monthFirst);
    else if (layout.serialDates && (cell.kind == Kind::Other || cell.kind == Kind::Number))
        key = DateCell::fromSerial(text);
    if (key != 0)
        return {};
    return text.isEmpty() ? u"没有日期"_s
                          : u"“%1”不是有效的日期（1900 至 2099 年）"_s.arg(ReaderText::quoted(text));
}

QString numberProblem(const QString& text, int place) {
    return text.isEmpty() ? u"缺少第%1个号码"_s.arg(place) : u"“%1”不是号码"_s.arg(ReaderText::quoted(text));
}

} // namespace

QString DrawRow::read(const TableRow& row, const QList<TableCell>& cells, const TableLayout& layout,
                      int largest) {
    line = row.number;
    text = row.text;
    qsizetype next = 0;
    if (layout.key != TableLayout::Key::None) {
        keyText = row.cells.value(layout.keyColumn);
        if (QString reason = readKey(keyText, cells.value(layout.keyColumn), layout, key); !reason.isEmpty())
            return reason;
        next = layout.keyColumn + 1;
    }
    if (!layout.numberColumns.isEmpty()) {
        for (int i = 0; i < 7; ++i) {
            const int column = layout.numberColumns[i];
            if (cells.value(column).kind != Kind::Number)
                return numberProblem(row.cells.value(column), i + 1);
            numbers[size_t(i)] = cells[column].value;
        }
    } else if (layout.numbersColumn >= 0) {
        const TableCell cell = cells.value(layout.numbersColumn);
        if (cell.kind != Kind::Numbers)
            return u"“%1”不是六个或七个号码"_s.arg(ReaderText::quoted(row.cells.value(layout.numbersColumn)));
        for (int i = 0; i < cell.count; ++i)
            numbers[size_t(i)] = cell.numbers[size_t(i)];
        if (cell.count == 6) {
            if (layout.specialColumn < 0)
                return u"只有六个号码，没有特别号码"_s;
            if (cells.value(layout.specialColumn).kind != Kind::Number)
                return numberProblem(row.cells.value(layout.specialColumn), 7);
            numbers[6] = cells[layout.specialColumn].value;
        }
    } else {
        int found = 0;
        for (; next < cells.size(); ++next) {
            if (cells[next].kind != Kind::Number)
                continue;
            if (found == 7)
                return u"多于7个号码"_s;
            numbers[size_t(found++)] = cells[next].value;
        }
        if (found < 7)
            return u"只有%1个号码，不足7个"_s.arg(found);
    }
    return HistoryParser::numbersProblem(numbers, largest);
}

} // namespace talven
