#include "windows/SettingsMenu.h"

#include "prompts/Prompts.h"
#include "session/OptionTexts.h"
#include "session/Session.h"

#include <QActionGroup>
#include <QCursor>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

const QString zodiacTakesEffect =
    u"生肖数字的取值方式在下次启动本程序时生效：届时全部历史的生肖编码按新方式重新计算，公式重新验算。"_s;

} // namespace

SettingsMenu::SettingsMenu(Session& session, Prompts& prompts, QWidget* parent)
    : QMenu(u"设置"_s, parent), m_session(session), m_prompts(prompts) {
    addAction(u"设置计算位的最大值(&U)"_s, this, &SettingsMenu::askLargestNumber);
    addSwitch(OptionKey::PeriodYear, u"公式内期号参数计算年份(&Y)"_s);
    addSeparator();
    addChoice(OptionKey::ZodiacBase, u"生肖参数0~11"_s, u"生肖参数1~12"_s, 0, 1);
    addChoice(OptionKey::WaveBase, u"波色参数0~2"_s, u"波色参数1~3"_s, 0, 1);
    addChoice(OptionKey::ElementBase, u"五行参数0~4"_s, u"五行参数1~5"_s, 0, 1);
    addChoice(OptionKey::SegmentBase, u"段数参数0~6"_s, u"段数参数1~7"_s, 0, 1);
    // The zodiac codes are made when the program opens its data, so the choice waits for that.
    const QActionGroup* coding =
        addChoice(OptionKey::ZodiacByOrder, u"生肖数字按顺序取值"_s, u"生肖数字按年龄取值"_s, 1, 0);
    for (QAction* zodiac : coding->actions())
        zodiac->setStatusTip(zodiacTakesEffect);
    addSwitch(OptionKey::SpecialPlusOne, u"特码取结果余数加1"_s);
    connect(&session, &Session::changed, this, [this](Session::Changes what) {
        if (what & Session::OptionsChanged)
            showOptions();
    });
    showOptions();
}

void SettingsMenu::addSwitch(OptionKey key, const QString& caption) {
    QAction* action = addAction(caption);
    action->setCheckable(true);
    connect(action, &QAction::triggered, this, [this, key](bool on) { set(key, on ? 1 : 0); });
    m_refresh.push_back(
        [this, action, key] { action->setChecked(m_session.savedOptions().value(key) != 0); });
}

QActionGroup* SettingsMenu::addChoice(OptionKey key, const QString& first, const QString& second,
                                      int firstValue, int secondValue) {
    auto* group = new QActionGroup(this);
    group->setExclusive(true);
    for (const auto& [caption, value] : {std::pair{first, firstValue}, std::pair{second, secondValue}}) {
        QAction* action = addAction(caption);
        action->setCheckable(true);
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, key, value = value] { set(key, value); });
        m_refresh.push_back([this, action, key, value = value] {
            action->setChecked(m_session.savedOptions().value(key) == value);
        });
    }
    addSeparator();
    return group;
}

void SettingsMenu::popupFor(const QWidget& button) {
    const QPoint pointer = QCursor::pos();
    const bool overButton = button.rect().contains(button.mapFromGlobal(pointer));
    showOptions();
    popup(overButton ? pointer : button.mapToGlobal(QPoint(0, button.height())));
}

void SettingsMenu::showOptions() {
    for (const auto& refresh : m_refresh)
        refresh();
}

void SettingsMenu::set(OptionKey key, int value) {
    m_session.setOption(key, value).then(this, [this, key, value](const Result<void>& done) {
        if (!done)
            m_prompts.warning(parentWidget(), u"无法保存设置"_s, done.error().shown());
        else if (key == OptionKey::ZodiacByOrder)
            emit notice(
                m_session.options().value(key) == value
                    ? u"生肖数字的取值方式与正在使用的相同，无需重新启动。"_s
                    : u"已保存“%1”。"_s.arg(value ? u"生肖数字按顺序取值"_s : u"生肖数字按年龄取值"_s) +
                          zodiacTakesEffect);
        showOptions(); // a refused change leaves the marks as they were
    });
}

void SettingsMenu::askLargestNumber() {
    const QString answer = m_prompts.inputText(
        parentWidget(), u"彩票规则输入"_s,
        u"请输入计算位的最大值！（例如香港49选6即填写49，福彩双色球蓝球填写16。）"_s, u"49"_s);
    if (answer.isEmpty())
        return;
    const Result<int> largest = OptionTexts::parse(OptionKey::LargestNumber, answer);
    if (!largest) {
        m_prompts.warning(parentWidget(), u"输入错误"_s, largest.error().shown());
        return;
    }
    m_session.setOption(OptionKey::LargestNumber, largest.value())
        .then(this, [this, largest = largest.value()](const Result<void>& done) {
            if (!done && done.code() == ErrorCode::Refused)
                m_prompts.warning(parentWidget(), u"输入错误"_s, done.error().shown());
            else if (!done)
                m_prompts.warning(parentWidget(), u"无法保存设置"_s, done.error().shown());
            // Like the zodiac order, the largest number is read when the program opens its data.
            else if (m_session.options().value(OptionKey::LargestNumber) == largest)
                emit notice(u"计算位的最大值与正在使用的相同，无需重新启动。"_s);
            else
                emit notice(u"已保存计算位的最大值 %1。新值在下次启动本程序时生效。"_s.arg(largest));
        });
}

} // namespace talven
