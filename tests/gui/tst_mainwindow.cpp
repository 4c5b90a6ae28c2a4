// The main window walked through the typical request: import a history, add formulas, select,
// compute, enter and delete draws, the option and the kind filter, delete a formula.
#include "BackupFaults.h"
#include "Samples.h"
#include "ScriptedPrompts.h"
#include "SessionFixture.h"
#include "models/FormulaListModel.h"
#include "models/HistoryGridModel.h"
#include "widgets/ExportNotice.h"
#include "widgets/FormulaListView.h"
#include "widgets/FormulaPreviewLabel.h"
#include "widgets/HistoryGridView.h"
#include "widgets/HitHistoryStrip.h"
#include "widgets/StatusLine.h"
#include "windows/DrawEntryRow.h"
#include "windows/ErrorValueWindow.h"
#include "windows/MainWindow.h"
#include "windows/SettingsMenu.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace talven;
using namespace talven::test;

namespace {

template <typename W>
W* findByText(QWidget& window, const QString& text) {
    for (W* w : window.findChildren<W*>())
        if (w->text() == text)
            return w;
    return nullptr;
}

// Clicks a command and waits until the change it started has finished; false when there is no
// such command, for the test to check.
bool press(MainWindow& window, Session& session, const QString& caption) {
    QPushButton* button = findByText<QPushButton>(window, caption);
    if (!button)
        return false;
    button->click();
    return waitIdle(session);
}

// A click on a list row as the user makes it: press and release over the same cell.
void clickRow(FormulaListView* view, int row, Qt::MouseButton button = Qt::LeftButton) {
    const QPoint at = view->visualRect(view->model()->index(row, 1)).center();
    QTest::mousePress(view->viewport(), button, {}, at);
    QTest::mouseRelease(view->viewport(), button, {}, at);
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

    Fixture m_f;
    ScriptedPrompts m_prompts;
    std::unique_ptr<MainWindow> m_window;

    MainWindow& w() { return *m_window; }
    // The window's controls by their object names, as a test robot finds them.
    template <typename W>
    W* named(const char* name) {
        return w().findChild<W*>(QString::fromLatin1(name));
    }
    FormulaListView* formulaView() { return named<FormulaListView>("formulaList"); }
    QAbstractItemModel* formulaModel() { return formulaView()->model(); }
    QAbstractItemModel* historyModel() { return named<GridView>("historyGrid")->model(); }
    Session& s() { return *m_f.session; }
    QString lastShown() const { return m_prompts.shown.isEmpty() ? QString() : m_prompts.shown.last().text; }

private slots:
    void initTestCase() {
        QVERIFY(m_f.reopen());
        m_window = std::make_unique<MainWindow>(s(), m_prompts);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    // Before any history, the grid says what to do first.
    void emptyHistoryHint() {
        QVERIFY(s().draws().empty());
        QImage shown(named<GridView>("historyGrid")->viewport()->size(), QImage::Format_ARGB32);
        named<GridView>("historyGrid")->viewport()->render(&shown);
        QImage blank(shown.size(), QImage::Format_ARGB32);
        blank.fill(named<GridView>("historyGrid")->viewport()->palette().base().color());
        QVERIFY(shown != blank);
        QVERIFY(HistoryGridView::emptyHint().contains(u"读取历史号码文本"_s));
    }

    // A results table copied from a web page, as its text or as its HTML, opens the same preview.
    void pastingATable_data() {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("text");
        QTest::newRow("tab separated")
            << QString()
            << u"期号\t日期\t开奖号码\t特别号码\n2025001\t2025-01-02\t05,18,23,31,40,45\t07\n"
               u"2025002\t2025-01-04\t01 02 03 04 05 06\t08\n"_s;
        QTest::newRow("html table")
            << u"<table><tr><th>期号</th><th>开奖号码</th><th>特别号码</th></tr>"
               u"<tr><td>2025001</td><td>05&nbsp;18 23 31 40 45</td><td>07</td></tr>"
               u"<tr><td>2025002</td><td>01<br>02 03 04 05 06</td><td>08</td></tr></table>"_s
            << u"ignored"_s;
    }
    void pastingATable() {
        QFETCH(QString, html);
        QFETCH(QString, text);
        auto* mime = new QMimeData;
        mime->setText(text);
        if (!html.isEmpty())
            mime->setHtml(html);
        QGuiApplication::clipboard()->setMimeData(mime);
        m_prompts.importChoices = {ImportChoice::Cancel};
        const qsizetype shown = m_prompts.shown.size();
        auto* paste = w().findChild<QAction*>(u"pasteHistory"_s);
        QVERIFY(paste);
        paste->trigger();
        QVERIFY(waitIdle(s()));
        QCOMPARE(m_prompts.shown.size(), shown + 1);
        QCOMPARE(m_prompts.shown.last().kind, u"preview"_s);
        QVERIFY2(lastShown().contains(u"替换历史将读入 2 期"_s), qPrintable(lastShown()));
        QVERIFY2(lastShown().contains(u"2025001  05 18 23 31 40 45 + 07"_s), qPrintable(lastShown()));
    }

    void importingTheHistory() {
        m_prompts.openFileAnswers = {sample("history.txt")};
        m_prompts.importChoices = {ImportChoice::Cancel}; // nothing happens
        QVERIFY(press(w(), s(), u"读取历史号码文本(&E)"_s));
        QVERIFY(s().draws().empty());
        QVERIFY2(lastShown().contains(u"替换历史将读入 4051 期"_s), qPrintable(lastShown()));
        m_prompts.openFileAnswers = {sample("history.txt")};
        m_prompts.importChoices = {ImportChoice::Replace};
        QVERIFY(press(w(), s(), u"读取历史号码文本(&E)"_s));
        QCOMPARE(historyModel()->rowCount(), 4051);
        QVERIFY(lastShown().startsWith(u"已读入 4051 期历史号码。"_s));
        // The dialogs open in the user's Downloads folder, then where the last file was chosen.
        const QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
        QCOMPARE(m_prompts.dialogFolders,
                 QStringList({QFileInfo(downloads).isDir() ? downloads : QDir::homePath(),
                              QFileInfo(sample("history.txt")).absolutePath()}));

        // The newest draw again and one more: only the new one is appended, and undone.
        QTemporaryDir dir;
        QFile newer(dir.filePath(u"newer.txt"_s));
        QVERIFY(newer.open(QIODevice::WriteOnly));
        newer.write("2026151 37 44 25 02 38 18 29\n2026152 01 02 03 04 05 06 07\n");
        newer.close();
        m_prompts.openFileAnswers = {newer.fileName()};
        m_prompts.importChoices = {ImportChoice::Append};
        QVERIFY(press(w(), s(), u"读取历史号码文本(&E)"_s));
        QVERIFY2(lastShown().contains(u"追加新开奖将追加 1 期"_s), qPrintable(lastShown()));
        QTRY_COMPARE(historyModel()->rowCount(), 4052);
        QCOMPARE(s().undoDescription(), u"撤销追加新开奖"_s);
        QVERIFY(s().undo().wait());
        QCOMPARE(historyModel()->rowCount(), 4051);
        QVERIFY(named<QCheckBox>("formulaColumns")->isChecked());
        QCOMPARE(named<DrawEntryRow>("drawEntry")->label()->text(), u"在此输入2026152 期历史号码:"_s);
        QCOMPARE(named<DrawEntryRow>("drawEntry")->periodText(), u"2026152"_s);
    }

    void addingFormulas() {
        auto* text = w().findChild<QPlainTextEdit*>();
        QVERIFY(press(w(), s(), u"添加所输公式(&A)"_s));
        QCOMPARE(m_prompts.shown.last().title, u"添加公式失败"_s);
        text->setPlainText(u"特码数+特码数"_s);
        QVERIFY(press(w(), s(), u"添加所输公式(&A)"_s));
        QCOMPARE(m_prompts.shown.last().title, u"无法识别公式"_s);
        // Counted in the text as typed, which the box shows with the fault marked.
        text->setPlainText(u"[L生肖类]平一肖+总期数×2"_s);
        QVERIFY(press(w(), s(), u"添加所输公式(&A)"_s));
        const QString marked =
            u"[L生肖类]平一肖+总期数<span style='background:#ffd0d0; color:#c00000; font-weight:bold'>×</span>2"_s;
        QVERIFY(m_prompts.shown.last().text.contains(u"第14个字符“×”无法识别"_s));
        QVERIFY(m_prompts.shown.last().text.contains(marked));
        QTRY_VERIFY(named<FormulaPreviewLabel>("formulaPreview")->fullText().contains(marked));
        text->setPlainText(u"[D单特类]特码数+平码一"_s);
        findByText<QRadioButton>(w(), u"生"_s)->click();
        QVERIFY(press(w(), s(), u"添加所输公式(&A)"_s));
        QVERIFY(text->toPlainText().isEmpty());
        QCOMPARE(s().formulas().size(), size_t(1));
        QVERIFY(!s().formulas().front().kill);
        findByText<QRadioButton>(w(), u"杀"_s)->click();
        m_prompts.openFileAnswers = {sample("formulas-utf8.txt")};
        QVERIFY(press(w(), s(), u"读取公式文本(N)"_s));
        QCOMPARE(formulaModel()->rowCount(), 37);
        QVERIFY(s().formulas().back().kill);
        QCOMPARE(historyModel()->columnCount(), HistoryGridModel::FirstFormula + 37);
    }

    // Clicks toggle a formula's selection and its blue index cell; a double-click exports the list
    // and leaves the selection as it was; arrow keys move without toggling.
    void selectingByClicks() {
        FormulaListView* view = formulaView();
        const QModelIndex indexCell = view->model()->index(0, FormulaListModel::RowNumber);
        clickRow(view, 0);
        QVERIFY(!s().selection()[0]);
        QCOMPARE(w().statusBar()->currentMessage(), u"已取消选中第 1 条公式，再点一次可恢复"_s);
        QVERIFY(indexCell.data(Qt::BackgroundRole).value<QColor>() != QColor(0, 0, 255));
        QVERIFY(view->model()->index(0, FormulaListModel::NextResult).data().toString().isEmpty());
        clickRow(view, 0);
        QVERIFY(s().selection()[0]);
        QCOMPARE(indexCell.data(Qt::BackgroundRole).value<QColor>(), QColor(0, 0, 255));
        QTest::keyClick(view, Qt::Key_Down);
        QVERIFY(s().selection()[1]);

        const QPoint at = view->visualRect(view->model()->index(2, 1)).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
        QVERIFY(waitIdle(s()));
        QVERIFY(s().selection()[2]);
        QTRY_VERIFY(m_prompts.opened.contains(QDir(s().dataDir()).filePath(u"gongshi.xlsx"_s)));
        // The notice names the file in the status line's place, and a click opens its folder.
        ExportNotice* notice = named<ExportNotice>("exportNotice");
        auto* status = w().findChild<StatusLine*>();
        QVERIFY(notice->isVisible() && !status->isVisible());
        QCOMPARE(notice->accessibleName(),
                 u"已导出到 "_s + QDir::toNativeSeparators(QDir(s().dataDir()).filePath(u"gongshi.xlsx"_s)));
        QTest::mouseClick(notice, Qt::LeftButton);
        QCOMPARE(m_prompts.opened.last(), QUrl::fromLocalFile(s().dataDir()).toString());
        notice->dismiss();
        QVERIFY(!notice->isVisible() && status->isVisible());
        // A temporary message puts either aside; after it, the one that should show comes back.
        notice->showFor(QDir(s().dataDir()).filePath(u"gongshi.xlsx"_s));
        w().statusBar()->showMessage(u"临时消息"_s);
        QVERIFY(!notice->isVisible() && !status->isVisible());
        w().statusBar()->clearMessage();
        QVERIFY(notice->isVisible() && !status->isVisible());
        w().statusBar()->showMessage(u"临时消息"_s);
        notice->dismiss();
        w().statusBar()->clearMessage();
        QVERIFY(!notice->isVisible() && status->isVisible());
    }

    void computing() {
        QVERIFY(press(w(), s(), u"计算选中公式(&C)"_s));
        QVERIFY(named<ErrorValueWindow>("errorValueWindow"));
        QCOMPARE(s().lastErrorValues().size(), 49);
        QVERIFY(!s().lastErrorValuesPeriod());
        named<ErrorValueWindow>("errorValueWindow")->close();
        w().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w()));
    }

    // Draws typed with the keyboard: the focus moves on, box 7 stores, a refused draw keeps its
    // boxes, and a period typed into the period box is the one stored.
    void enteringDraws() {
        DrawEntryRow* entry = named<DrawEntryRow>("drawEntry");
        QVERIFY(press(w(), s(), u"删除最后历史(&D)"_s));
        QCOMPARE(s().draws().size(), size_t(4050));
        QCOMPARE(entry->label()->text(), u"在此输入2026151 期历史号码:"_s);
        entry->box(1)->setFocus();
        const QStringList numbers{u"01"_s, u"02"_s, u"03"_s, u"04"_s, u"05"_s, u"06"_s};
        for (int i = 0; i < 6; ++i) {
            QTest::keyClicks(QApplication::focusWidget(), numbers[i]);
            QCOMPARE(QApplication::focusWidget(), entry->box(i + 2));
        }
        QTest::keyClicks(entry->box(7), u"06"_s); // repeats box 6: refused
        QVERIFY(waitIdle(s()));
        QCOMPARE(s().draws().size(), size_t(4050));
        QVERIFY(lastShown().contains(u"06"_s) || lastShown().contains(u"重复"_s));
        QCOMPARE(entry->box(1)->text(), u"01"_s);
        // Mended without retyping the last box: Enter in any box of the complete row saves it.
        entry->box(7)->setText(u"07"_s);
        QTest::keyClick(entry->box(3), Qt::Key_Return);
        QVERIFY(waitIdle(s()));
        QCOMPARE(s().draws().size(), size_t(4051));
        QTRY_VERIFY(entry->box(1)->text().isEmpty());
        QTRY_COMPARE(QApplication::focusWidget(),
                     entry->box(1)); // focus returns once the busy feedback lets go
        QCOMPARE(entry->periodText(), u"2026152"_s);

        entry->periodBox()->setText(u"2027001"_s);
        QCOMPARE(entry->label()->text(), u"在此输入2027001 期历史号码:"_s);
        for (int i = 1; i <= 7; ++i)
            QTest::keyClicks(entry->box(i), u"%1"_s.arg(i * 6, 2, 10, QLatin1Char('0')));
        QVERIFY(waitIdle(s()));
        QCOMPARE(s().draws().back()[DrawColumns::QQH], 2027001);
        QCOMPARE(s().currentYear(), 2027);
        QCOMPARE(entry->periodText(), u"2027002"_s);
    }

    // Ctrl+Z undoes what was typed in the focused box first, then the last change; text the
    // program set or cleared is never undone.
    void undoKey() {
        DrawEntryRow* entry = named<DrawEntryRow>("drawEntry");
        const size_t drawn = s().draws().size();
        w().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w()));
        QVERIFY(press(w(), s(), u"删除最后历史(&D)"_s));
        QCOMPARE(QApplication::focusWidget(), entry->box(1));
        QTest::keyClick(entry->box(1), Qt::Key_Z, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(s().draws().size() == drawn, 20000);
        QVERIFY(waitIdle(s()));
        QVERIFY(entry->box(1)->text().isEmpty());

        QVERIFY(press(w(), s(), u"删除最后历史(&D)"_s));
        entry->box(3)->setFocus();
        QTest::keyClicks(entry->box(3), u"4"_s);
        QTest::keyClick(entry->box(3), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(entry->box(3)->text().isEmpty());
        QCOMPARE(s().draws().size(), drawn - 1);
        QTest::keyClick(entry->box(3), Qt::Key_Z, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(s().draws().size() == drawn, 20000);
        QVERIFY(waitIdle(s()));

        auto* text = w().findChild<QPlainTextEdit*>();
        text->setPlainText(u"L1A"_s);
        text->setFocus();
        QTest::keyClick(text, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(text, u"+1"_s);
        QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(text->toPlainText(), u"L1A"_s);
        QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(text->toPlainText(), u"L1A"_s);
        text->clear();
    }

    void optionAndKindFilter() {
        auto* option = named<QCheckBox>("formulaColumns");
        option->click();
        QCOMPARE(historyModel()->columnCount(), HistoryGridModel::FirstFormula);
        option->click();
        // The columns show once the back-test's result reaches the window, after the session is idle.
        QTRY_COMPARE_WITH_TIMEOUT(historyModel()->columnCount(), HistoryGridModel::FirstFormula + 37, 20000);
        // Neither the scroll bar the columns bring nor a lower grid hides the newest draw.
        QTableView* history = named<GridView>("historyGrid");
        QTRY_VERIFY(history->horizontalScrollBar()->isVisible()); // laid out after the reset
        const QModelIndex newest = history->model()->index(history->model()->rowCount() - 1, 0);
        for (int height : {history->height(), history->height() - 37, history->height() + 37}) {
            history->resize(history->width(), height);
            QTRY_VERIFY(history->viewport()->rect().contains(history->visualRect(newest)));
        }

        findByText<QRadioButton>(w(), u"生肖"_s)->click();
        findByText<QPushButton>(w(), u"显所选类公式(&P)"_s)->click();
        const auto zodiac = std::count_if(s().formulas().begin(), s().formulas().end(),
                                          [](const FormulaRow& r) { return r.kind == 1; });
        QCOMPARE(formulaModel()->rowCount(), int(zodiac));
        QCOMPARE(historyModel()->columnCount(), HistoryGridModel::FirstFormula + int(zodiac));
        // Another kind while the filter is on shows that kind at once.
        findByText<QRadioButton>(w(), u"数尾"_s)->click();
        QCOMPARE(formulaModel()->index(0, FormulaListModel::Kind).data().toString(), u"数尾"_s);
        // Select all and invert act on the rows shown only.
        QVERIFY(press(w(), s(), u"反选所有公式(&R)"_s));
        QVERIFY(!s().selection()[static_cast<size_t>(
            formulaModel()->index(0, 0).data(FormulaListModel::OrdinalRole).toInt() - 1)]);
        QVERIFY(s().selection()[0]);
        QVERIFY(press(w(), s(), u"选中所有公式(&L)"_s));
        QVERIFY(std::all_of(s().selection().begin(), s().selection().end(), [](bool b) { return b; }));
        findByText<QPushButton>(w(), u"显所选类公式(&P)"_s)->click();
        QCOMPARE(formulaModel()->rowCount(), 37);
    }

    void deletingAFormulaFromTheMenu() {
        const int idx = formulaModel()->index(1, FormulaListModel::FormulaNumber).data().toInt();
        const QString code = s().formulas()[static_cast<size_t>(idx - 1)].code;
        auto withCode = [&] {
            return std::count_if(s().formulas().begin(), s().formulas().end(),
                                 [&](const FormulaRow& r) { return r.code == code; });
        };
        const auto before = withCode();
        clickRow(formulaView(), 1, Qt::RightButton);
        QMenu* menu = nullptr;
        for (QMenu* m : w().findChildren<QMenu*>())
            if (m->title() == u"管理"_s && m->isVisible())
                menu = m;
        QVERIFY(menu);
        QCOMPARE(menu->actions().first()->text(), u"删除该公式(&D)"_s);
        menu->actions().first()->trigger();
        menu->close();
        QTRY_VERIFY_WITH_TIMEOUT(s().formulas().size() == 36, 20000);
        QVERIFY(waitIdle(s()));
        QCOMPARE(withCode(), before - 1);
        QVERIFY(!named<QCheckBox>("formulaColumns")->isChecked());
    }

    void settingsMenuAsksForTheLargestNumber() {
        auto* menu = w().findChild<SettingsMenu*>();
        m_prompts.inputAnswers = {u"abc"_s};
        menu->actions().first()->trigger();
        QCOMPARE(m_prompts.shown.last().title, u"输入错误"_s);
        QCOMPARE(lastShown(), u"请输入一个正整数"_s);
        QCOMPARE(s().savedOptions().bit, 49);
    }

    // The workbench: the preview follows the typing, the record strip the current row, and the
    // last deletion can be undone from the window.
    void workbench() {
        auto* text = w().findChild<QPlainTextEdit*>();
        FormulaPreviewLabel* preview = named<FormulaPreviewLabel>("formulaPreview");
        auto* kind = findByText<QRadioButton>(w(), u"特码"_s);
        const QRect kindAt = kind->geometry();
        findByText<QRadioButton>(w(), u"数尾"_s)->click();
        text->setPlainText(u"[D单特类]特码数+平码一*(2"_s);
        QTRY_VERIFY(preview->fullText().contains(u"无法添加"_s));
        text->setPlainText(u"[D单特类]特码数+平码一*2"_s);
        QTRY_VERIFY(preview->fullText().contains(u"可以添加"_s));
        QVERIFY(preview->fullText().contains(u"，随机水平 90.00%，"_s)); // kills one tail of ten
        QCOMPARE(s().formulas().size(), size_t(36));                     // nothing stored
        QCOMPARE(kind->geometry(), kindAt);
        // Far too long for the panel, refused or not: the lines end in "…", the tooltip has it all,
        // and the choices below stay where they were.
        QString sum = u"平码一"_s;
        for (int n = 1; n <= 80; ++n)
            sum += u"+%1"_s.arg(n);
        for (const QString& verdict : {u"可以添加"_s, u"无法添加"_s}) {
            text->setPlainText(u"[D单特类]"_s + sum +
                               (verdict == u"无法添加"_s ? u"+平码二*(2"_s : QString()));
            QTRY_VERIFY(preview->fullText().contains(verdict) && preview->fullText().contains(u"+79+80"_s));
            QCOMPARE(preview->toolTip(), preview->fullText());
            QVERIFY(preview->text().contains(u"…"_s));
            QCOMPARE(kind->geometry(), kindAt);
        }
        QVERIFY(preview->text().contains(u"#ffd0d0"_s)); // the fault stays in view
        text->clear();

        formulaView()->setCurrentIndex(formulaView()->model()->index(4, 1));
        QCOMPARE(named<HitHistoryStrip>("hitHistory")->history().hits.size(), size_t(100));
        QCOMPARE(
            named<HitHistoryStrip>("hitHistory")->history().hits,
            hitHistory(
                s().result(formulaModel()->index(4, 0).data(FormulaListModel::OrdinalRole).toInt()).hits, 100)
                .hits);
        // The list's 正确率 counts every draw: the line names its own, over the judged draws only.
        QCOMPARE(
            named<HitHistoryStrip>("hitHistory")->chanceLine(),
            chanceLine(s().result(formulaModel()->index(4, 0).data(FormulaListModel::OrdinalRole).toInt())
                           .againstChance())
                .replace(0, 3, u"可验算期正确率"_s));
        QVERIFY(named<HitHistoryStrip>("hitHistory")->chanceLine().contains(u"标准分"_s));
        for (auto figure : {Figures::Chance, Figures::Edge, Figures::ZScore})
            QVERIFY(formulaView()->isColumnHidden(FormulaListModel::column(figure)));
        // 超出随机 shows its sign in the cell and its unit in the cell's tooltip.
        const QModelIndex edge = formulaModel()->index(4, FormulaListModel::column(Figures::Edge));
        const QString shown =
            qobject_cast<QStyledItemDelegate*>(formulaView()->itemDelegateForColumn(edge.column()))
                ->displayText(edge.data(), {});
        QVERIFY2(shown.startsWith(u'+') || shown.startsWith(u'-') || shown == u"0.00"_s, qPrintable(shown));
        QCOMPARE(edge.data(Qt::ToolTipRole).toString(), shown + u" 个百分点"_s);

        auto* undo = findByText<QPushButton>(w(), u"撤销删除公式 2"_s);
        QVERIFY(undo);
        undo->click();
        QTRY_VERIFY_WITH_TIMEOUT(s().formulas().size() == 37, 20000);
        QVERIFY(waitIdle(s()));
        QVERIFY(!findByText<QPushButton>(w(), u"撤销"_s)->isEnabled());
        w().undo();
        QCOMPARE(w().statusBar()->currentMessage(), u"没有可撤销的操作"_s);
    }

    // A formula that fails on every draw is added only when the user says so.
    void formulaThatNeverComputes() {
        auto* text = w().findChild<QPlainTextEdit*>();
        const size_t before = s().formulas().size();
        text->setPlainText(u"L1A/0"_s);
        m_prompts.questionAnswers = {false};
        QVERIFY(press(w(), s(), u"添加所输公式(&A)"_s));
        QVERIFY2(lastShown().startsWith(u"该公式在每一期都无法计算（"_s), qPrintable(lastShown()));
        QCOMPARE(s().formulas().size(), before);
        QCOMPARE(text->toPlainText(), u"L1A/0"_s);
        m_prompts.questionAnswers = {true};
        QVERIFY(press(w(), s(), u"添加所输公式(&A)"_s));
        QTRY_VERIFY_WITH_TIMEOUT(s().formulas().size() == before + 1, 20000);
        QVERIFY(waitIdle(s()));
        QVERIFY(text->toPlainText().isEmpty());
        // Ctrl+Z after it says why nothing happens.
        w().undo();
        QCOMPARE(w().statusBar()->currentMessage(), u"添加公式不能撤销，可在列表中右键删除"_s);
    }

    // The zodiac coding is saved at once and says that it waits for the next start.
    // Settings read only when the data is opened say so, and say when they are back to the one in use.
    void restartSettingsSayWhenTheyApply() {
        auto* menu = w().findChild<SettingsMenu*>();
        const bool inUse = s().options().sxSetup;
        auto* other = findByText<QAction>(*menu, inUse ? u"生肖数字按年龄取值"_s : u"生肖数字按顺序取值"_s);
        auto* same = findByText<QAction>(*menu, inUse ? u"生肖数字按顺序取值"_s : u"生肖数字按年龄取值"_s);
        other->trigger();
        QTRY_VERIFY(w().statusBar()->currentMessage().contains(u"下次启动本程序时生效"_s));
        QCOMPARE(s().savedOptions().sxSetup, !inUse);
        QCOMPARE(s().options().sxSetup, inUse);
        same->trigger();
        QTRY_VERIFY(w().statusBar()->currentMessage().contains(u"无需重新启动"_s));
        QCOMPARE(s().savedOptions().sxSetup, inUse);

        auto* largest = findByText<QAction>(*menu, u"设置计算位的最大值(&U)"_s);
        const int bit = s().options().bit;
        m_prompts.inputAnswers = {QString::number(bit + 1), QString::number(bit)};
        largest->trigger();
        QTRY_VERIFY(w().statusBar()->currentMessage().contains(u"下次启动本程序时生效"_s));
        QCOMPARE(s().savedOptions().bit, bit + 1);
        QCOMPARE(s().options().bit, bit);
        largest->trigger();
        QTRY_VERIFY(w().statusBar()->currentMessage().contains(u"无需重新启动"_s));
        QCOMPARE(s().savedOptions().bit, bit);
    }

    void copyingCells() {
        GridView* view = named<GridView>("historyGrid");
        view->selectionModel()->select(view->model()->index(0, 0), QItemSelectionModel::ClearAndSelect);
        view->selectionModel()->select(view->model()->index(0, 7), QItemSelectionModel::Select);
        view->setFocus();
        QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), u"2000001\t33"_s);
    }

    // Screen readers and test robots find every control by its name.
    void everyControlHasAName() {
        QStringList unnamed;
        for (QWidget* widget : w().findChildren<QWidget*>()) {
            if (!widget->isVisible() || !widget->focusPolicy())
                continue;
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(widget);
            if (a && a->text(QAccessible::Name).isEmpty() && !qobject_cast<QScrollBar*>(widget))
                unnamed.append(QString::fromLatin1(widget->metaObject()->className()));
        }
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u", "_s)));
    }

    // A database that can only be viewed says why in the status line's place, not over it, and
    // the summary returns once a restore makes it writable again.
    void readOnlyReasonReplacesTheSummary() {
        Fixture f;
        QVERIFY(f.reopen());
        QVERIFY(f.importHistory(f.firstDraws(3)).ok());
        QVERIFY(f.importHistory(f.firstDraws(4)).ok());
        QVERIFY(f.exec(u"UPDATE Lishi0 SET QQH = 2147483647 WHERE QQH = 2026002"_s));
        QVERIFY(f.reopen());
        QVERIFY(!f.session->readOnlyReason().isEmpty());
        MainWindow window(*f.session, m_prompts);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCoreApplication::processEvents();
        auto* status = window.findChild<StatusLine*>();
        QCOMPARE(status->text(), f.session->readOnlyReason());
        QVERIFY(status->isVisible());
        QVERIFY(window.statusBar()->currentMessage().isEmpty());
        QVERIFY(f.session->restoreBackup(0).wait());
        QVERIFY(f.session->readOnlyReason().isEmpty());
        QVERIFY2(status->text().startsWith(u"共 3 期"_s), qPrintable(status->text()));
    }

    // The history is imported although the copy of the one it replaced could not join the backups.
    void importWhoseBackupCannotBeKept() {
        Fixture f;
        QVERIFY(f.reopen());
        QVERIFY(f.importHistory(f.firstDraws(3)).ok());
        MainWindow window(*f.session, m_prompts);
        m_prompts.openFileAnswers = {f.firstDraws(4)};
        m_prompts.importChoices = {ImportChoice::Replace};
        talven::test::injectBackupFault(u"fail@newest"_s);
        const bool pressed = press(window, *f.session, u"读取历史号码文本(&E)"_s);
        talven::test::injectBackupFault({});
        QVERIFY(pressed);
        QCOMPARE(f.session->draws().size(), size_t(4));
        QCOMPARE(m_prompts.shown.last().kind, u"warning"_s);
        QVERIFY2(lastShown().startsWith(u"已读入 4 期历史号码。"_s) &&
                     lastShown().contains(u"未能存为备份"_s),
                 qPrintable(lastShown()));
    }

    void cleanupTestCase() { m_window.reset(); }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
