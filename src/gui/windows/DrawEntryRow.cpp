#include "windows/DrawEntryRow.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

const QString boxTip = u"在此补充输入最新历史号码"_s;

} // namespace

DrawEntryRow::DrawEntryRow(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_label = new QLabel(this);
    m_period = new QLineEdit(this);
    m_period->setAccessibleName(u"下一期期号"_s);
    m_period->setObjectName(u"periodBox"_s);
    m_period->setValidator(new QRegularExpressionValidator(QRegularExpression(u"\\d{0,7}"_s), m_period));
    m_period->setMaxLength(7);
    m_period->setFixedWidth(m_period->fontMetrics().horizontalAdvance(u"00000000"_s) + 12);
    m_label->setBuddy(m_period);
    layout->addWidget(m_label);
    layout->addWidget(m_period);
    auto* digits = new QRegularExpressionValidator(QRegularExpression(u"\\d{0,2}"_s), this);
    for (int i = 1; i <= 7; ++i) {
        if (i == 7) // the special number stands apart from the six flat numbers
            layout->addWidget(new QLabel(u"+"_s, this));
        auto* edit = new QLineEdit(this);
        edit->setValidator(digits);
        edit->setObjectName(u"numberBox%1"_s.arg(i));
        edit->setMaxLength(2);
        edit->setPlaceholderText(u"__"_s);
        edit->setAlignment(Qt::AlignCenter);
        edit->setToolTip(boxTip);
        edit->setAccessibleName(i == 7 ? boxTip + u"（特码）"_s : boxTip + u"（第%1个平码）"_s.arg(i));
        edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(u"000"_s) + 12);
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::textEdited, this, [this, i] { boxEdited(i); });
        // Enter saves a complete row, also one mended after a refusal, whose last box was not edited.
        connect(edit, &QLineEdit::returnPressed, this, &DrawEntryRow::enterComplete);
        m_boxes[static_cast<size_t>(i - 1)] = edit;
        layout->addWidget(edit);
    }
    layout->addStretch();
    // The label always names the period that will be stored, also while the user types one.
    connect(m_period, &QLineEdit::textChanged, this, &DrawEntryRow::showLabel);
    connect(m_period, &QLineEdit::returnPressed, this, &DrawEntryRow::enterComplete);
    setTabOrder(m_period, m_boxes[0]);
    for (size_t i = 0; i + 1 < m_boxes.size(); ++i)
        setTabOrder(m_boxes[i], m_boxes[i + 1]);
}

void DrawEntryRow::propose(Period next) {
    m_period->setText(next.isValid() ? next.toString() : QString());
    showLabel();
}

QString DrawEntryRow::periodText() const {
    return m_period->text().trimmed();
}

void DrawEntryRow::showLabel() {
    m_label->setText(u"在此输入%1 期历史号码:"_s.arg(periodText()));
}

void DrawEntryRow::clearBoxes() {
    // Clearing by the program is no edit of the user's: it stores nothing and cannot be undone
    // (setText() empties the box's undo history, clear() would not).
    for (QLineEdit* edit : m_boxes)
        edit->setText(QString());
    m_boxes[0]->setFocus();
}

void DrawEntryRow::boxEdited(int position) {
    QLineEdit* edit = box(position);
    if (edit->text().size() < 2)
        return;
    if (position < 7) {
        box(position + 1)->setFocus();
        box(position + 1)->selectAll();
        return;
    }
    enterRow();
}

void DrawEntryRow::enterComplete() {
    if (std::none_of(m_boxes.begin(), m_boxes.end(), [](const QLineEdit* e) { return e->text().isEmpty(); }))
        enterRow();
}

void DrawEntryRow::enterRow() {
    std::array<int, 7> numbers{};
    for (int i = 0; i < 7; ++i)
        numbers[static_cast<size_t>(i)] = m_boxes[static_cast<size_t>(i)]->text().toInt();
    emit drawEntered(numbers, periodText());
}

bool DrawEntryRow::eventFilter(QObject* watched, QEvent* event) {
    // Backspace in an empty box goes back to the box before, as typing went forward.
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Backspace) {
        for (int i = 2; i <= 7; ++i) {
            if (watched == box(i) && box(i)->text().isEmpty()) {
                box(i - 1)->setFocus();
                box(i - 1)->end(false);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace talven
