#pragma once

#include "evaluation/FormulaFilter.h"

#include <QDialog>

#include <array>
#include <functional>
#include <optional>

class QComboBox;
class QGroupBox;
class QLineEdit;

namespace talven {

class Prompts;
class Session;

// "公式过滤设置窗口": ten ranges over the figures of the formula list; OK deselects every shown
// formula outside a range. The main window keeps one and calls run(ordinals the list shows), or
// run() for the whole list; it is modal. OK hides it with its texts; after the close box the next
// showing loads the bounds afresh from the current figures.
class FilterWindow : public QDialog {
    Q_OBJECT
public:
    FilterWindow(Session& session, Prompts& prompts, QWidget* parent = nullptr);

    // Shows the window modally; QDialog::Accepted when the ranges were applied.
    int run(const QList<int>& ordinalsShown);
    int run();
    // The formulas OK acts on (1-based ordinals), for a window shown without run(); none given:
    // the whole list.
    void setShownOrdinals(std::optional<QList<int>> ordinals) { m_shown = std::move(ordinals); }

    // The criteria the last 确定 applied and the formulas it acted on (none: the whole list); none
    // before the first. Kept while the window lives, which is as long as the program runs.
    struct Applied {
        FormulaFilter::Criteria criteria;
        std::optional<QList<int>> ordinals;
    };
    const std::optional<Applied>& lastApplied() const { return m_lastApplied; }

    QLineEdit* lowerEdit(int figure) const { return m_lower[static_cast<size_t>(figure)]; }
    QLineEdit* upperEdit(int figure) const { return m_upper[static_cast<size_t>(figure)]; }
    QGroupBox* recentRange() const { return m_recent; }
    QComboBox* recentWindow() const { return m_recentWindow; }
    QGroupBox* zRange() const { return m_z; }
    QLineEdit* zLowerEdit() const { return m_zLower; }
    QLineEdit* zUpperEdit() const { return m_zUpper; }

public slots:
    // "确定": applies the ranges and hides the window; a bound that is no number is refused with
    // a message naming its box, and nothing is deselected.
    bool apply();

signals:
    // The ranges were applied: how many formulas are selected now and how many this took away.
    void filtered(const QString& summary);

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void loadBounds();
    // The range in the two boxes; a bound that is no number is refused with the message refusal
    // gives for its end ("下限"/"上限") and trimmed text, and its box takes the focus.
    std::optional<FormulaFilter::Range>
    readRange(QLineEdit* lower, QLineEdit* upper,
              const std::function<QString(const QString& end, const QString& text)>& refusal);
    std::vector<FormulaFigures> figures() const;
    QList<int> shownOrdinals() const;

    Session& m_session;
    Prompts& m_prompts;
    std::optional<QList<int>> m_shown;
    std::optional<Applied> m_lastApplied;
    bool m_loadOnShow = true;
    std::array<QLineEdit*, FormulaFilter::FigureCount> m_lower{};
    std::array<QLineEdit*, FormulaFilter::FigureCount> m_upper{};
    // The optional range on one recent accuracy; off until the user ticks it.
    QGroupBox* m_recent = nullptr;
    QComboBox* m_recentWindow = nullptr;
    QLineEdit* m_recentLower = nullptr;
    QLineEdit* m_recentUpper = nullptr;
    std::vector<float> recents() const;
    int recentWindowDraws() const;
    // The optional range on the z-score; off until the user ticks it.
    QGroupBox* m_z = nullptr;
    QLineEdit* m_zLower = nullptr;
    QLineEdit* m_zUpper = nullptr;
    std::vector<std::optional<double>> zScores() const;
};

} // namespace talven
