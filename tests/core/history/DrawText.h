#pragma once

#include "history/HistoryParser.h"

#include <QStringList>

// The seven numbers of a draw, separated by blanks, so that expected draws stay readable in tables.
inline QString numbersText(const talven::ParsedDraw& draw) {
    QStringList numbers;
    for (int n : draw.numbers)
        numbers.append(QString::number(n));
    return numbers.join(u' ');
}
