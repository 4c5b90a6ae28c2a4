#include "ErrorValuePredictor.h"

#include "common/FormulaKind.h"

#include <cmath>
#include <vector>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

bool isSelected(const QList<bool>& selection, qsizetype ordinal) {
    return ordinal > 0 && ordinal < selection.size() && selection[ordinal];
}

} // namespace

ErrorValuePredictor::ErrorValuePredictor(KindRules rules) : m_rules(std::move(rules)) {}

int ErrorValuePredictor::largestNumber() const {
    return std::max(0, m_rules.model().options().bit);
}

void ErrorValuePredictor::addFormula(ErrorValueTable& values, const PredictionFormula& formula,
                                     std::optional<double> parameter, int judgedYear) const {
    if (!isFormulaKind(formula.kind) || !parameter || !std::isfinite(*parameter))
        return;
    const KindPrediction prediction = m_rules.predict(formula.kind, *parameter, judgedYear);
    if (!prediction.valid)
        return;
    const int n = static_cast<int>(values.size());
    std::vector<char> inClass(static_cast<size_t>(n) + 1, 0);
    for (int number : m_rules.keepClass(formula.kind, prediction))
        if (number >= 1 && number <= n)
            inClass[static_cast<size_t>(number)] = 1;
    const int weight = formulaKindInfo(static_cast<FormulaKind>(formula.kind)).weight;
    for (int number = 1; number <= n; ++number) {
        // A kill formula rules its class out; a keep formula rules out everything else.
        const bool ruledOut = formula.kill == (inClass[static_cast<size_t>(number)] != 0);
        if (!ruledOut)
            continue;
        NumberErrorValues& row = values[number - 1];
        ++row.ruledOut;
        row.weightedRuledOut += weight;
        if (formula.kill) {
            ++row.ruledOutByKill;
            row.weightedRuledOutByKill += weight;
        } else {
            ++row.ruledOutByKeep;
            row.weightedRuledOutByKeep += weight;
        }
    }
}

ErrorValueTable ErrorValuePredictor::nextPeriod(const QList<PredictionFormula>& formulas,
                                                const QList<std::optional<double>>& parameters,
                                                const QList<bool>& selection, int judgedYear) const {
    ErrorValueTable values = emptyErrorValues(largestNumber());
    for (qsizetype i = 0; i < formulas.size(); ++i) {
        if (!isSelected(selection, i + 1) || i >= parameters.size())
            continue;
        addFormula(values, formulas[i], parameters[i], judgedYear);
    }
    return values;
}

Result<ErrorValueTable> ErrorValuePredictor::verify(const QList<PredictionFormula>& formulas,
                                                    const QList<bool>& selection, const QList<int>& periods,
                                                    const ParameterLookup& parameterOn,
                                                    const VerificationRequest& request) const {
    const qsizetype draw = periods.lastIndexOf(request.period);
    if (draw < 0) {
        if (periods.isEmpty())
            return Error{u"历史记录为空，无法验算第 %1 期"_s.arg(request.period)};
        return Error{u"历史记录中没有第 %1 期，无法验算该期公式"_s.arg(request.period)};
    }
    // The draw being predicted is the one after P; past the newest draw it is in P's year.
    const int judgedPeriod = draw + 1 < periods.size() ? periods[draw + 1] : request.period;
    const int judgedYear = judgedPeriod / 1000;

    ErrorValueTable values = emptyErrorValues(largestNumber());
    qsizetype ordinal = 0;
    for (qsizetype i = 0; i < formulas.size(); ++i) {
        if (request.kindFilter && formulas[i].kind != *request.kindFilter)
            continue;
        ++ordinal;
        if (!isSelected(selection, ordinal))
            continue;
        addFormula(values, formulas[i], parameterOn ? parameterOn(i, draw) : std::nullopt, judgedYear);
    }
    return values;
}

} // namespace talven
