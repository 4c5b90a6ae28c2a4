#pragma once

#include <QWidget>

class QLabel;
class QSettings;

namespace talven {

class ErrorValueChart;
class ErrorValueModel;
class GridView;
class Prompts;
class Session;

// "杀留值排序(鼠标双击列表反向排序)": the error values of the session's last computation, ranked,
// each number kept or filtered out, with a chart of the totals; its menu exports the list to a file
// the user picks. Not modal and deleted when closed:
// after each computation the main window shows it through a WindowSlot<ErrorValueWindow>, with
// slot.show([&] { return new ErrorValueWindow(session, prompts, this); }).
class ErrorValueWindow : public QWidget {
    Q_OBJECT
public:
    // settings keeps the folder of the last file chosen, shared with the main window's dialogs.
    ErrorValueWindow(Session& session, Prompts& prompts, QWidget* parent = nullptr,
                     QSettings* settings = nullptr);

    ErrorValueModel* model() const { return m_model; }
    GridView* grid() const { return m_grid; }
    ErrorValueChart* chart() const { return m_chart; }
    // "下期 2026152 期", or "验算 2026100 期" for a verification after that draw.
    QString periodText() const;
    QString filteredText() const;
    QString keptText() const;
    // Why the kept list is empty when every number is filtered out; empty otherwise.
    QString allFilteredText() const;

public slots:
    // Double-click on a column: the direction reverses and the rows rank by that column (the rank
    // and mark columns keep the row order).
    void rankByColumn(int column);
    // "导出列表": ErrArr.xlsx in the data directory from the stored values, then opened.
    void exportList();

signals:
    // The list was written to the file at path.
    void exported(const QString& path);

protected:
    bool event(QEvent* event) override;

private:
    void showLists();
    void showPeriod();
    void rankByTotal();

    Session& m_session;
    Prompts& m_prompts;
    ErrorValueModel* m_model = nullptr;
    GridView* m_grid = nullptr;
    ErrorValueChart* m_chart = nullptr;
    QLabel* m_period = nullptr;
    QLabel* m_filtered = nullptr;
    QLabel* m_kept = nullptr;
    QLabel* m_allFiltered = nullptr;
    QString m_periodText;
};

} // namespace talven
