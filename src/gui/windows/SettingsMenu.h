#pragma once

#include "common/Options.h"

#include <QMenu>

#include <functional>

class QActionGroup;

namespace talven {

class Prompts;
class Session;

// The menu "设置": the largest number, the period digits, the code bases, the zodiac coding and
// the special-number plus one, each entry checked as the stored options say. The zodiac coding
// says that it waits for the next start.
class SettingsMenu : public QMenu {
    Q_OBJECT
public:
    SettingsMenu(Session& session, Prompts& prompts, QWidget* parent);

    // Check marks from the stored options.
    void showOptions();
    // Pops up at the pointer, as a pop-up menu does; from the keyboard, under button.
    void popupFor(const QWidget& button);

signals:
    // A word for the status bar: when a saved choice takes effect.
    void notice(const QString& text);

private:
    void addSwitch(OptionKey key, const QString& caption);
    QActionGroup* addChoice(OptionKey key, const QString& first, const QString& second, int firstValue,
                            int secondValue);
    void set(OptionKey key, int value);
    void askLargestNumber();

    Session& m_session;
    Prompts& m_prompts;
    std::vector<std::function<void()>> m_refresh;
};

} // namespace talven
