#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <vector>

class QWidget;

namespace talven {

class MainWindow;

// Walks the real windows through the states the README shows and saves a picture of each into a
// folder, then ends the program; scripts/screenshots.sh runs it under a virtual X display.
class ScreenshotTour : public QObject {
    Q_OBJECT
public:
    ScreenshotTour(MainWindow& window, QString folder);

    // Starts once the event loop runs.
    void start();

private:
    struct Step {
        QString name;                     // file name without ".png"
        std::function<void()> prepare;    // brings the windows into the state
        std::function<QWidget*()> shot;   // the window to picture; none: the whole screen
        std::function<bool()> ready = {}; // the state is reached (a search has ended)
    };
    void next();
    void save(const Step& step);

    MainWindow& m_window;
    QString m_folder;
    std::vector<Step> m_steps;
    size_t m_at = 0;
};

} // namespace talven
