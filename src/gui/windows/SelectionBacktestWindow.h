#pragma once

#include "common/Result.h"
#include "prediction/SelectionBacktest.h"
#include "windows/FilterWindow.h"

#include <QWidget>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSettings;

namespace talven {

class GridExporter;
class GridView;
class Prompts;
class SelectionBacktestChart;
class SelectionBacktestModel;
class Session;

// "组合验算": the selection back-tested draw by draw over the newest N draws, either the current
// selection at every draw (in-sample) or the filter's last criteria applied at every draw to what
// was known before it (walk-forward), with the summary against chance, a chart and the per-draw
// table. The run is the session's, off the window's thread, with progress and a cancel button.
// Not modal and deleted when closed: the main window shows it through a WindowSlot.
class SelectionBacktestWindow : public QWidget {
    Q_OBJECT
public:
    // What the window reads of the main window: the filter's last criteria and the kind the
    // formula list shows (none: every kind).
    struct Sources {
        std::function<std::optional<FilterWindow::Applied>()> lastFilter;
        std::function<std::optional<int>()> shownKind;
    };

    SelectionBacktestWindow(Session& session, Prompts& prompts, Sources sources, QWidget* parent = nullptr,
                            QSettings* settings = nullptr);
    ~SelectionBacktestWindow() override;

    QComboBox* drawsBox() const { return m_draws; }
    QComboBox* modeBox() const { return m_mode; }
    QPushButton* startButton() const { return m_start; }
    QPushButton* cancelButton() const { return m_cancel; }
    QPushButton* exportButton() const { return m_export; }
    QProgressBar* progressBar() const { return m_progress; }
    SelectionBacktestChart* chart() const { return m_chart; }
    GridView* grid() const { return m_grid; }
    SelectionBacktestModel* model() const { return m_model; }
    QString summaryText() const;
    QString skippedText() const;
    bool running() const { return m_cancelFlag != nullptr; }

signals:
    void exported(const QString& path);

public slots:
    // "开始验算" with the window's choices.
    void start();
    // "取消": the run stops within a few formulas and nothing is shown of it.
    void cancel();
    // "导出": the per-draw table to a file the user picks.
    void exportTable();

private:
    void ended(const Result<SelectionBacktestReport>& outcome);
    void setRunning(bool running);

    Session& m_session;
    Prompts& m_prompts;
    Sources m_sources;
    std::shared_ptr<std::atomic<bool>> m_cancelFlag;
    SelectionBacktestModel* m_model = nullptr;
    QComboBox* m_draws = nullptr;
    QComboBox* m_mode = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_export = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_caution = nullptr;
    QLabel* m_summary = nullptr;
    QLabel* m_places = nullptr;
    QLabel* m_skipped = nullptr;
    SelectionBacktestChart* m_chart = nullptr;
    GridView* m_grid = nullptr;
    GridExporter* m_exporter = nullptr;
};

} // namespace talven
