#include "history/BiffStream.h"

#include "history/CompoundFile.h"

#include <QDate>
#include <QSet>
#include <QtEndian>

#include <cmath>
#include <cstring>

using namespace Qt::StringLiterals;

namespace talven::BiffStream {

namespace {

constexpr quint16 Bof = 0x0809;
constexpr quint16 Eof = 0x000A;
constexpr quint16 DateMode = 0x0022;
constexpr quint16 Format = 0x041E;
constexpr quint16 Xf = 0x00E0;
constexpr quint16 BoundSheet = 0x0085;
constexpr quint16 Number = 0x0203;
constexpr quint16 Rk = 0x027E;
constexpr quint16 MulRk = 0x00BD;
constexpr quint16 FormulaCell = 0x0006;
constexpr quint16 Dimension = 0x0200;
constexpr quint16 Biff8 = 0x0600;

quint16 u16(const char* p) {
    return qFromLittleEndian<quint16>(p);
}

quint32 u32(const char* p) {
    return qFromLittleEndian<quint32>(p);
}

double rkValue(quint32 rk) {
    double value = 0;
    if (rk & 0x02) {
        value = double(qint32(rk) >> 2);
    } else {
        const quint64 bits = quint64(rk & 0xFFFFFFFC) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return (rk & 0x01) ? value / 100 : value;
}

// A BIFF8 string: 8-bit or 16-bit characters by the flags byte; none when it runs past the end.
std::optional<QString> biffString(const char* p, const char* end, int length) {
    if (p >= end)
        return std::nullopt;
    const bool wide = quint8(*p) & 0x01;
    if (quint8(*p) & 0x0C)
        return std::nullopt; // rich text or phonetic runs: not in the formats read here
    ++p;
    if (p + qsizetype(length) * (wide ? 2 : 1) > end)
        return std::nullopt;
    if (!wide)
        return QString::fromLatin1(p, length);
    QString text(length, Qt::Uninitialized);
    for (int i = 0; i < length; ++i)
        text[i] = QChar(u16(p + 2 * i));
    return text;
}

struct Record {
    quint16 type;
    const char* data;
    quint16 length;
    qsizetype at; // of the record's header in the stream
};

// Calls fn for every record of the stream; stops at a record that runs past the end.
template <typename Fn>
void records(const QByteArray& stream, Fn fn) {
    for (qsizetype at = 0; at + 4 <= stream.size();) {
        const quint16 length = u16(stream.constData() + at + 2);
        if (at + 4 + length > stream.size())
            return;
        if (!fn(Record{u16(stream.constData() + at), stream.constData() + at + 4, length, at}))
            return;
        at += 4 + length;
    }
}

} // namespace

std::optional<QByteArray> workbook(const QByteArray& file) {
    if (auto stream = CompoundFile::stream(file, u"Workbook"))
        return stream;
    return CompoundFile::stream(file, u"Book");
}

qint64 declaredCells(const QByteArray& stream) {
    qint64 cells = 0;
    records(stream, [&cells](const Record& r) {
        if (r.type == Dimension && r.length >= 14) // rows as 32 bits
            cells += qint64(u32(r.data + 4)) * u16(r.data + 10);
        else if (r.type == Dimension && r.length >= 10)
            cells += qint64(u16(r.data + 2)) * u16(r.data + 6);
        return true;
    });
    return cells;
}

QString dayText(double serial, bool from1904) {
    // Below the first day the library writes the first day; past 9999 it is no day we write.
    const qint64 day = std::isfinite(serial) ? qint64(std::floor(std::max(serial, 1.0))) : 1;
    if (from1904)
        return day > 2957003 ? QString() : QDate(1904, 1, 1).addDays(day).toString(u"yyyy-MM-dd"_s);
    if (day == 60)
        return u"1900-02-29"_s; // the day the 1900 system counts although it never was
    if (day > 2958465)
        return QString();
    return QDate(1899, 12, day < 60 ? 31 : 30).addDays(day).toString(u"yyyy-MM-dd"_s);
}

bool isDateFormat(int id, const QString& custom) {
    if (custom.isNull())
        return (id >= 14 && id <= 17) || id == 22;
    // What is quoted, bracketed or escaped is shown as it is, not read as a part of a date.
    QString parts;
    for (qsizetype i = 0; i < custom.size(); ++i) {
        const QChar c = custom[i];
        if (c == u'"') {
            const qsizetype close = custom.indexOf(u'"', i + 1);
            if (close < 0)
                return false;
            i = close;
        } else if (c == u'[') {
            const qsizetype close = custom.indexOf(u']', i + 1);
            if (close < 0)
                return false;
            i = close;
        } else if (c == u'\\' || c == u'_' || c == u'*') {
            ++i;
        } else {
            parts += c.toLower();
        }
    }
    return parts.contains(u'y') && parts.contains(u'm') && parts.contains(u'd') && !parts.contains(u'h') &&
           !parts.contains(u's');
}

std::optional<Plan> plan(const QByteArray& file, const QByteArray& stream) {
    const auto layout = CompoundFile::layout(file, u"Workbook");
    if (!layout)
        return std::nullopt;

    // The workbook's globals: the day system, the formats, the cell styles and the sheets.
    bool from1904 = false;
    bool ok = true;
    QHash<int, QString> customs;
    QList<int> xfFormats;
    QList<qsizetype> xfFormatAt; // where each style's format number lies in the stream
    QHash<qsizetype, QString> sheetAt;
    QSet<QString> names;
    records(stream, [&](const Record& r) {
        if (r.at == 0 && (r.type != Bof || r.length < 4 || u16(r.data) != Biff8))
            return ok = false;
        if (r.type == Eof)
            return false;
        if (r.type == DateMode && r.length >= 2) {
            from1904 = u16(r.data) == 1;
        } else if (r.type == Format && r.length >= 5) {
            const auto text = biffString(r.data + 4, r.data + r.length, u16(r.data + 2));
            customs.insert(u16(r.data), text.value_or(u"\"\""_s)); // unreadable: taken as no date
        } else if (r.type == Xf && r.length >= 4) {
            xfFormats.append(u16(r.data + 2));
            xfFormatAt.append(r.at + 4 + 2);
        } else if (r.type == BoundSheet && r.length >= 8) {
            const auto name = biffString(r.data + 7, r.data + r.length, quint8(r.data[6]));
            if (!name || names.contains(*name))
                return ok = false;
            names.insert(*name);
            sheetAt.insert(u32(r.data), *name);
        }
        return true;
    });
    if (!ok)
        return std::nullopt;
    QSet<int> dateXfs;
    for (qsizetype i = 0; i < xfFormats.size(); ++i) {
        const int id = xfFormats[i];
        if (isDateFormat(id, customs.value(id))) // a null text where no format record names it
            dateXfs.insert(int(i));
    }
    if (dateXfs.isEmpty())
        return std::nullopt; // nothing the library would be slow at
    Plan plan;

    // The sheets' numeric cells in a date style.
    QString sheet;
    bool inSheet = false;
    records(stream, [&](const Record& r) {
        if (r.type == Bof) {
            inSheet = sheetAt.contains(r.at);
            sheet = sheetAt.value(r.at);
            return true;
        }
        if (!inSheet)
            return true;
        const auto add = [&](quint16 row, quint16 column, double serial) {
            plan.dates[sheet].insert(quint32(row) << 16 | column, dayText(serial, from1904));
        };
        if (r.type == Number && r.length >= 14 && dateXfs.contains(u16(r.data + 4))) {
            double value = 0;
            const quint64 bits = qFromLittleEndian<quint64>(r.data + 6);
            std::memcpy(&value, &bits, sizeof value);
            add(u16(r.data), u16(r.data + 2), value);
        } else if (r.type == Rk && r.length >= 10 && dateXfs.contains(u16(r.data + 4))) {
            add(u16(r.data), u16(r.data + 2), rkValue(u32(r.data + 6)));
        } else if (r.type == MulRk && r.length >= 6) {
            const int count = (r.length - 6) / 6;
            for (int i = 0; i < count; ++i)
                if (dateXfs.contains(u16(r.data + 4 + 6 * i)))
                    add(u16(r.data), quint16(u16(r.data + 2) + i), rkValue(u32(r.data + 6 + 6 * i)));
        } else if (r.type == FormulaCell && r.length >= 6 && dateXfs.contains(u16(r.data + 4))) {
            ok = false; // a formula's date is left to the library
            return false;
        }
        return true;
    });
    if (!ok)
        return std::nullopt;

    plan.patched = file;
    for (int xf : dateXfs) {
        const qsizetype at = layout->fileOffset(xfFormatAt[xf]);
        const qsizetype next = layout->fileOffset(xfFormatAt[xf] + 1);
        if (at < 0 || next < 0)
            return std::nullopt;
        plan.patched[at] = 0; // General
        plan.patched[next] = 0;
    }
    return plan;
}

} // namespace talven::BiffStream
