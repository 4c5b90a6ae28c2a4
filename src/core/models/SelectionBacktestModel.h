#pragma once

#include "prediction/SelectionBacktest.h"

#include <QAbstractTableModel>
#include <QString>

namespace talven {

// The selection back-test per draw (期号, 特码, 被杀次数, 排名, 保留个数, 命中), oldest first, and the
// texts of its figures as the window and the command line show them.
class SelectionBacktestModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { Period, Special, ErrorValue, Rank, KeptCount, Hit, ColumnCount };

    explicit SelectionBacktestModel(QObject* parent = nullptr);

    void setReport(const SelectionBacktestReport& report);
    const SelectionBacktestReport& report() const { return m_report; }

    static QString columnTitle(int column);
    // The one summary line: "保留命中 62/100 期，随机水平 58.31%，高于随机 3.69 个百分点，标准分 0.75；
    // 特码平均排名 46.2%（随机 50%）", the rank first when the kept set was mostly empty.
    static QString summaryLine(const SelectionSummary& summary);
    // The places among the lowest-ranked and the mean kept count, each beside its chance.
    static QString placesLine(const SelectionSummary& summary);
    // The draws left out, counted and named (up to `named` of them, then "等"); empty when none.
    static QString skippedLine(const std::vector<SkippedDraw>& skipped, int named = -1);
    // A rank as the table shows it: "12" or "12.5".
    static QString rankText(double rank);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    SelectionBacktestReport m_report;
};

} // namespace talven
