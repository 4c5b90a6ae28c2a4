// Every window shrinks to a small laptop screen (960×540 logical pixels) and keeps every control
// within reach: inside the window, or inside a scroll area's content that the user can scroll to.
#include "Samples.h"
#include "ScriptedPrompts.h"
#include "SessionFixture.h"
#include "models/FormulaListModel.h"
#include "windows/DiscoveryWindow.h"
#include "windows/ErrorValueWindow.h"
#include "windows/FilterWindow.h"
#include "windows/ImportPreviewDialog.h"
#include "windows/MainWindow.h"
#include "windows/ReferenceWindow.h"
#include "windows/SelectionBacktestWindow.h"

#include <QAbstractItemView>
#include <QHeaderView>
#include <QMenu>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace talven;
using namespace talven::test;

namespace {

constexpr QSize Small(960, 540);

// The outermost scroll area whose content holds w: scrolling reaches w wherever it lies there.
QAbstractScrollArea* scrolledBy(const QWidget* w) {
    QAbstractScrollArea* outer = nullptr;
    for (QWidget* p = w->parentWidget(); p && !p->isWindow(); p = p->parentWidget())
        if (auto* area = qobject_cast<QAbstractScrollArea*>(p); area && area->viewport()->isAncestorOf(w))
            outer = area;
    return outer;
}

// The controls of window that the user cannot see or scroll to, named for the failure message.
QStringList outOfReach(QWidget& window) {
    QStringList lost;
    const QRect room = window.rect();
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&window) || !w->isEnabled() || w->focusPolicy() == Qt::NoFocus ||
            qobject_cast<QScrollBar*>(w) || w->window() != &window)
            continue;
        const QWidget* standIn = w;
        if (QAbstractScrollArea* area = scrolledBy(w)) {
            // The area must show enough of its content to be used at all.
            if (area->viewport()->width() < 40 || area->viewport()->height() < 16)
                lost.append(u"%1 (scroll area %2×%3)"_s.arg(w->objectName(),
                                                            QString::number(area->viewport()->width()),
                                                            QString::number(area->viewport()->height())));
            standIn = area;
        }
        const QRect at(standIn->mapTo(&window, QPoint(0, 0)), standIn->size());
        // Whole, and not cut by a parent that is smaller than it.
        QRect shown = at;
        for (const QWidget* p = standIn->parentWidget(); p && p != &window; p = p->parentWidget())
            shown &= QRect(p->mapTo(&window, QPoint(0, 0)), p->size());
        if (!room.contains(at) || shown != at || at.isEmpty())
            lost.append(u"%1 %2 at %3,%4 %5×%6"_s
                            .arg(QString::fromLatin1(w->metaObject()->className()),
                                 w->objectName().isEmpty() ? w->accessibleName() : w->objectName())
                            .arg(at.x())
                            .arg(at.y())
                            .arg(at.width())
                            .arg(at.height()));
    }
    return lost;
}

} // namespace

class TestWindowFit : public QObject {
    Q_OBJECT

    Fixture f;
    ScriptedPrompts prompts;
    std::unique_ptr<MainWindow> main;

    std::unique_ptr<QWidget> open(const QString& which) {
        if (which == u"main"_s)
            return std::make_unique<MainWindow>(*f.session, prompts);
        if (which == u"reference"_s)
            return std::make_unique<ReferenceWindow>();
        if (which == u"filter"_s)
            return std::make_unique<FilterWindow>(*f.session, prompts);
        if (which == u"errorValues"_s) {
            if (!f.session->predict(std::nullopt, std::nullopt).wait())
                return nullptr;
            return std::make_unique<ErrorValueWindow>(*f.session, prompts);
        }
        if (which == u"discovery"_s)
            return std::make_unique<DiscoveryWindow>(*f.session, prompts);
        if (which == u"selectionBacktest"_s)
            return std::make_unique<SelectionBacktestWindow>(
                *f.session, prompts,
                SelectionBacktestWindow::Sources{[] { return std::optional<FilterWindow::Applied>(); },
                                                 [] { return std::optional<int>(); }});
        // A preview with many refused lines and every choice offered.
        QFile file(m_dir.filePath(u"mixed.txt"_s));
        if (!file.open(QIODevice::WriteOnly))
            return nullptr;
        file.write(history);
        for (int i = 0; i < 40; ++i)
            file.write("这一行不是历史号码，而是一段很长很长的说明文字，用来看看窗口是否还能放得下\n");
        file.write("2026006 01 02 03 04 05 06 08\n");
        file.close();
        auto preview = f.session->previewImport(file.fileName()).wait();
        return preview ? std::make_unique<ImportPreviewDialog>(preview.value()) : nullptr;
    }

    QTemporaryDir m_dir;

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(f.reopen());
        QVERIFY(f.importHistory(sample("history.txt")));
        QVERIFY(f.importFormulas(sample("formulas-utf8.txt"), false));
    }

    void everyControlWithinReach_data() {
        QTest::addColumn<QString>("which");
        for (const char* name : {"main", "reference", "filter", "errorValues", "discovery",
                                 "selectionBacktest", "importPreview"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void everyControlWithinReach() {
        QFETCH(QString, which);
        std::unique_ptr<QWidget> window = open(which);
        QVERIFY(window);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QVERIFY2(
            window->minimumSizeHint().boundedTo(Small) == window->minimumSizeHint(),
            qPrintable(
                u"%1×%2"_s.arg(window->minimumSizeHint().width()).arg(window->minimumSizeHint().height())));
        window->resize(Small);
        QTRY_COMPARE(window->size(), Small);
        QCoreApplication::processEvents();
        const QStringList lost = outOfReach(*window);
        QVERIFY2(lost.isEmpty(), qPrintable(lost.join(u"; "_s)));
    }

    // Scrolled fully right on a small screen, the list still shows 序号 and 公式, and a click on
    // them toggles the formula as a click anywhere in its row does.
    void numberAndFormulaStayInView() {
        MainWindow window(*f.session, prompts);
        window.resize(Small);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* list = window.findChild<QTableView*>(u"formulaList"_s);
        for (int c = 0; c < list->model()->columnCount(); ++c)
            list->setColumnHidden(c, c == FormulaListModel::FormulaNumber);
        QScrollBar* across = list->horizontalScrollBar();
        QTRY_VERIFY(across->maximum() > 0);
        across->setValue(across->maximum());
        auto* frozen = list->findChild<QTableView*>(u"frozenColumns"_s);
        QVERIFY(frozen && frozen->isVisible());
        const QRect room = list->viewport()->geometry();
        const int top = list->rowAt(0);
        for (int c : {FormulaListModel::RowNumber, FormulaListModel::Formula}) {
            const QRect cell = frozen->visualRect(frozen->model()->index(top, c));
            QVERIFY(!cell.isEmpty());
            const QRect at(frozen->viewport()->mapTo(list, cell.topLeft()), cell.size());
            QVERIFY(room.contains(at));
        }
        const int ordinal = list->model()->index(top, 0).data(FormulaListModel::OrdinalRole).toInt();
        const bool before = f.session->selection()[size_t(ordinal - 1)];
        const QPoint at = frozen->visualRect(frozen->model()->index(top, FormulaListModel::Formula)).center();
        QTest::mousePress(frozen->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(frozen->viewport(), Qt::LeftButton, {}, at);
        QTRY_COMPARE(f.session->selection()[size_t(ordinal - 1)], !before);
        QCOMPARE(across->value(), across->maximum());
        // A cell reached with the keys is not left under the frozen columns.
        list->setCurrentIndex(list->model()->index(top, FormulaListModel::column(Figures::Accuracy)));
        QVERIFY(list->visualRect(list->currentIndex()).left() >= (frozen->isVisible() ? frozen->width() : 0));
        f.session->setSelected(ordinal, before);
    }

    // A size and place saved under another screen or scale come back wholly on this screen.
    void restoredPlaceFitsTheScreen() {
        QSettings view(m_dir.filePath(u"view.ini"_s), QSettings::IniFormat);
        {
            MainWindow window(*f.session, prompts, &view);
            window.setGeometry(-400, -300, 4000, 3000);
            window.close(); // saves the view
        }
        MainWindow window(*f.session, prompts, &view);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QRect room = window.screen()->availableGeometry();
        QVERIFY2(
            room.contains(window.frameGeometry()),
            qPrintable(
                u"%1,%2 %3×%4"_s.arg(window.x()).arg(window.y()).arg(window.width()).arg(window.height())));
    }

    // Every column header of every grid says what it counts, not how to export.
    void headersSayWhatTheyCount_data() {
        QTest::addColumn<QString>("which");
        for (const char* name : {"main", "errorValues", "discovery"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void headersSayWhatTheyCount() {
        QFETCH(QString, which);
        std::unique_ptr<QWidget> window = open(which);
        QVERIFY(window);
        const auto views = window->findChildren<QTableView*>();
        QVERIFY(!views.isEmpty());
        for (QTableView* view : views) {
            QHeaderView* header = view->horizontalHeader();
            for (int c = 0; c < header->count(); ++c) {
                if (header->isSectionHidden(c))
                    continue;
                const QString tip = view->model()->headerData(c, Qt::Horizontal, Qt::ToolTipRole).toString();
                QVERIFY2(!tip.isEmpty() && !tip.contains(u"EXCEL"_s),
                         qPrintable(view->model()->headerData(c, Qt::Horizontal).toString()));
            }
        }
        if (which == u"main"_s) {
            // Shown, the figures against chance follow the accuracy they are read against.
            QHeaderView* list = window->findChild<QTableView*>(u"formulaList"_s)->horizontalHeader();
            const int accuracy = list->visualIndex(FormulaListModel::column(Figures::Accuracy));
            for (auto f : {Figures::Chance, Figures::Edge, Figures::ZScore})
                QCOMPARE(list->visualIndex(FormulaListModel::column(f)), accuracy + f - Figures::Chance + 1);
        }
    }
};

QTEST_MAIN(TestWindowFit)
#include "tst_windowfit.moc"
