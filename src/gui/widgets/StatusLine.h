#pragma once

#include <QLabel>

namespace talven {

class Session;

// The status bar's summary of the session: draws, formulas, selected formulas, the current year
// and the data directory, kept up to date with every change; while the database can only be viewed,
// the reason instead.
class StatusLine : public QLabel {
    Q_OBJECT
public:
    explicit StatusLine(const Session& session, QWidget* parent = nullptr);

private:
    void refresh();

    const Session& m_session;
};

} // namespace talven
