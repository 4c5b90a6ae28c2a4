#pragma once

#include "common/Period.h"

#include <QWidget>

#include <array>

class QLabel;
class QLineEdit;

namespace talven {

// The entry of the newest draw: the label naming the period, the next period box and seven
// two-digit boxes. Completing box i moves the focus on; completing box 7 hands the draw over.
class DrawEntryRow : public QWidget {
    Q_OBJECT
public:
    explicit DrawEntryRow(QWidget* parent = nullptr);

    // Refills the next period box and the label with the period the next draw gets.
    void propose(Period next);
    QString periodText() const;
    // Empties the seven boxes, as after a store, and puts the focus in box 1.
    void clearBoxes();
    QLineEdit* box(int position) const { return m_boxes[static_cast<size_t>(position - 1)]; }
    QLineEdit* periodBox() const { return m_period; }
    QLabel* label() const { return m_label; }

signals:
    // The user completed box 7: the seven numbers (an empty box gives 0) and the period text.
    void drawEntered(const std::array<int, 7>& numbers, const QString& periodText);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void boxEdited(int position);
    // Asks for the row to be stored when all seven boxes hold a number.
    void enterComplete();
    // Asks for the row to be stored as it is; the session refuses what is missing or wrong.
    void enterRow();
    void showLabel();

    QLabel* m_label = nullptr;
    QLineEdit* m_period = nullptr;
    std::array<QLineEdit*, 7> m_boxes{};
};

} // namespace talven
