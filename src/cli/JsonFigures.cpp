#include "JsonFigures.h"

#include <QJsonObject>
#include <QJsonValue>

using namespace Qt::StringLiterals;

namespace talven {

double jsonFigure(double value) {
    return figureText(static_cast<float>(value)).toDouble();
}

void addChanceFigures(QJsonObject& object, const ChanceFigures& figures) {
    object[u"chance"_s] = figures.valid ? twoDecimalValue(figures.chance) : QJsonValue();
    object[u"edge"_s] = figures.valid ? twoDecimalValue(figures.edge) : QJsonValue();
    object[u"z"_s] = figures.z ? twoDecimalValue(*figures.z) : QJsonValue();
}

} // namespace talven
