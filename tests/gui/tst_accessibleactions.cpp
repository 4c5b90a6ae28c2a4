// Every button, check box and option button of the main, filter and error-value windows does the
// same when a screen reader or test robot presses it through its accessibility action as when the
// user clicks it: two windows on two sessions with the same data, one driven each way, must end in
// the same state after every step.
#include "Samples.h"
#include "ScriptedPrompts.h"
#include "SessionFixture.h"
#include "models/FormulaListModel.h"
#include "models/HistoryGridModel.h"
#include "windows/FilterWindow.h"
#include "windows/MainWindow.h"
#include "windows/SettingsMenu.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QStyleOptionGroupBox>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace talven;
using namespace talven::test;

namespace {

// One session with its windows, driven one way.
struct Side {
    Fixture f;
    ScriptedPrompts prompts;
    std::unique_ptr<MainWindow> main;
    std::unique_ptr<FilterWindow> filter;

    Session& s() { return *f.session; }

    // The control of a window by its caption, or by its tooltip where the caption changes.
    QWidget* control(const QString& window, const QString& caption) {
        QWidget* root = window == u"filter"_s   ? static_cast<QWidget*>(filter.get())
                        : window == u"errors"_s ? main->findChild<QWidget*>(u"errorValueWindow"_s)
                                                : static_cast<QWidget*>(main.get());
        if (!root)
            return nullptr;
        for (auto* b : root->findChildren<QAbstractButton*>())
            if (b->text() == caption || b->toolTip() == caption)
                return b;
        for (auto* g : root->findChildren<QGroupBox*>())
            if (g->title() == caption)
                return g;
        return nullptr;
    }

    // What a step may change: the session's data, selection and results, and what the windows show.
    QStringList state() {
        QStringList out;
        out << QString::number(s().draws().size()) << s().undoDescription();
        for (const FormulaRow& r : s().formulas())
            out << u"%1 %2 %3 %4"_s.arg(r.idx).arg(r.code).arg(r.kind).arg(r.kill);
        QString selected;
        for (bool b : s().selection())
            selected += b ? u'1' : u'0';
        out << selected << QString::number(s().lastErrorValues().size())
            << QString::number(s().lastErrorValuesPeriod().value_or(Period(0)).value());
        const MainWindow& w = *main;
        const auto checked = [&w](const QString& name) {
            return QString::number(w.findChild<QAbstractButton*>(name)->isChecked());
        };
        QString kind;
        for (int k = 0; k < FormulaKindCount; ++k)
            kind += checked(u"kind%1"_s.arg(k));
        out << checked(u"formulaColumns"_s)
            << QString::number(w.findChild<QAbstractItemView*>(u"historyGrid"_s)->model()->columnCount())
            << QString::number(w.findChild<QAbstractItemView*>(u"formulaList"_s)->model()->rowCount()) << kind
            << checked(u"kill"_s) << checked(u"kindFilter"_s);
        for (const QString& name : {u"referenceWindow"_s, u"errorValueWindow"_s, u"discoveryWindow"_s,
                                    u"filterWindow"_s, u"settingsMenu"_s}) {
            auto* shown = w.findChild<QWidget*>(name);
            out << QString::number(shown && shown->isVisible());
        }
        out << QString::number(w.findChild<FilterWindow*>() != nullptr); // modal: closed again at once here
        if (filter) {
            out << QString::number(filter->isVisible()) << QString::number(filter->recentRange()->isChecked())
                << QString::number(filter->recentWindow()->isEnabled());
        }
        for (const auto& shown : prompts.shown)
            out << shown.kind + shown.title;
        for (const QString& opened : prompts.opened)
            out << QFileInfo(opened).fileName();
        return out;
    }

    bool waitIdle() {
        QTest::qWait(150); // an accessible press clicks after a short animation
        return test::waitIdle(s());
    }
};

void pressByAccessibility(QWidget* control) {
    QAccessibleActionInterface* actions = QAccessible::queryAccessibleInterface(control)->actionInterface();
    const QString toggle = QAccessibleActionInterface::toggleAction();
    actions->doAction(actions->actionNames().contains(toggle) ? toggle
                                                              : QAccessibleActionInterface::pressAction());
}

// As the user clicks: on a check box, option button or checkable group box its indicator, on a
// button its middle.
void clickByMouse(QWidget* control) {
    QPoint at = control->rect().center();
    if (qobject_cast<QCheckBox*>(control) || qobject_cast<QRadioButton*>(control))
        at.setX(8);
    if (auto* group = qobject_cast<QGroupBox*>(control)) {
        QStyleOptionGroupBox option;
        option.initFrom(group);
        option.text = group->title();
        option.subControls =
            QStyle::SC_GroupBoxCheckBox | QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
        option.features = QStyleOptionFrame::None;
        at = group->style()
                 ->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxCheckBox, group)
                 .center();
    }
    QTest::mouseClick(control, Qt::LeftButton, {}, at);
}

} // namespace

class TestAccessibleActions : public QObject {
    Q_OBJECT

    Side a; // pressed through accessibility
    Side b; // clicked with the mouse
    QTimer m_closeModal;

private slots:
    void initTestCase() {
        for (Side* side : {&a, &b}) {
            QVERIFY(side->f.reopen());
            QVERIFY(side->f.importHistory(sample("history.txt")));
            QVERIFY(side->f.importFormulas(sample("formulas-utf8.txt"), true));
            side->main = std::make_unique<MainWindow>(side->s(), side->prompts);
            side->main->show();
            QVERIFY(QTest::qWaitForWindowExposed(side->main.get()));
        }
        // The formula filter opens modally from its button: closed as soon as it shows.
        connect(&m_closeModal, &QTimer::timeout, this, [] {
            if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                modal->reject();
        });
        m_closeModal.start(50);
    }

    void sameAsAClick_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("typed"); // the formula box's or filter bound's text first
        QTest::addColumn<bool>("answer");   // the answer to a question the step asks
        const auto row = [](const char* name, const QString& window, const QString& control,
                            const QString& typed = QString(), bool answer = true) {
            QTest::newRow(name) << window << control << typed << answer;
        };
        const QString main = u"main"_s;
        row("keep", main, u"生"_s);
        row("kill", main, u"杀"_s);
        row("kind zodiac", main, u"生肖"_s);
        row("kind filter on", main, u"显所选类公式(&P)"_s);
        row("kind while filtered", main, u"数尾"_s);
        row("kind filter off", main, u"显所选类公式(&P)"_s);
        row("kind special number", main, u"特码"_s);
        row("formula columns on", main,
            u"历史列表显示公式各期验算结果(选中后运行验算时间可能比较长，请耐性等待...)"_s);
        row("formula columns off", main,
            u"历史列表显示公式各期验算结果(选中后运行验算时间可能比较长，请耐性等待...)"_s);
        row("invert", main, u"反选所有公式(&R)"_s);
        row("select all", main, u"选中所有公式(&L)"_s);
        row("add formula", main, u"添加所输公式(&A)"_s, u"[D单特类]特码数+平码一"_s);
        row("delete last draw", main, u"删除最后历史(&D)"_s);
        row("undo", main, u"撤销最后一次删除或读入（Ctrl+Z）"_s);
        row("import history, declined", main, u"读取历史号码文本(&E)"_s, QString(), false);
        row("import formulas", main, u"读取公式文本(N)"_s);
        row("compute", main, u"计算选中公式(&C)"_s);
        row("verify", main, u"验算该期公式[计算的该期下期结果](&K)"_s);
        row("reference", main, u"公式参数对照说明(&I)"_s);
        row("discovery", main, u"公式挖掘(&W)"_s);
        row("settings", main, u"软件设置(&T)"_s);
        row("guide", main, u"使用说明下载(&L)"_s);
        row("filter window", main, u"公式过滤设置(&S)"_s);
        row("error values export", u"errors"_s, u"导出列表(&E)"_s);
        row("recent range on", u"filter"_s, u"近期正确率"_s);
        row("recent range off", u"filter"_s, u"近期正确率"_s);
        row("filter applied", u"filter"_s, u"确定(&K)"_s, u"101"_s);
    }

    void sameAsAClick() {
        QFETCH(QString, window);
        QFETCH(QString, control);
        QFETCH(QString, typed);
        QFETCH(bool, answer);
        for (Side* side : {&a, &b}) {
            side->prompts.questionAnswers = {answer};
            side->prompts.openFileAnswers = {sample("formulas-utf8.txt")};
            if (window == u"filter"_s && !side->filter) {
                side->filter = std::make_unique<FilterWindow>(side->s(), side->prompts);
                side->filter->show();
            }
            if (!typed.isEmpty() && window == u"filter"_s)
                side->filter->lowerEdit(Figures::Accuracy)->setText(typed);
            else if (!typed.isEmpty())
                side->main->findChild<QPlainTextEdit*>()->setPlainText(typed);
        }
        QWidget* pressed = a.control(window, control);
        QWidget* clicked = b.control(window, control);
        QVERIFY(pressed && clicked);
        const QStringList before = b.state();
        QCOMPARE(a.state(), before);

        pressByAccessibility(pressed);
        QVERIFY(a.waitIdle());
        clickByMouse(clicked);
        QVERIFY(b.waitIdle());
        QCOMPARE(a.state(), b.state());
        QVERIFY(b.state() != before); // every control does something

        for (Side* side : {&a, &b})
            side->main->findChild<SettingsMenu*>()->hide();
    }

    void cleanupTestCase() {
        for (Side* side : {&a, &b}) {
            side->filter.reset();
            side->main.reset();
        }
    }
};

QTEST_MAIN(TestAccessibleActions)
#include "tst_accessibleactions.moc"
