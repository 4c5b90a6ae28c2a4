#pragma once

// The data every benchmark works on: a synthetic history and a formula file that fills all 31
// history tables.

#include "common/FormulaKind.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <random>
#include <vector>

namespace talven::bench {

using namespace Qt::StringLiterals;

inline QString historyFile(const QString& dir, int draws, unsigned seed = 20261208,
                           const QString& name = u"history.txt"_s) {
    std::mt19937 rng(seed);
    QString text;
    int year = 2000, number = 1;
    for (int i = 0; i < draws; ++i) {
        std::vector<int> pool(49);
        for (int n = 0; n < 49; ++n)
            pool[static_cast<size_t>(n)] = n + 1;
        std::shuffle(pool.begin(), pool.end(), rng);
        text += QString::number(year * 1000 + number);
        for (int k = 0; k < 7; ++k)
            text += u' ' + u"%1"_s.arg(pool[static_cast<size_t>(k)], 2, 10, QLatin1Char('0'));
        text += u'\n';
        if (++number > 150) {
            number = 1;
            ++year;
        }
    }
    const QString path = QDir(dir).filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(text.toUtf8());
    return path;
}

inline QString formulaFile(const QString& dir, int count) {
    // Two different terms per formula: a term is translated at its first occurrence only.
    const char* terms[] = {"特码数", "平码一", "平二肖", "平三波", "总期数",
                           "平合数", "总分数", "期数尾", "特码合", "平六段"};
    std::mt19937 rng(7);
    QString text;
    for (int i = 0; i < count; ++i) {
        const int kind = i % FormulaKindCount;
        const unsigned a = rng() % 10, b = (a + 1 + rng() % 9) % 10;
        text += u"[D"_s + formulaKindName(kind) + u']';
        text += QString::fromUtf8(terms[a]) + u'+' + QString::fromUtf8(terms[b]) + u"*"_s +
                QString::number(rng() % 9 + 1) + u'\n';
    }
    const QString path = QDir(dir).filePath(u"formulas.txt"_s);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(text.toUtf8());
    return path;
}

} // namespace talven::bench
