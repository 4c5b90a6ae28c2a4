#include "JsonFigures.h"

#include "evaluation/Figures.h"

#include <QJsonObject>
#include <QJsonValue>

using namespace Qt::StringLiterals;

namespace talven {

double jsonFigure(double value) {
    return figureText(static_cast<float>(value)).toDouble();
}

void addChanceFigures(QJsonObject& object, const ChanceFigures& figures) {
    for (const Figures::Info& figure : Figures::table)
        if (figure.group == Figures::Group::Chance)
            object[Figures::jsonKey(figure.key)] =
                Figures::json(figure.key, Figures::chanceValue(figures, figure.key));
}

} // namespace talven
