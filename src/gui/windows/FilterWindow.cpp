#include "windows/FilterWindow.h"

#include "prompts/Prompts.h"
#include "session/Session.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <numeric>
#include <utility>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

// A bound box selects its whole text when it gets the focus, so a typed bound replaces it. The
// first click after the focus arrived (also in the box that has it when the window opens) selects
// it too, unless the click dragged a selection of its own.
class BoundEdit : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void focusInEvent(QFocusEvent* event) override {
        QLineEdit::focusInEvent(event);
        m_selectOnRelease = true;
        selectAll();
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        QLineEdit::mouseReleaseEvent(event);
        if (std::exchange(m_selectOnRelease, false) && !hasSelectedText())
            selectAll();
    }
    void keyPressEvent(QKeyEvent* event) override {
        m_selectOnRelease = false; // once typed in, a click places the cursor
        QLineEdit::keyPressEvent(event);
    }

private:
    bool m_selectOnRelease = false;
};

} // namespace

FilterWindow::FilterWindow(Session& session, Prompts& prompts, QWidget* parent)
    : QDialog(parent), m_session(session), m_prompts(prompts) {
    setWindowTitle(u"公式过滤设置窗口"_s);
    setObjectName(u"filterWindow"_s);
    setModal(true);
    auto* frames = new QHBoxLayout;
    QWidget* previous = nullptr;
    // A frame for the record's figures and one for the per-number figures, in the table's order.
    for (int frame = 0; frame < 2; ++frame) {
        const QString caption = frame == 0 ? u"公式参数"_s : u"码均公式参数"_s;
        const auto group = frame == 0 ? Figures::Group::Record : Figures::Group::PerNumber;
        auto* box = new QGroupBox(caption, this);
        box->setAccessibleName(caption);
        auto* grid = new QGridLayout(box);
        int row = 0;
        for (int figure = 0; figure < FormulaFilter::FigureCount; ++figure) {
            if (Figures::table[static_cast<size_t>(figure)].group != group)
                continue;
            const QString title = Figures::title(static_cast<Figures::Figure>(figure));
            auto* label = new QLabel(title, box);
            auto* lower = new BoundEdit(box);
            auto* upper = new BoundEdit(box);
            // Box numbers: 0..9 in the upper frame, 19 down to 10 in the lower one, lower bound first.
            const int lowerIndex = frame == 0 ? 2 * row : 19 - 2 * row;
            const int upperIndex = frame == 0 ? 2 * row + 1 : 18 - 2 * row;
            lower->setObjectName(u"bound%1"_s.arg(lowerIndex));
            upper->setObjectName(u"bound%1"_s.arg(upperIndex));
            lower->setAccessibleName(title + u" 下限"_s);
            upper->setAccessibleName(title + u" 上限"_s);
            const int width = lower->fontMetrics().horizontalAdvance(u"0000.0000000"_s);
            lower->setMinimumWidth(width);
            upper->setMinimumWidth(width);
            label->setBuddy(lower);
            grid->addWidget(label, row, 0);
            grid->addWidget(lower, row, 1);
            grid->addWidget(new QLabel(u"到"_s, box), row, 2);
            grid->addWidget(upper, row, 3);
            for (QWidget* edit : {static_cast<QWidget*>(lower), static_cast<QWidget*>(upper)}) {
                if (previous)
                    setTabOrder(previous, edit);
                previous = edit;
            }
            m_lower[static_cast<size_t>(figure)] = lower;
            m_upper[static_cast<size_t>(figure)] = upper;
            ++row;
        }
        frames->addWidget(box);
    }
    m_recent = new QGroupBox(u"近期正确率"_s, this);
    m_recent->setAccessibleName(u"近期正确率"_s);
    m_recent->setCheckable(true);
    m_recent->setChecked(false);
    auto* recentRow = new QHBoxLayout(m_recent);
    m_recentWindow = new QComboBox(m_recent);
    for (const Figures::Info& figure : Figures::table)
        if (figure.filter == Figures::FilterUse::RecentChoice)
            m_recentWindow->addItem(Figures::title(figure.key), figure.window);
    m_recentWindow->setAccessibleName(u"近期正确率的期数"_s);
    m_recentLower = new BoundEdit(m_recent);
    m_recentUpper = new BoundEdit(m_recent);
    m_recentLower->setAccessibleName(u"近期正确率 下限"_s);
    m_recentUpper->setAccessibleName(u"近期正确率 上限"_s);
    recentRow->addWidget(m_recentWindow);
    recentRow->addWidget(m_recentLower);
    recentRow->addWidget(new QLabel(u"到"_s, m_recent));
    recentRow->addWidget(m_recentUpper);
    recentRow->addStretch();
    setTabOrder(previous, m_recent);

    const QString zTitle = Figures::title(Figures::ZScore);
    m_z = new QGroupBox(zTitle, this);
    m_z->setAccessibleName(zTitle);
    m_z->setToolTip(u"公式的对的期数比随机多出几个标准差；没有标准分的公式在勾选时取消选中"_s);
    m_z->setCheckable(true);
    m_z->setChecked(false);
    auto* zRow = new QHBoxLayout(m_z);
    m_zLower = new BoundEdit(m_z);
    m_zUpper = new BoundEdit(m_z);
    m_zLower->setAccessibleName(zTitle + u" 下限"_s);
    m_zUpper->setAccessibleName(zTitle + u" 上限"_s);
    zRow->addWidget(m_zLower);
    zRow->addWidget(new QLabel(u"到"_s, m_z));
    zRow->addWidget(m_zUpper);
    zRow->addStretch();
    setTabOrder(m_recentUpper, m_z);
    connect(m_recentWindow, &QComboBox::currentIndexChanged, this, [this] {
        const auto bounds = FormulaFilter::recentBounds(recents(), shownOrdinals());
        m_recentLower->setText(bounds.lower);
        m_recentUpper->setText(bounds.upper);
    });

    auto* ok = new QPushButton(u"确定(&K)"_s, this);
    ok->setAccessibleName(u"确定"_s);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &FilterWindow::apply);
    // As the close box: nothing is deselected, and the next showing loads the bounds afresh.
    auto* cancel = new QPushButton(u"取消"_s, this);
    cancel->setObjectName(u"cancel"_s);
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    ok->setObjectName(u"ok"_s);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(frames);
    layout->addWidget(m_recent);
    layout->addWidget(m_z);
    layout->addLayout(buttons);
}

int FilterWindow::run(const QList<int>& ordinalsShown) {
    m_shown = ordinalsShown;
    return exec();
}

int FilterWindow::run() {
    m_shown.reset();
    return exec();
}

QList<int> FilterWindow::shownOrdinals() const {
    if (m_shown)
        return *m_shown;
    QList<int> ordinals(static_cast<qsizetype>(m_session.formulas().size()));
    std::iota(ordinals.begin(), ordinals.end(), 1);
    return ordinals;
}

std::vector<FormulaFigures> FilterWindow::figures() const {
    std::vector<FormulaFigures> out;
    const int count = static_cast<int>(m_session.formulas().size());
    out.reserve(static_cast<size_t>(count));
    for (int ordinal = 1; ordinal <= count; ++ordinal)
        out.push_back(m_session.result(ordinal).figures);
    return out;
}

int FilterWindow::recentWindowDraws() const {
    return m_recentWindow->currentData().toInt();
}

std::vector<float> FilterWindow::recents() const {
    const int window = recentWindowDraws();
    std::vector<float> out;
    for (int ordinal = 1; ordinal <= static_cast<int>(m_session.formulas().size()); ++ordinal)
        out.push_back(recentAccuracy(m_session.result(ordinal).hits, window).accuracy);
    return out;
}

std::vector<std::optional<double>> FilterWindow::zScores() const {
    std::vector<std::optional<double>> out;
    for (int ordinal = 1; ordinal <= static_cast<int>(m_session.formulas().size()); ++ordinal)
        out.push_back(m_session.result(ordinal).againstChance().z);
    return out;
}

void FilterWindow::loadBounds() {
    const FormulaFilter::Bounds bounds = FormulaFilter::bounds(figures(), shownOrdinals());
    for (size_t figure = 0; figure < bounds.size(); ++figure) {
        m_lower[figure]->setText(bounds[figure].lower);
        m_upper[figure]->setText(bounds[figure].upper);
    }
    const auto recent = FormulaFilter::recentBounds(recents(), shownOrdinals());
    m_recentLower->setText(recent.lower);
    m_recentUpper->setText(recent.upper);
    const auto z = FormulaFilter::zBounds(zScores(), shownOrdinals());
    m_zLower->setText(z.lower);
    m_zUpper->setText(z.upper);
}

void FilterWindow::showEvent(QShowEvent* event) {
    if (m_loadOnShow) {
        loadBounds();
        m_loadOnShow = false;
    }
    QDialog::showEvent(event);
}

void FilterWindow::done(int result) {
    // Closed without OK (close box, Escape): the next showing starts from the figures again.
    if (result != Accepted)
        m_loadOnShow = true;
    QDialog::done(result);
}

std::optional<FormulaFilter::Range>
FilterWindow::readRange(QLineEdit* lower, QLineEdit* upper,
                        const std::function<QString(const QString& end, const QString& text)>& refusal) {
    FormulaFilter::Range range;
    double* ends[] = {&range.lower, &range.upper};
    QLineEdit* edits[] = {lower, upper};
    for (int end = 0; end < 2; ++end) {
        const std::optional<double> bound = FormulaFilter::parseBound(edits[end]->text());
        if (!bound) {
            m_prompts.warning(this, windowTitle(),
                              refusal(end == 0 ? u"下限"_s : u"上限"_s, edits[end]->text().trimmed()));
            edits[end]->setFocus();
            return std::nullopt;
        }
        *ends[end] = *bound;
    }
    return range;
}

bool FilterWindow::apply() {
    if (m_session.busy()) {
        m_prompts.warning(this, windowTitle(), u"正在进行其他操作，请稍候再试"_s);
        return false;
    }
    FormulaFilter::Ranges ranges;
    for (size_t figure = 0; figure < ranges.size(); ++figure) {
        const auto range =
            readRange(m_lower[figure], m_upper[figure], [figure](const QString& end, const QString& text) {
                const QString box =
                    u"“%1”的%2"_s.arg(Figures::title(static_cast<Figures::Figure>(figure)), end);
                return text.isEmpty() ? u"%1是空的：请填入一个数。"_s.arg(box)
                                      : u"%1“%2”不是数：请填入一个数。"_s.arg(box, text);
            });
        if (!range)
            return false;
        ranges[figure] = *range;
    }
    Applied applied{FormulaFilter::Criteria{ranges, std::nullopt, std::nullopt}, m_shown};
    std::vector<bool> selection =
        FormulaFilter::apply(m_session.selection(), figures(), ranges, shownOrdinals());
    if (m_recent->isChecked()) {
        const QString window = m_recentWindow->currentText();
        const auto recent =
            readRange(m_recentLower, m_recentUpper, [&window](const QString& end, const QString&) {
                return u"“%1”的%2不是数：请填入一个数。"_s.arg(window, end);
            });
        if (!recent)
            return false;
        selection = FormulaFilter::applyRecent(std::move(selection), recents(), *recent, shownOrdinals());
        applied.criteria.recent = FormulaFilter::RecentRange{recentWindowDraws(), *recent};
    }
    if (m_z->isChecked()) {
        const auto z = readRange(m_zLower, m_zUpper, [](const QString& end, const QString&) {
            return u"“%1”的%2不是数：请填入一个数。"_s.arg(Figures::title(Figures::ZScore), end);
        });
        if (!z)
            return false;
        selection = FormulaFilter::applyZ(std::move(selection), zScores(), *z, shownOrdinals());
        applied.criteria.z = *z;
    }
    // The window closes: the status line says what it did.
    const std::vector<bool>& before = m_session.selection();
    int deselected = 0;
    for (size_t i = 0; i < std::min(before.size(), selection.size()); ++i)
        deselected += before[i] && !selection[i];
    const auto selected = std::count(selection.begin(), selection.end(), true);
    m_session.setSelection(selection);
    m_lastApplied = std::move(applied);
    emit filtered(u"过滤后共选中 %1 条公式，本次取消选中 %2 条"_s.arg(selected).arg(deselected));
    accept();
    return true;
}

} // namespace talven
