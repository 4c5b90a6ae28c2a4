#pragma once

#include <QMenu>

#include <functional>

namespace talven {

class Prompts;
class Session;

// The menu "设置": the largest number, the period digits, the code bases, the zodiac coding and
// the special-number plus one, each entry checked as the stored options say.
class SettingsMenu : public QMenu {
    Q_OBJECT
public:
    SettingsMenu(Session& session, Prompts& prompts, QWidget* parent);

    // Check marks from the stored options.
    void showOptions();

private:
    void addChoice(const QString& key, const QString& first, const QString& second, const QString& firstValue,
                   const QString& secondValue);
    void set(const QString& key, const QString& value);
    void askLargestNumber();

    Session& m_session;
    Prompts& m_prompts;
    std::vector<std::function<void()>> m_refresh;
};

} // namespace talven
