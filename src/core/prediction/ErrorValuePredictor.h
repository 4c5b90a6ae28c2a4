#pragma once

#include "common/Result.h"
#include "evaluation/KindRules.h"
#include "prediction/ErrorValues.h"

#include <QList>

#include <functional>
#include <optional>

namespace talven {

// One row of the formula table as the prediction needs it.
struct PredictionFormula {
    int kind = -1;     // maType; a kind outside 0..15 counts nothing
    bool kill = false; // bolKill; a null flag is keep
};

// The chosen period of a verification and the kind filter "显所选类公式(&P)".
struct VerificationRequest {
    int period = 0;                // P, the period number of the chosen draw
    std::optional<int> kindFilter; // curMaType when the kind filter is on
};

// Counts, for every number 1..N, the selected formulas that rule it out for the draw after the
// one their parameters were computed on. A kill formula rules out its class, a keep formula every
// number outside it; the class comes from the shared kind rules, so the prediction always agrees
// with the back-test and the list's next-period result.
class ErrorValuePredictor {
public:
    explicit ErrorValuePredictor(KindRules rules);

    // Parameter of formula formulaIndex (0-based, Idx order) on draw drawIndex (0-based, oldest
    // first); empty when the formula cannot be evaluated or has no value on that draw.
    using ParameterLookup = std::function<std::optional<double>(qsizetype formulaIndex, qsizetype drawIndex)>;

    // Next-period error values. formulas are in Idx order, parameters[i] is formula i's parameter
    // on the newest draw, selection[k] the selection flag of ordinal k (index 0 holds no formula;
    // ordinals without a flag count as not selected). judgedYear is the year of the next draw.
    ErrorValueTable nextPeriod(const QList<PredictionFormula>& formulas,
                               const QList<std::optional<double>>& parameters, const QList<bool>& selection,
                               int judgedYear) const;

    // The error values as they stood right after the draw of the chosen period. periods are the
    // period numbers of the history, oldest first. With the kind filter on only formulas of that
    // kind take part and selection[k] refers to the k-th of them. A period that no draw has is an
    // error, not an all-zero result.
    Result<ErrorValueTable> verify(const QList<PredictionFormula>& formulas, const QList<bool>& selection,
                                   const QList<int>& periods, const ParameterLookup& parameterOn,
                                   const VerificationRequest& request) const;

    // Adds one formula's counts; a formula without a usable parameter adds nothing.
    void addFormula(ErrorValueTable& values, const PredictionFormula& formula,
                    std::optional<double> parameter, int judgedYear) const;

    int largestNumber() const;
    const KindRules& rules() const { return m_rules; }

private:
    KindRules m_rules;
};

} // namespace talven
