#include "SelectionBacktestModel.h"

#include <QStringList>

#include <cmath>

using namespace Qt::StringLiterals;

namespace talven {

SelectionBacktestModel::SelectionBacktestModel(QObject* parent) : QAbstractTableModel(parent) {}

void SelectionBacktestModel::setReport(const SelectionBacktestReport& report) {
    beginResetModel();
    m_report = report;
    endResetModel();
}

QString SelectionBacktestModel::columnTitle(int column) {
    static const char16_t* const titles[] = {u"期号", u"特码", u"被杀次数", u"排名", u"保留个数", u"命中"};
    return column >= 0 && column < ColumnCount ? QString::fromUtf16(titles[column]) : QString();
}

QString SelectionBacktestModel::rankText(double rank) {
    return QString::number(rank, 'f', std::floor(rank) == rank ? 0 : 1);
}

QString SelectionBacktestModel::summaryLine(const SelectionSummary& s) {
    if (s.draws == 0)
        return u"没有可计入的期数"_s;
    const ChanceFigures& c = s.againstChance;
    QString hits = u"保留命中 %1/%2 期，随机水平 %3"_s.arg(s.hits).arg(s.draws).arg(chanceText(c));
    const QString edge = twoDecimals(std::abs(c.edge));
    if (edge == u"0.00"_s)
        hits += u"，与随机持平"_s;
    else
        hits += (c.edge > 0 ? u"，高于随机 %1 个百分点"_s : u"，低于随机 %1 个百分点"_s).arg(edge);
    if (c.z)
        hits += u"，标准分 "_s + zText(c);
    const QString rank = u"特码平均排名 %1%（随机 50%）"_s.arg(s.rankPercentile, 0, 'f', 1);
    return s.keptMostlyEmpty ? rank + u"；"_s + hits : hits + u"；"_s + rank;
}

QString SelectionBacktestModel::placesLine(const SelectionSummary& s) {
    if (s.draws == 0)
        return QString();
    return u"特码排在前 5 名 %1%（随机 %2%），前 10 名 %3%（随机 %4%）；平均保留 %5 个号码"_s
        .arg(twoDecimals(s.top5), twoDecimals(s.top5Chance), twoDecimals(s.top10), twoDecimals(s.top10Chance))
        .arg(s.meanKept, 0, 'f', 1);
}

QString SelectionBacktestModel::skippedLine(const std::vector<SkippedDraw>& skipped, int named) {
    if (skipped.empty())
        return QString();
    // Runs of consecutive periods left out for the same reason read as one range.
    QStringList names;
    size_t shown = 0;
    for (size_t i = 0; i < skipped.size() && (named < 0 || names.size() < named);) {
        const bool none = skipped[i].selected == 0;
        size_t end = i + 1;
        while (end < skipped.size() && (skipped[end].selected == 0) == none &&
               skipped[end].period == skipped[end - 1].period + 1)
            ++end;
        const QString reason = none ? u"未选公式"_s : u"所选公式均无值"_s;
        names.append(end - i == 1 ? u"%1（%2）"_s.arg(skipped[i].period).arg(reason)
                                  : u"%1–%2（%3，%4 期）"_s.arg(skipped[i].period)
                                        .arg(skipped[end - 1].period)
                                        .arg(reason)
                                        .arg(end - i));
        shown = end;
        i = end;
    }
    QString line = u"未计入 %1 期：%2"_s.arg(skipped.size()).arg(names.join(u"、"_s));
    if (shown < skipped.size())
        line += u" 等"_s;
    return line;
}

int SelectionBacktestModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_report.rows.size());
}

int SelectionBacktestModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant SelectionBacktestModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const SelectionDrawRow& row = m_report.rows[static_cast<size_t>(index.row())];
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue((index.column() == Hit ? Qt::AlignHCenter : Qt::AlignRight) |
                                   Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case Period:
        return row.period;
    case Special:
        return row.special;
    case ErrorValue:
        return row.errorValue;
    case Rank:
        return rankText(row.rank);
    case KeptCount:
        return row.keptCount;
    case Hit:
        return row.hit ? u"中"_s : u"否"_s;
    default:
        return {};
    }
}

QVariant SelectionBacktestModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount)
        return columnTitle(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

} // namespace talven
