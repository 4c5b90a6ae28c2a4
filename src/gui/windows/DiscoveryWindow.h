#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace talven {

class DiscoveryJob;
class DiscoveryResultModel;
class GridView;
class Prompts;
class Session;

// "公式挖掘": searches candidate formulas of a kind and sense, ranks them by their record on the
// history without its newest draws and shows beside it their record on those held-out draws, with
// the chance line and the honest reading of both. The search runs on a thread of its own with a
// progress bar and a cancel button; the checked rows are added to the formula list in one change.
// Not modal and deleted when closed: the main window shows it through a WindowSlot<DiscoveryWindow>
// with slot.show([&] { return new DiscoveryWindow(session, prompts, this); }).
class DiscoveryWindow : public QWidget {
    Q_OBJECT
public:
    DiscoveryWindow(Session& session, Prompts& prompts, QWidget* parent = nullptr);

    QComboBox* kindBox() const { return m_kind; }
    QRadioButton* killButton() const { return m_killButton; }
    QRadioButton* keepButton() const { return m_keepButton; }
    QSpinBox* candidatesBox() const { return m_candidates; }
    QSpinBox* holdoutBox() const { return m_holdout; }
    QSpinBox* seedBox() const { return m_seed; }
    QPushButton* startButton() const { return m_start; }
    QPushButton* cancelButton() const { return m_cancel; }
    QPushButton* addButton() const { return m_add; }
    QProgressBar* progressBar() const { return m_progress; }
    GridView* grid() const { return m_grid; }
    DiscoveryResultModel* model() const { return m_model; }
    QString chanceText() const;
    QString cautionText() const;
    bool running() const;

public slots:
    // "开始挖掘": starts a search with the window's settings; refused with a message when the
    // history is too short for them.
    void start();
    // "取消": stops the search; the candidates judged so far are shown.
    void cancel();
    // "添加选中公式": the checked rows into the formula list, with the kind and sense searched.
    void addChecked();

private:
    void searchEnded();
    void setRunning(bool running);

    Session& m_session;
    Prompts& m_prompts;
    DiscoveryJob* m_job = nullptr;
    DiscoveryResultModel* m_model = nullptr;
    QComboBox* m_kind = nullptr;
    QRadioButton* m_killButton = nullptr;
    QRadioButton* m_keepButton = nullptr;
    QSpinBox* m_candidates = nullptr;
    QSpinBox* m_holdout = nullptr;
    QSpinBox* m_seed = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_add = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_caution = nullptr;
    QLabel* m_chance = nullptr;
    GridView* m_grid = nullptr;
};

} // namespace talven
