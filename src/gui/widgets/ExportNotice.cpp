#include "widgets/ExportNotice.h"

#include "prompts/Prompts.h"

#include <QDir>
#include <QFileInfo>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace talven {

ExportNotice::ExportNotice(Prompts& prompts, QStatusBar* bar, QWidget* covers)
    : QToolButton(bar), m_prompts(prompts), m_bar(bar), m_place(new QStackedWidget(bar)), m_covers(covers),
      m_timer(new QTimer(this)) {
    setAutoRaise(true);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setToolTip(u"打开所在文件夹"_s);
    // Drawn as a link, so that it reads as something to click rather than a command.
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &ExportNotice::dismiss);
    connect(this, &QToolButton::clicked, this, &ExportNotice::openFolder);
    m_place->addWidget(covers);
    m_place->addWidget(this);
    bar->addWidget(m_place, 1);
}

void ExportNotice::showFor(const QString& path, int timeoutMs) {
    m_folder = QFileInfo(path).absolutePath();
    const QString message = u"已导出到 %1"_s.arg(QDir::toNativeSeparators(path));
    setText(QString(message).replace(u'&', u"&&"_s)); // an ampersand in the path is no shortcut
    setAccessibleName(message);
    setAccessibleDescription(toolTip());
    // The newest news: an earlier temporary message gives way, and the summary steps aside.
    m_bar->clearMessage();
    m_place->setCurrentWidget(this);
    m_timer->start(timeoutMs);
}

void ExportNotice::dismiss() {
    m_timer->stop();
    m_place->setCurrentWidget(m_covers);
    // A long path shown once does not keep widening the bar's place.
    setText(QString());
}

void ExportNotice::openFolder() {
    if (!m_folder.isEmpty() && !m_prompts.openUrl(QUrl::fromLocalFile(m_folder)))
        m_prompts.information(this, u"打开文件夹"_s,
                              u"没有找到打开文件夹 %1 的程序。"_s.arg(QDir::toNativeSeparators(m_folder)));
}

} // namespace talven
