#include "DrawColumns.h"

#include <QHash>

namespace talven::DrawColumns {

namespace {

const std::array<QString, Count>& names() {
    static const std::array<QString, Count> table = [] {
        std::array<QString, Count> t;
        const char* fixed[] = {"QQH", "QHH", "QHW", "SQQH", "SQHH", "SQHW"};
        for (int i = 0; i < FirstAttribute; ++i)
            t[i] = QString::fromLatin1(fixed[i]);
        const char letters[] = "ABCDGHIJ";
        for (char order : {'L', 'D'})
            for (int li = 0; li < AttributeLetterCount; ++li)
                for (int pos = 1; pos <= 7; ++pos)
                    t[attribute(order, pos, letters[li])] =
                        QString(QLatin1Char(order)) + QString::number(pos) + QLatin1Char(letters[li]);
        const char* sums[] = {"PH", "PF", "PHW", "PFW", "PFH", "PFHW",
                              "ZH", "ZF", "ZHW", "ZFW", "ZFH", "ZFHW"};
        for (int i = 0; i < 12; ++i)
            t[FirstSum + i] = QString::fromLatin1(sums[i]);
        return t;
    }();
    return table;
}

} // namespace

QString name(int index) {
    return index >= 0 && index < Count ? names()[index] : QString();
}

int indexOf(QStringView name) {
    static const QHash<QString, int> byName = [] {
        QHash<QString, int> h;
        for (int i = 0; i < Count; ++i)
            h.insert(names()[i].toUpper(), i);
        return h;
    }();
    return byName.value(name.toString().toUpper(), -1);
}

bool isWide(int index) {
    return index == QQH || index == SQQH;
}

} // namespace talven::DrawColumns
