#include "DrawOrder.h"

#include "history/ReaderText.h"

#include <QHash>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace talven::DrawOrder {

Result<QString> arrange(QList<DrawRow>& rows, TableLayout::Key key, QList<SkippedLine>& skipped) {
    if (key == TableLayout::Key::None)
        return QString();
    const bool dated = key == TableLayout::Key::Date;
    // The same draw twice is harmless; two different draws for one key leave no way to tell which
    // is right.
    QHash<int, qsizetype> seen;
    QList<DrawRow> unique;
    unique.reserve(rows.size());
    for (DrawRow& row : rows) {
        const auto it = seen.constFind(row.key);
        if (it == seen.cend()) {
            seen.insert(row.key, unique.size());
            unique.append(std::move(row));
            continue;
        }
        const DrawRow& first = unique[*it];
        if (first.numbers != row.numbers)
            return ReaderText::refused(
                u"第 %1 行与第 %2 行都是%3，号码却不同，无法确定哪一行正确"_s.arg(first.line)
                    .arg(row.line)
                    .arg(dated ? u" %1 的开奖"_s.arg(ReaderText::quoted(row.keyText))
                               : u"第 %1 期"_s.arg(row.key)));
        skipped.append({row.line, row.text, u"与第 %1 行相同，只读入一次"_s.arg(first.line)});
    }
    rows = std::move(unique);
    auto byKey = [](const DrawRow& a, const DrawRow& b) { return a.key < b.key; };
    if (std::is_sorted(rows.begin(), rows.end(), byKey))
        return QString();
    if (std::is_sorted(rows.rbegin(), rows.rend(), byKey)) {
        std::reverse(rows.begin(), rows.end());
        return u"，由新到旧排列，已倒转"_s;
    }
    std::stable_sort(rows.begin(), rows.end(), byKey);
    return u"，未按先后排列，已按%1排序"_s.arg(dated ? u"日期"_s : u"期号"_s);
}

} // namespace talven::DrawOrder
