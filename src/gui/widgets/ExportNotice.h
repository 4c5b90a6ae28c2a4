#pragma once

#include <QToolButton>

class QStackedWidget;
class QStatusBar;
class QTimer;

namespace talven {

class Prompts;

// "已导出到 …" in the status bar after an export: a flat button that opens the file's folder when
// clicked or pressed from the keyboard. While it shows, it stands in the place of the widget it
// covers, which returns when the notice times out. Both share one place in the bar, so that a
// temporary message puts aside whichever shows and the bar brings it back.
class ExportNotice : public QToolButton {
    Q_OBJECT
public:
    // Places covers and the notice in bar as one stretching normal widget.
    ExportNotice(Prompts& prompts, QStatusBar* bar, QWidget* covers);

    // Shows the notice for the file at path for timeoutMs milliseconds.
    void showFor(const QString& path, int timeoutMs = 15000);
    // Gives the place back to the covered widget.
    void dismiss();
    QString folder() const { return m_folder; }

private:
    void openFolder();

    Prompts& m_prompts;
    QStatusBar* m_bar;
    QStackedWidget* m_place;
    QWidget* m_covers;
    QTimer* m_timer;
    QString m_folder;
};

} // namespace talven
