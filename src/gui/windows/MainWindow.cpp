#include "windows/MainWindow.h"

#include "models/HistoryGridModel.h"
#include "prompts/Prompts.h"
#include "session/ProgramArguments.h"
#include "session/Session.h"

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
    connect(&session, &Session::changed, this, &MainWindow::showNextPeriod);
    showNextPeriod();
}

MainWindow::~MainWindow() = default;

void MainWindow::showNextPeriod() {
    m_nextPeriod->setText(u"在此输入%1 期历史号码:"_s.arg(m_session.nextPeriod().value()));
    if (m_history->rowCount() > 28)
        m_historyView->scrollToBottom();
}

int MainWindow::runProgram(QApplication& app) {
    QCoreApplication::setOrganizationName(u"TALVEN"_s);
    QCoreApplication::setApplicationName(u"TALVEN"_s);
    QtPrompts prompts;
    QSettings settings;
    auto args = ProgramArguments::parse(QCoreApplication::arguments().mid(1));
    if (!args) {
        prompts.warning(nullptr, u"命令行参数错误"_s, args.message());
        return 1;
    }
    auto session = Session::open(args->dataDirectory(), settings);
    if (!session) {
        prompts.warning(nullptr, u"无法打开数据库"_s, session.message());
        return 1;
    }
    MainWindow window(*session.value(), prompts);
    window.show();
    return app.exec();
}

} // namespace talven
