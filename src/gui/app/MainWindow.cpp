#include "app/MainWindow.h"

#include "app/DataDirectory.h"
#include "app/HistoryGridModel.h"
#include "app/Session.h"
#include "prompts/Prompts.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QSettings>
#include <QTableView>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace talven {

MainWindow::MainWindow(Session& session, Prompts& prompts, QWidget* parent)
    : QMainWindow(parent), m_session(session), m_prompts(prompts) {
    setWindowTitle(u"TALVEN 彩票公式分析"_s);
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    m_nextPeriod = new QLabel(central);
    layout->addWidget(m_nextPeriod);
    m_history = new HistoryGridModel(session, this);
    m_historyView = new QTableView(central);
    m_historyView->setModel(m_history);
    m_historyView->setToolTip(u"鼠标双击列表可以将列表导出到EXCEL"_s);
    m_historyView->verticalHeader()->hide();
    layout->addWidget(m_historyView);
    setCentralWidget(central);
    resize(900, 640);
    refresh();
}

MainWindow::~MainWindow() = default;

void MainWindow::refresh() {
    m_history->refresh();
    m_nextPeriod->setText(u"在此输入%1 期历史号码:"_s.arg(m_session.nextPeriod()));
    if (m_history->rowCount() > 28)
        m_historyView->scrollToBottom();
}

int MainWindow::runProgram(QApplication& app) {
    QCoreApplication::setOrganizationName(u"TALVEN"_s);
    QCoreApplication::setApplicationName(u"TALVEN"_s);
    QtPrompts prompts;
    QSettings settings;
    const QStringList args = QCoreApplication::arguments();
    const int at = args.indexOf(u"--data-dir"_s);
    const QString given = at >= 0 ? args.value(at + 1) : QString();
    auto session = Session::open(resolveDataDirectory(given), settings);
    if (!session) {
        prompts.warning(nullptr, u"无法打开数据库"_s, session.error());
        return 1;
    }
    MainWindow window(*session.value(), prompts);
    window.show();
    return app.exec();
}

} // namespace talven
