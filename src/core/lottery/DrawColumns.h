#pragma once

#include <QString>
#include <QStringView>

#include <array>

namespace talven {

// The stored columns of one draw, in the order of the history tables. Attribute columns are
// X<position><letter> with X = L (drawn order) or D (sorted order), position 1..7 and the letters
// A B C D G H I J; the index of every column is fixed so that draws can live in plain arrays.
namespace DrawColumns {

enum Fixed : int { QQH = 0, QHH, QHW, SQQH, SQHH, SQHW, FirstAttribute };

constexpr int AttributeLetterCount = 8; // A B C D G H I J
constexpr int AttributeCount = 2 * AttributeLetterCount * 7;
constexpr int FirstSum = FirstAttribute + AttributeCount;
enum Sum : int { PH = FirstSum, PF, PHW, PFW, PFH, PFHW, ZH, ZF, ZHW, ZFW, ZFH, ZFHW };
constexpr int Count = FirstSum + 12;

// Index of the attribute column; order 'L' or 'D', position 1..7, letter one of "ABCDGHIJ".
constexpr int attribute(char order, int position, char letter) {
    constexpr char letters[] = "ABCDGHIJ";
    int li = 0;
    while (li < AttributeLetterCount && letters[li] != letter)
        ++li;
    const int oi = order == 'D' ? 1 : 0;
    return FirstAttribute + (oi * AttributeLetterCount + li) * 7 + (position - 1);
}

// Column name of an index ("QQH", "L1A", "ZFHW").
QString name(int index);
// Index of a column name, compared case-insensitively; -1 when it is not a stored draw column.
int indexOf(QStringView name);
// True for the 32-bit columns (period numbers); all others are 16-bit.
bool isWide(int index);

} // namespace DrawColumns

// One draw's stored values, indexed by DrawColumns.
using DrawValues = std::array<int, DrawColumns::Count>;

} // namespace talven
