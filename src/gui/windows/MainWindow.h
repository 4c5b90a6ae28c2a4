#pragma once

#include <QMainWindow>

#include <memory>

class QApplication;
class QLabel;
class QTableView;

namespace talven {

class HistoryGridModel;
class Prompts;
class Session;

// The main window: the history grid and the proposal of the next period.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(Session& session, Prompts& prompts, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Opens the session in the data directory and shows the window; a database that cannot be
    // opened is reported in a message box and the program ends.
    static int runProgram(QApplication& app);

    HistoryGridModel* historyModel() const { return m_history; }

private slots:
    void showNextPeriod();

private:
    Session& m_session;
    Prompts& m_prompts;
    HistoryGridModel* m_history = nullptr;
    QTableView* m_historyView = nullptr;
    QLabel* m_nextPeriod = nullptr;
};

} // namespace talven
