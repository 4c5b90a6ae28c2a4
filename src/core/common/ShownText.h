#pragma once

#include <QString>

namespace talven {

// Text from outside (a file name, a line of a file) as a message may quote it: control, bidi and
// zero-width characters are written as escapes ("\u202E"), so they can neither hide nor reorder
// the words around them.
inline QString shownText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool hidden = u < 0x20 || (u >= 0x7F && u < 0xA0) || u == 0x2028 || u == 0x2029 ||
                            c.category() == QChar::Other_Format;
        if (!hidden) {
            out += c;
            continue;
        }
        QString hex = QString::number(u, 16).toUpper();
        out += QStringLiteral("\\u") + QString(4 - hex.size(), QLatin1Char('0')) + hex;
    }
    return out;
}

} // namespace talven
