#include "Figures.h"

#include "evaluation/BacktestEngine.h"

using namespace Qt::StringLiterals;

namespace talven::Figures {

QString title(Figure figure) {
    return QString::fromUtf16(info(figure).title);
}

QString exportTitle(Figure figure) {
    return QString::fromUtf16(info(figure).exportTitle);
}

QString jsonKey(Figure figure) {
    return QString::fromUtf16(info(figure).jsonKey);
}

QString unitClause(Figure figure) {
    const QString unit = QString::fromUtf16(info(figure).unit);
    return unit.isEmpty() ? u"（无单位）"_s : u"（单位 %1）"_s.arg(unit);
}

QString tooltip(Figure figure) {
    return QString::fromUtf16(info(figure).counts) + unitClause(figure) +
           QString::fromUtf16(info(figure).note);
}

std::optional<Figure> byJsonKey(QStringView key) {
    for (const Info& i : table)
        if (key == QStringView(i.jsonKey))
            return i.key;
    return std::nullopt;
}

std::optional<double> chanceValue(const ChanceFigures& figures, Figure figure) {
    switch (figure) {
    case Chance:
        return figures.valid ? std::optional(figures.chance) : std::nullopt;
    case Edge:
        return figures.valid ? std::optional(figures.edge) : std::nullopt;
    case ZScore:
        return figures.z;
    default:
        return std::nullopt;
    }
}

std::optional<double> value(const FormulaResult& result, Figure figure) {
    const Info& i = info(figure);
    switch (i.group) {
    case Group::Record:
    case Group::PerNumber:
        return recordValue(result.figures, figure);
    case Group::Recent:
        return recentAccuracy(result.hits, i.window).accuracy;
    case Group::Chance:
        return chanceValue(result.againstChance(), figure);
    }
    return std::nullopt;
}

QString cellText(const FormulaResult& result, int drawCount, Figure figure) {
    const Info& i = info(figure);
    const FormulaFigures& f = result.figures;
    switch (figure) {
    case Accuracy:
        return f.accuracyText(drawCount);
    case PerNumberAccuracy:
        return f.perNumberAccuracyText();
    case Chance:
        return chanceText(result.againstChance());
    case Edge:
        return edgeText(result.againstChance());
    case ZScore:
        return zText(result.againstChance());
    default:
        break;
    }
    if (i.group == Group::Recent) {
        const RecentAccuracy recent = recentAccuracy(result.hits, i.window);
        return figureText(recent.accuracy) + u"% (%1/%2)"_s.arg(recent.hits).arg(recent.draws);
    }
    const double v = recordValue(f, figure);
    return i.form == Form::Whole ? QString::number(static_cast<qint64>(v))
                                 : figureText(static_cast<float>(v));
}

QJsonValue json(Figure figure, std::optional<double> value) {
    if (!value)
        return QJsonValue();
    switch (info(figure).form) {
    case Form::Whole:
        return static_cast<qint64>(*value);
    case Form::SingleFloat:
        return figureText(static_cast<float>(*value)).toDouble();
    case Form::TwoDecimals:
        return twoDecimalValue(*value);
    }
    return QJsonValue();
}

QString signedText(const QString& text) {
    return text.isEmpty() || text.startsWith(u'-') || text == u"0.00"_s ? text : u"+"_s + text;
}

} // namespace talven::Figures
