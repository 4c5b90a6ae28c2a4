#include "Samples.h"
#include "ScriptedPrompts.h"
#include "SessionFixture.h"
#include "export/SpreadsheetExport.h"
#include "models/ErrorValueModel.h"
#include "prompts/QtChinese.h"
#include "widgets/ErrorValueChart.h"
#include "widgets/GridHeader.h"
#include "widgets/GridView.h"
#include "windows/ErrorValueWindow.h"
#include "windows/FilterWindow.h"
#include "windows/ImportPreviewDialog.h"
#include "windows/ReferenceWindow.h"
#include "windows/WindowSlot.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace talven;
using namespace talven::test;
using Flags = std::vector<bool>;

namespace {

QPoint cellCentre(const GridView* grid, int row, int column) {
    return grid->visualRect(grid->model()->index(row, column)).center();
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestSecondaryWindows : public QObject {
    Q_OBJECT

    Fixture f; // the sample history and formulas, read once
    ScriptedPrompts prompts;

    // Every formula selected except the first and the fourth.
    Flags someSelected() const {
        Flags flags(f.session->formulas().size(), true);
        flags[0] = flags[3] = false;
        return flags;
    }

private slots:
    // Qt's own buttons speak the program's language, whatever the desktop's locale.
    void qtDialogsSpeakChinese() {
        QVERIFY(installQtChinese());
        QMessageBox box(QMessageBox::Question, u"标题"_s, u"正文"_s,
                        QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box.button(QMessageBox::Ok)->text(), u"确定"_s);
        QCOMPARE(box.button(QMessageBox::Cancel)->text(), u"取消"_s);
        QVERIFY(box.button(QMessageBox::Yes)->text().startsWith(u"是"_s));
        QVERIFY(box.button(QMessageBox::No)->text().startsWith(u"否"_s));
        // A word Qt's own translation lacks.
        QCOMPARE(QCoreApplication::translate("QAbstractFileIconProvider", "Folder", "All other platforms"),
                 u"文件夹"_s);
    }

    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(f.reopen());
        QVERIFY(f.importHistory(sample("history.txt")));
        QVERIFY(f.importFormulas(sample("formulas-utf8.txt"), false));
        QVERIFY(f.session->formulas().size() > 10);
    }
    void init() { prompts.shown.clear(); }

    void referenceClipboard_data() {
        QTest::addColumn<int>("row"); // grid row as the window lists it: 0 is the header
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        QTest::newRow("sorted special number") << 25 << 7 << u"D7A"_s;
        QTest::newRow("label") << 1 << 0 << u"落地码"_s;
        QTest::newRow("total code") << 52 << 8 << u"ZFHW"_s;
        QTest::newRow("empty cell") << 17 << 1 << QString();
        QTest::newRow("header") << 0 << 1 << u"平1位"_s;
    }
    void referenceClipboard() {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QString, text);
        ReferenceWindow window;
        window.show();
        QApplication::clipboard()->setText(u"earlier"_s);
        GridView* grid = window.grid();
        if (row == 0) {
            QHeaderView* header = grid->horizontalHeader();
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
        } else {
            grid->scrollTo(grid->model()->index(row - 1, column));
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellCentre(grid, row - 1, column));
        }
        QCOMPARE(QApplication::clipboard()->text(), text);
        // The window says what it copied.
        QCOMPARE(window.findChild<QLabel*>(u"copied"_s)->text(),
                 text.isEmpty() ? u"空白单元格，剪贴板已清空"_s : u"已复制 "_s + text);
    }

    // A new secondary window opens beside its owner where there is room, and always wholly on the
    // screen.
    void windowsOpenBeside_data() {
        QTest::addColumn<QRectF>("owner"); // in fractions of the screen's free area
        QTest::addColumn<QSizeF>("window");
        QTest::addColumn<bool>("beside");
        QTest::newRow("room on the right") << QRectF(0, 0.1, 0.4, 0.5) << QSizeF(0.4, 0.5) << true;
        QTest::newRow("room on the left only") << QRectF(0.55, 0.3, 0.45, 0.5) << QSizeF(0.4, 0.8) << true;
        QTest::newRow("owner as wide as the screen") << QRectF(0, 0, 1, 0.9) << QSizeF(0.5, 0.5) << false;
        QTest::newRow("window larger than the screen")
            << QRectF(0.2, 0.2, 0.5, 0.5) << QSizeF(1.5, 1.2) << false;
    }
    void windowsOpenBeside() {
        QFETCH(QRectF, owner);
        QFETCH(QSizeF, window);
        QFETCH(bool, beside);
        const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
        const auto scaled = [&](double x, double y) {
            return QPointF(x * room.width(), y * room.height()).toPoint();
        };
        QWidget main;
        main.setGeometry(QRect(
            room.topLeft() + scaled(owner.x(), owner.y()),
            QSize(scaled(owner.width(), owner.height()).x(), scaled(owner.width(), owner.height()).y())));
        main.show();
        WindowSlot<QWidget> slot;
        QWidget* shown = slot.show(
            [&] {
                auto* w = new QWidget;
                const QPoint size = scaled(window.width(), window.height());
                w->resize(size.x(), size.y());
                return w;
            },
            &main);
        std::unique_ptr<QWidget> owned(shown);
        QVERIFY2(
            room.contains(shown->frameGeometry()),
            qPrintable(
                u"%1,%2 %3x%4"_s.arg(shown->x()).arg(shown->y()).arg(shown->width()).arg(shown->height())));
        QCOMPARE(!shown->frameGeometry().intersects(main.frameGeometry()), beside);
    }

    // Titles break only between words; a section is never narrower than its widest word.
    void titlesBreakBetweenWords_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("fits"); // the text the width is made for
        QTest::addColumn<QString>("shown");
        QTest::newRow("one word, narrow") << u"排序序号"_s << u"排"_s << u"排序序号"_s;
        QTest::newRow("after the slash") << u"保留/滤杀"_s << u"保留/"_s << u"保留/\n滤杀"_s;
        QTest::newRow("before the parenthesis")
            << u"杀留Err值（公式错误值）"_s << u"杀留Err值（"_s << u"杀留Err值\n（公式错误值）"_s;
        QTest::newRow("before the Latin word")
            << u"每码杀留Err值"_s << u"每码杀留E"_s << u"每码杀留\nErr值"_s;
        QTest::newRow("wide enough") << u"保留/滤杀"_s << u"保留/滤杀"_s << u"保留/滤杀"_s;
    }
    void titlesBreakBetweenWords() {
        QFETCH(QString, title);
        QFETCH(QString, fits);
        QFETCH(QString, shown);
        const QFontMetrics metrics(QApplication::font());
        QCOMPARE(GridHeader::brokenTitle(title, metrics, metrics.horizontalAdvance(fits)), shown);
    }
    void errorValueTitlesFit() {
        ErrorValueWindow window(*f.session, prompts);
        auto* header = static_cast<GridHeader*>(window.grid()->horizontalHeader());
        for (int c = 0; c < ErrorValueModel::ColumnCount; ++c) {
            const QString title = ErrorValueModel::columnTitle(c);
            QCOMPARE(window.grid()->model()->headerData(c, Qt::Horizontal).toString(), title);
            for (const QString& word : GridHeader::words(title))
                QVERIFY2(header->fontMetrics().horizontalAdvance(word) < header->sectionSize(c),
                         qPrintable(word));
        }
        QVERIFY(header->height() >= 2 * header->fontMetrics().height());
    }

    void oneReferenceWindow() {
        QWidget owner;
        WindowSlot<ReferenceWindow> slot;
        const auto make = [&] { return new ReferenceWindow(&owner); };
        ReferenceWindow* first = slot.show(make);
        first->close();
        QCOMPARE(slot.show(make), first);
        QCOMPARE(slot.show(make), first);
        QCOMPARE(owner.findChildren<ReferenceWindow*>().size(), 1);
        QVERIFY(first->isVisible());
    }

    // An unchanged OK keeps the selection as it was: it neither deselects nor selects, also when
    // the bounds have fractions.
    void filterUnchangedKeepsSelection_data() {
        QTest::addColumn<bool>("wholeList");
        QTest::newRow("whole list") << true;
        QTest::newRow("a formula with fractional per-number runs") << false;
    }
    void filterUnchangedKeepsSelection() {
        QFETCH(bool, wholeList);
        FilterWindow window(*f.session, prompts);
        if (!wholeList) {
            const auto& formulas = f.session->formulas();
            int ordinal = 5;
            for (; ordinal <= static_cast<int>(formulas.size()); ++ordinal) {
                const float v = f.session->result(ordinal).figures.perNumberLongestMiss;
                if (v != std::round(v))
                    break;
            }
            QVERIFY(ordinal <= static_cast<int>(formulas.size()));
            window.setShownOrdinals(QList<int>{ordinal});
        }
        f.session->setSelection(someSelected());
        window.show();
        QVERIFY(window.apply());
        QCOMPARE(f.session->selection(), someSelected());
        QVERIFY(!window.isVisible());
    }

    void filterBounds_data() {
        QTest::addColumn<int>("figure");
        QTest::addColumn<bool>("upper");
        QTest::addColumn<QString>("text"); // "median": the median of the figure over every formula
        QTest::addColumn<bool>("refused");
        QTest::newRow("accuracy from the median") << 0 << false << u"median"_s << false;
        QTest::newRow("longest miss up to the median") << 1 << true << u"median"_s << false;
        QTest::newRow("per-number accuracy up to the median") << 5 << true << u"median"_s << false;
        QTest::newRow("per cent sign") << 0 << false << u"median%"_s << false;
        QTest::newRow("letters") << 6 << true << u"abc"_s << true;
        QTest::newRow("empty") << 9 << false << QString() << true;
    }
    void filterBounds() {
        QFETCH(int, figure);
        QFETCH(bool, upper);
        QFETCH(QString, text);
        QFETCH(bool, refused);
        const int count = static_cast<int>(f.session->formulas().size());
        std::vector<double> values;
        for (int i = 1; i <= count; ++i)
            values.push_back(Figures::recordValue(f.session->result(i).figures, Figures::Figure(figure)));
        std::vector<double> sorted = values;
        std::nth_element(sorted.begin(), sorted.begin() + count / 2, sorted.end());
        const double median = sorted[static_cast<size_t>(count / 2)];
        text.replace(u"median"_s, FormulaFilter::floatText(static_cast<float>(median)));

        f.session->setSelection(someSelected());
        FilterWindow window(*f.session, prompts);
        window.show();
        QLineEdit* edit = upper ? window.upperEdit(figure) : window.lowerEdit(figure);
        edit->setText(text);
        QCOMPARE(window.apply(), !refused);
        Flags expected = someSelected();
        if (refused) {
            QCOMPARE(prompts.shown.size(), 1);
            QVERIFY(prompts.shown[0].text.contains(Figures::title(Figures::Figure(figure))));
            QVERIFY(window.isVisible());
        } else {
            for (int i = 0; i < count; ++i)
                if (upper ? values[i] > median : values[i] < median)
                    expected[i] = false;
            QVERIFY(expected != someSelected());
        }
        QCOMPARE(f.session->selection(), expected);

        // Select all after a filter selects everything; inverting twice gives the selection back.
        f.session->invertSelection();
        f.session->invertSelection();
        QCOMPARE(f.session->selection(), expected);
        f.session->selectAll();
        QCOMPARE(f.session->selection(), Flags(count, true));
    }

    void filterActsOnShownFormulas() {
        f.session->selectAll();
        FilterWindow window(*f.session, prompts);
        window.setShownOrdinals(QList<int>{2, 3});
        window.show();
        window.lowerEdit(Figures::Accuracy)->setText(u"101"_s);
        QVERIFY(window.apply());
        Flags expected(f.session->formulas().size(), true);
        expected[1] = expected[2] = false;
        QCOMPARE(f.session->selection(), expected);
    }

    // The z range is off until ticked; ticked, a range above every z deselects every shown formula.
    void filterZRange() {
        f.session->selectAll();
        FilterWindow window(*f.session, prompts);
        window.show();
        QVERIFY(!window.zRange()->isChecked());
        window.zLowerEdit()->setText(u"1000"_s);
        window.zUpperEdit()->setText(u"1001"_s);
        QVERIFY(window.apply());
        QCOMPARE(f.session->selection(), Flags(f.session->formulas().size(), true));
        window.show();
        window.zRange()->setChecked(true);
        QVERIFY(window.apply());
        QCOMPARE(f.session->selection(), Flags(f.session->formulas().size(), false));
    }

    // OK keeps the typed texts for the next showing; the close box loads the bounds again.
    // 取消 changes nothing; 确定 says how many are selected and how many it took away.
    void filterCancelAndSummary() {
        f.session->setSelection(Flags(f.session->formulas().size(), true));
        FilterWindow window(*f.session, prompts);
        QSignalSpy applied(&window, &FilterWindow::filtered);
        window.show();
        window.lowerEdit(0)->setText(u"101"_s);
        window.findChild<QPushButton*>(u"cancel"_s)->click();
        QVERIFY(!window.isVisible());
        QVERIFY(std::all_of(f.session->selection().begin(), f.session->selection().end(),
                            [](bool b) { return b; }));
        QCOMPARE(applied.count(), 0);
        window.show();
        QVERIFY(window.lowerEdit(0)->text() != u"101"_s); // loaded afresh, as after the close box
        window.lowerEdit(0)->setText(u"101"_s);
        QVERIFY(window.apply());
        const auto count = qsizetype(f.session->formulas().size());
        QCOMPARE(applied.value(0).value(0).toString(),
                 u"过滤后共选中 0 条公式，本次取消选中 %1 条"_s.arg(count));
        f.session->setSelection(Flags(f.session->formulas().size(), true));
    }

    // While a history is stored, Enter cancels; a file with nothing new offers no append.
    void importPreviewIsSafeByDefault() {
        Fixture g;
        QVERIFY(g.reopen());
        QFile file(g.dir.filePath(u"history.txt"_s));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(history) == history.size());
        file.close();
        QVERIFY(g.importHistory(file.fileName()));
        auto preview = g.session->previewImport(file.fileName()).wait();
        QVERIFY(preview);
        ImportPreviewDialog dialog(preview.value());
        dialog.show();
        auto* cancel = dialog.findChild<QPushButton*>(u"cancel"_s);
        QVERIFY(cancel->isDefault());
        QVERIFY(!dialog.findChild<QPushButton*>(u"replace"_s)->autoDefault());
        auto* append = dialog.findChild<QPushButton*>(u"append"_s);
        QVERIFY(!append->isEnabled());
        QCOMPARE(append->text(), u"没有新开奖"_s);
        QTest::keyClick(&dialog, Qt::Key_Return);
        QCOMPARE(dialog.choice(), ImportChoice::Cancel);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

    void filterKeepsTextsUntilClosed() {
        FilterWindow window(*f.session, prompts);
        window.show();
        QLineEdit* edit = window.upperEdit(Figures::LongestHit);
        const QString loaded = edit->text();
        edit->setText(u"99999"_s);
        QVERIFY(window.apply());
        window.show();
        QCOMPARE(edit->text(), u"99999"_s);
        window.close();
        window.show();
        QCOMPARE(edit->text(), loaded);

        // Typing replaces a box's bound, whether its focus came with the window, a click or Tab.
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QLineEdit* first = window.lowerEdit(0);
        QTRY_COMPARE(QApplication::focusWidget(), first);
        QCOMPARE(first->selectedText(), first->text());
        const auto typedOver = [](QLineEdit* box) {
            const QString before = box->text();
            QTest::keyClicks(box, u"90"_s);
            return !before.isEmpty() && before != u"90"_s ? box->text() : u"no bound"_s;
        };
        QTest::mouseClick(first, Qt::LeftButton, {}, first->rect().center());
        QCOMPARE(typedOver(first), u"90"_s);
        QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(2, edit->height() / 2));
        QCOMPARE(typedOver(edit), u"90"_s);
        QTest::keyClick(edit, Qt::Key_Tab);
        auto* next = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(next && next != edit);
        QCOMPARE(typedOver(next), u"90"_s);
        // Once typed in, a click places the cursor.
        QTest::mouseClick(next, Qt::LeftButton, {}, QPoint(next->width() - 2, next->height() / 2));
        QTest::keyClicks(next, u"5"_s);
        QCOMPARE(next->text(), u"905"_s);
    }

    void errorValuesAllKept() {
        f.session->setSelection(Flags(f.session->formulas().size(), false));
        QVERIFY(f.session->predict().wait());
        ErrorValueWindow window(*f.session, prompts);
        const QAbstractItemModel* grid = window.grid()->model();
        QCOMPARE(grid->rowCount(), 49);
        QString all;
        for (int row = 0; row < 49; ++row) {
            all += u"%1 "_s.arg(row + 1, 2, 10, QLatin1Char('0'));
            QCOMPARE(grid->index(row, ErrorValueModel::Status).data().toString(), u"保留"_s);
            QCOMPARE(grid->index(row, ErrorValueModel::Number).data(Qt::ForegroundRole).value<QColor>(),
                     QColor(Qt::black));
        }
        QCOMPARE(window.keptText(), all);
        QCOMPARE(window.filteredText(), QString());
        QCOMPARE(window.allFilteredText(), QString());
        QCOMPARE(window.periodText(), u"下期 %1 期"_s.arg(f.session->nextPeriod().value()));
    }

    // Nothing kept: a line under the list says why and what to change.
    void errorValuesAllFiltered() {
        f.session->setSelection(Flags(f.session->formulas().size(), true));
        QVERIFY(f.session->predict().wait());
        ErrorValueWindow window(*f.session, prompts);
        QCOMPARE(window.keptText(), QString());
        QVERIFY(window.allFilteredText().startsWith(u"全部 49 个号码都被滤杀"_s));
        QVERIFY(window.allFilteredText().contains(u"少选一些公式"_s));
    }

    void errorValueRanking_data() {
        QTest::addColumn<QList<int>>("doubleClicks"); // columns
        QTest::addColumn<int>("rankedBy");            // column the rows stand ranked by
        QTest::addColumn<bool>("descending");
        QTest::newRow("first showing") << QList<int>{} << int(ErrorValueModel::RuledOut) << false;
        QTest::newRow("number once") << QList<int>{1} << int(ErrorValueModel::Number) << true;
        QTest::newRow("number twice") << QList<int>{1, 1} << int(ErrorValueModel::Number) << false;
        QTest::newRow("rank only reverses") << QList<int>{0} << int(ErrorValueModel::RuledOut) << false;
        QTest::newRow("rank, then kill value")
            << QList<int>{0, 3} << int(ErrorValueModel::RuledOutByKill) << false;
        QTest::newRow("mark only reverses") << QList<int>{8} << int(ErrorValueModel::RuledOut) << false;
    }
    void errorValueRanking() {
        QFETCH(QList<int>, doubleClicks);
        QFETCH(int, rankedBy);
        QFETCH(bool, descending);
        // Keep formulas of odd/even and big/small: their common class is kept, totals 0 to 2.
        Flags two(f.session->formulas().size(), false);
        for (int kind : {5, 10})
            two[std::find_if(f.session->formulas().begin(), f.session->formulas().end(),
                             [kind](const FormulaRow& row) { return row.kind == kind; }) -
                f.session->formulas().begin()] = true;
        f.session->setSelection(two);
        QVERIFY(f.session->predict(Period(2026100)).wait());
        ErrorValueWindow window(*f.session, prompts);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.periodText(), u"验算 2026100 期"_s);
        ErrorValueModel& model = *window.model();
        for (int column : doubleClicks) {
            // As the desktop delivers it: press, release, double-click, release.
            const QPoint at = cellCentre(window.grid(), 0, column);
            QTest::mouseClick(window.grid()->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(window.grid()->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseRelease(window.grid()->viewport(), Qt::LeftButton, {}, at);
        }
        QCOMPARE(model.rows(), ErrorValueModel::ranked(model.rows(), rankedBy, descending));
        QCOMPARE(model.descending(), doubleClicks.size() % 2 == 1);

        // The chart stands in the list's order, grey where the list is grey.
        const QList<ErrorValueChart::Bar> bars = window.chart()->bars();
        QCOMPARE(bars.size(), 49);
        const QAbstractItemModel* grid = window.grid()->model();
        for (int i = 0; i < 49; ++i) {
            QCOMPARE(bars[i].number, model.rows()[i].number);
            QCOMPARE(bars[i].value, model.rows()[i].ruledOut);
            const QColor rowColour =
                grid->index(i, ErrorValueModel::Number).data(Qt::ForegroundRole).value<QColor>();
            QCOMPARE(rowColour, bars[i].kept ? QColor(Qt::black) : QColor(200, 200, 200));
            QCOMPARE(bars[i].colour,
                     bars[i].kept ? ErrorValueChart::waveColour(bars[i].number) : ErrorValueChart::grey());
            QVERIFY(window.chart()
                        ->toolTipAt(bars[i].label.center())
                        .startsWith(u"号码 %1"_s.arg(bars[i].number, 2, 10, QLatin1Char('0'))));
        }
        QVERIFY(std::any_of(bars.begin(), bars.end(), [](const auto& b) { return b.kept; }));
        QVERIFY(std::any_of(bars.begin(), bars.end(), [](const auto& b) { return !b.kept; }));

        // Activation ranks by the total again, in the current direction.
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(&window, &activate);
        QCOMPARE(model.rows(),
                 ErrorValueModel::ranked(model.rows(), ErrorValueModel::RuledOut, model.descending()));
        QCOMPARE(window.chart()->bars().first().number, model.rows().first().number);
    }

    void errorValueCopyAndExport() {
        QVERIFY(f.session->predict().wait());
        WindowSlot<ErrorValueWindow> slot;
        const auto make = [&] { return new ErrorValueWindow(*f.session, prompts); };
        ErrorValueWindow* window = slot.show(make);
        GridView* grid = window->grid();
        grid->selectionModel()->select(QItemSelection(grid->model()->index(0, 1), grid->model()->index(1, 2)),
                                       QItemSelectionModel::Select);
        QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
        const auto cell = [&](int r, int c) { return grid->model()->index(r, c).data().toString(); };
        QCOMPARE(QApplication::clipboard()->text(),
                 cell(0, 1) + u'\t' + cell(0, 2) + u'\n' + cell(1, 1) + u'\t' + cell(1, 2));

        const QString path = QDir(f.session->dataDir()).filePath(u"ErrArr.xlsx"_s);
        QFile::remove(path);
        window->exportList();
        QTRY_COMPARE(prompts.opened.value(0), path);
        QVERIFY(QFileInfo(path).size() > 0);
        // A file that cannot be written is reported and nothing is opened.
        QFile::remove(path);
        QVERIFY(QDir().mkpath(path + u"/x"_s));
        window->exportList();
        QTRY_COMPARE(prompts.shown.size(), 1);
        QCOMPARE(prompts.opened.size(), 1);
        QVERIFY(QDir(path).removeRecursively());

        // Its menu writes the same table to a file of the user's choice, CSV here.
        QSignalSpy exported(window, &ErrorValueWindow::exported);
        const QString chosen = QDir(f.session->dataDir()).filePath(u"杀留.csv"_s);
        prompts.saveFileAnswers = {chosen};
        emit grid->customContextMenuRequested(cellCentre(grid, 0, 0));
        QMenu* menu = grid->findChild<QMenu*>();
        QVERIFY(menu);
        QCOMPARE(menu->actions().value(0)->text(), u"导出为…"_s);
        menu->actions().first()->trigger();
        menu->close();
        QTRY_COMPARE(exported.size(), 1);
        QCOMPARE(exported.first().first().toString(), chosen);
        const QString expected = chosen + u".expected"_s;
        QVERIFY(SpreadsheetExport::writeErrorValuesCsv(f.session->lastErrorValues(), expected));
        QCOMPARE(readAll(chosen), readAll(expected));

        // The values stay those of the period they were computed for when a draw comes in.
        const QString period = window->periodText();
        QVERIFY(f.addDraw({1, 2, 3, 4, 5, 6, 7}));
        QVERIFY(f.session->reload().wait());
        QCOMPARE(window->periodText(), period);
        QVERIFY(f.deleteLastDraw());

        // Closing deletes the window; the next showing starts afresh, ascending.
        window->model()->rankByColumn(ErrorValueModel::Number);
        window->close();
        QTRY_VERIFY(!slot.window());
        QVERIFY(!slot.show(make)->model()->descending());
        delete slot.window();
    }
};

QTEST_MAIN(TestSecondaryWindows)
#include "tst_secondarywindows.moc"
