#include "widgets/StatusLine.h"

#include "session/Session.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace talven {

StatusLine::StatusLine(const Session& session, QWidget* parent) : QLabel(parent), m_session(session) {
    connect(&session, &Session::changed, this, &StatusLine::refresh);
    refresh();
}

void StatusLine::refresh() {
    // A database that can only be viewed says why in the summary's place, until that changes.
    if (!m_session.readOnlyReason().isEmpty()) {
        setText(m_session.readOnlyReason());
        return;
    }
    const auto& selected = m_session.selection();
    const auto count = std::count(selected.begin(), selected.end(), true);
    setText(u"共 %1 期 · %2 条公式 · 选中 %3 条 · 当前年份 %4 · 数据目录 %5"_s.arg(m_session.draws().size())
                .arg(m_session.formulas().size())
                .arg(count)
                .arg(m_session.currentYear())
                .arg(QDir::toNativeSeparators(m_session.dataDir())));
}

} // namespace talven
