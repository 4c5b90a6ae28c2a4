#include "ErrorValueModel.h"

#include "session/Session.h"

#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

bool isValidColumn(int column) {
    return column >= 0 && column < ErrorValueModel::ColumnCount;
}

} // namespace

ErrorValueModel::ErrorValueModel(QObject* parent) : QAbstractTableModel(parent) {}

ErrorValueModel::ErrorValueModel(const Session& session, QObject* parent) : QAbstractTableModel(parent) {
    setValues(session.lastErrorValues());
    connect(&session, &Session::changed, this, [this, &session](Session::Changes what) {
        if (what & Session::ErrorValuesChanged)
            setValues(session.lastErrorValues());
    });
}

QString ErrorValueModel::columnTitle(int column) {
    if (column == Status)
        return u"保留/滤杀"_s;
    return isValidColumn(column) ? QString::fromUtf16(errorValueTitleTexts[static_cast<size_t>(column)])
                                 : QString();
}

int ErrorValueModel::columnValue(const NumberErrorValues& row, int column) {
    switch (column) {
    case Number:
        return row.number;
    case RuledOut:
        return row.ruledOut;
    case RuledOutByKill:
        return row.ruledOutByKill;
    case RuledOutByKeep:
        return row.ruledOutByKeep;
    case WeightedRuledOut:
        return row.weightedRuledOut;
    case WeightedRuledOutByKill:
        return row.weightedRuledOutByKill;
    case WeightedRuledOutByKeep:
        return row.weightedRuledOutByKeep;
    default:
        return 0;
    }
}

ErrorValueTable ErrorValueModel::ranked(ErrorValueTable rows, int column, bool descending) {
    std::sort(rows.begin(), rows.end(), [column, descending](const auto& a, const auto& b) {
        const int va = columnValue(a, column);
        const int vb = columnValue(b, column);
        if (va != vb)
            return descending ? va > vb : va < vb;
        return a.number < b.number;
    });
    return rows;
}

void ErrorValueModel::reorder(int column) {
    beginResetModel();
    m_rows = ranked(std::move(m_rows), column, m_descending);
    endResetModel();
}

void ErrorValueModel::setValues(const ErrorValueTable& values) {
    m_rows = values;
    reorder(RuledOut);
}

void ErrorValueModel::rankByColumn(int column) {
    m_descending = !m_descending;
    if (column >= Number && column <= WeightedRuledOutByKeep)
        reorder(column);
}

QString ErrorValueModel::numberList(bool kept) const {
    QString text;
    for (const NumberErrorValues& row : m_rows)
        if ((row.ruledOut == 0) == kept)
            text += u"%1 "_s.arg(row.number, 2, 10, QLatin1Char('0'));
    return text;
}

QString ErrorValueModel::keptNumbers() const {
    return numberList(true);
}

QString ErrorValueModel::filteredNumbers() const {
    return numberList(false);
}

int ErrorValueModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ErrorValueModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ErrorValueModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const NumberErrorValues& row = m_rows[index.row()];
    const bool filtered = row.ruledOut > 0;
    switch (role) {
    case Qt::DisplayRole:
        if (index.column() == Rank)
            return index.row() + 1;
        if (index.column() == Status)
            return filtered ? u"滤杀"_s : u"保留"_s;
        return columnValue(row, index.column());
    case GreyRowRole:
        return filtered && index.column() != Rank;
    default:
        return {};
    }
}

QVariant ErrorValueModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && isValidColumn(section))
        return columnTitle(section);
    // What each column counts, in which unit.
    static const char16_t* const tips[ColumnCount] = {
        u"按当前排序的名次",
        u"号码",
        u"选中公式中把该号码排除的条数（单位 条），杀码与留码合计",
        u"选中的杀码公式中排除该号码的条数（单位 条）",
        u"选中的留码公式中排除该号码的条数（单位 条）",
        u"同杀留Err值，但每条公式按其种类的权重计数（单位 权重）",
        u"同杀码Err值，但每条公式按其种类的权重计数（单位 权重）",
        u"同留码Err值，但每条公式按其种类的权重计数（单位 权重）",
        u"保留：该号码留下；滤杀：被过滤掉"};
    if (orientation == Qt::Horizontal && role == Qt::ToolTipRole && isValidColumn(section))
        return QString::fromUtf16(tips[section]);
    return QAbstractTableModel::headerData(section, orientation, role);
}

} // namespace talven
