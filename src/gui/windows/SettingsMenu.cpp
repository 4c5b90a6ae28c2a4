#include "windows/SettingsMenu.h"

#include "prompts/Prompts.h"
#include "session/Session.h"

#include <QActionGroup>

using namespace Qt::StringLiterals;

namespace talven {

SettingsMenu::SettingsMenu(Session& session, Prompts& prompts, QWidget* parent)
    : QMenu(u"设置"_s, parent), m_session(session), m_prompts(prompts) {
    addAction(u"设置计算位的最大值(&U)"_s, this, &SettingsMenu::askLargestNumber);
    QAction* year = addAction(u"公式内期号参数计算年份(&Y)"_s);
    year->setCheckable(true);
    connect(year, &QAction::triggered, this,
            [this](bool on) { set(u"YEAR"_s, on ? u"True"_s : u"False"_s); });
    m_refresh.push_back([this, year] { year->setChecked(m_session.optionText(u"YEAR"_s) == u"True"_s); });
    addSeparator();
    addChoice(u"SxIni"_s, u"生肖参数0~11"_s, u"生肖参数1~12"_s, u"0"_s, u"1"_s);
    addChoice(u"BsIni"_s, u"波色参数0~2"_s, u"波色参数1~3"_s, u"0"_s, u"1"_s);
    addChoice(u"WxIni"_s, u"五行参数0~4"_s, u"五行参数1~5"_s, u"0"_s, u"1"_s);
    addChoice(u"DsIni"_s, u"段数参数0~6"_s, u"段数参数1~7"_s, u"0"_s, u"1"_s);
    addChoice(u"SxSetup"_s, u"生肖数字按顺序取值"_s, u"生肖数字按年龄取值"_s, u"True"_s, u"False"_s);
    QAction* plusOne = addAction(u"特码取结果余数加1"_s);
    plusOne->setCheckable(true);
    connect(plusOne, &QAction::triggered, this,
            [this](bool on) { set(u"MaAddIni"_s, on ? u"True"_s : u"False"_s); });
    m_refresh.push_back(
        [this, plusOne] { plusOne->setChecked(m_session.optionText(u"MaAddIni"_s) == u"True"_s); });
    connect(&session, &Session::changed, this, [this](Session::Changes what) {
        if (what & Session::OptionsChanged)
            showOptions();
    });
    showOptions();
}

void SettingsMenu::addChoice(const QString& key, const QString& first, const QString& second,
                             const QString& firstValue, const QString& secondValue) {
    auto* group = new QActionGroup(this);
    group->setExclusive(true);
    for (const auto& [caption, value] : {std::pair{first, firstValue}, std::pair{second, secondValue}}) {
        QAction* action = addAction(caption);
        action->setCheckable(true);
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, key, value = value] { set(key, value); });
        m_refresh.push_back(
            [this, action, key, value = value] { action->setChecked(m_session.optionText(key) == value); });
    }
    addSeparator();
}

void SettingsMenu::showOptions() {
    for (const auto& refresh : m_refresh)
        refresh();
}

void SettingsMenu::set(const QString& key, const QString& value) {
    m_session.setOption(key, value).then(this, [this](const Result<void>& done) {
        if (!done)
            m_prompts.warning(parentWidget(), u"无法保存设置"_s, done.message());
        showOptions(); // a refused change leaves the marks as they were
    });
}

void SettingsMenu::askLargestNumber() {
    const QString answer = m_prompts.inputText(
        parentWidget(), u"彩票规则输入"_s,
        u"请输入计算位的最大值！（例如香港49选6即填写49，福彩双色球蓝球填写16。）"_s, u"49"_s);
    if (answer.isEmpty())
        return;
    m_session.setOption(u"BIT"_s, answer).then(this, [this](const Result<void>& done) {
        if (!done && done.code() == ErrorCode::Refused)
            m_prompts.warning(parentWidget(), u"输入错误"_s, done.message());
        else if (!done)
            m_prompts.warning(parentWidget(), u"无法保存设置"_s, done.message());
    });
}

} // namespace talven
