#pragma once

#include "evaluation/FormulaStatistics.h"

class QJsonObject;

namespace talven {

// A figure as JSON: the same seven significant digits the lists show.
double jsonFigure(double value);

// The record against chance as "chance", "edge" and "z", with the two decimals the lists show;
// null where a figure is absent.
void addChanceFigures(QJsonObject& object, const ChanceFigures& figures);

} // namespace talven
