#include "TableReader.h"

#include "history/DrawNumbering.h"
#include "history/DrawOrder.h"
#include "history/DrawRow.h"
#include "history/TableLayout.h"
#include "history/TitleRow.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace talven::TableReader {

namespace {

// The rows under the title row, without the title rows repeated inside the table.
struct Body {
    QList<int> roles; // of the title row; empty without one
    QList<const TableRow*> rows;
    QList<QList<TableCell>> cells;
    int repeatedTitles = 0;
};

Body bodyOf(const QList<TableRow>& rows) {
    Body body;
    bool titled = false;
    body.rows.reserve(rows.size());
    body.cells.reserve(rows.size());
    for (qsizetype i = 0; i < rows.size(); ++i) {
        QList<TableCell> cells;
        cells.reserve(rows[i].cells.size());
        for (const QString& cell : rows[i].cells)
            cells.append(TableCell::of(cell));
        if (TitleRow::isTitleRow(rows[i].cells, cells, i == 0)) {
            if (titled) {
                ++body.repeatedTitles;
            } else {
                titled = true;
                body.roles = TitleRow::roles(rows[i].cells);
            }
            continue;
        }
        body.rows.append(&rows[i]);
        body.cells.append(std::move(cells));
    }
    return body;
}

QString description(const Source& source, const Body& body, const TableLayout& layout, int proposedPeriod) {
    const bool titled = !body.roles.isEmpty();
    if (source.blankSeparated && !titled && layout.key == TableLayout::Key::Period && layout.keyColumn == 0 &&
        layout.numberColumns == QList<int>{1, 2, 3, 4, 5, 6, 7})
        return u"每行期号和七个号码，空格分隔"_s;
    QString form = source.form;
    if (titled)
        form += u"，有标题行"_s;
    if (layout.numbersColumn >= 0)
        form += u"，号码同在一格"_s;
    switch (layout.key) {
    case TableLayout::Key::Period:
        form += u"，期号列"_s;
        break;
    case TableLayout::Key::Date:
        form += u"，日期列，按年份编期号"_s;
        if (layout.orderAssumed)
            form += u"，日月先后未能确定，按日在前"_s;
        else if (layout.monthFirst)
            form += u"，日期为月/日/年"_s;
        break;
    case TableLayout::Key::None:
        form += u"，没有期号，自第 %1 期起依次编号"_s.arg(proposedPeriod);
        break;
    }
    return form;
}

} // namespace

Result<HistoryFile> read(const QList<TableRow>& rows, const Source& source, int proposedPeriod, int largest) {
    HistoryFile file;
    file.lines = int(rows.size());
    const Body body = bodyOf(rows);
    file.repeatedTitles = body.repeatedTitles;
    auto layout = TableLayout::of(body.cells, body.roles);
    if (!layout)
        return layout.error();

    QList<DrawRow> draws;
    QList<int> unreadable;
    draws.reserve(body.rows.size());
    for (qsizetype i = 0; i < body.rows.size(); ++i) {
        DrawRow draw;
        const QString reason = draw.read(*body.rows[i], body.cells[i], layout.value(), largest);
        if (reason.isEmpty()) {
            draws.append(std::move(draw));
        } else {
            file.skipped.append({body.rows[i]->number, body.rows[i]->text, reason});
            unreadable.append(body.rows[i]->number);
        }
    }
    const auto order = DrawOrder::arrange(draws, layout->key, file.skipped);
    if (!order)
        return order.error();
    DrawNumbering::number(draws, layout.value(), proposedPeriod, largest, unreadable, file);
    std::sort(file.skipped.begin(), file.skipped.end(),
              [](const SkippedLine& a, const SkippedLine& b) { return a.lineNumber < b.lineNumber; });

    file.form = description(source, body, layout.value(), proposedPeriod) + order.value();
    if (body.repeatedTitles > 0)
        file.form += u"，略过 %1 行重复的标题行"_s.arg(body.repeatedTitles);
    file.everyLineDated = layout->key != TableLayout::Key::None;
    return file;
}

} // namespace talven::TableReader
