#include "XlsWriter.h"

#include <QDate>
#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace {

class Bytes {
public:
    QByteArray data;
    void u8(int v) { data.append(char(v)); }
    void u16(int v) {
        char b[2];
        qToLittleEndian<quint16>(quint16(v), b);
        data.append(b, 2);
    }
    void u32(quint32 v) {
        char b[4];
        qToLittleEndian<quint32>(v, b);
        data.append(b, 4);
    }
    void f64(double v) {
        quint64 bits;
        std::memcpy(&bits, &v, 8);
        char b[8];
        qToLittleEndian<quint64>(bits, b);
        data.append(b, 8);
    }
    void utf16(const QString& s) {
        for (QChar c : s)
            u16(c.unicode());
    }
    void record(int type, const QByteArray& body) {
        Q_ASSERT(body.size() <= 8224); // no CONTINUE records: the tests' strings are short
        u16(type);
        u16(int(body.size()));
        data.append(body);
    }
};

QByteArray bof(int kind) {
    Bytes b;
    b.u16(0x0600); // BIFF8
    b.u16(kind);   // 0x0005 workbook globals, 0x0010 worksheet
    b.u16(0x0DBB);
    b.u16(0x07CC);
    b.u32(0);
    b.u32(6);
    return b.data;
}

QByteArray xf(int format, bool style) {
    Bytes b;
    b.u16(0); // font
    b.u16(format);
    b.u16(style ? 0xFFF5 : 0x0001);
    b.u16(0x0020);
    b.u16(0);
    b.u32(0);
    b.u32(0);
    b.u16(0x20C0);
    return b.data;
}

constexpr int TextXf = 15;
constexpr int DateXf = 16;

QByteArray worksheet(const XlsSheet& sheet, QStringList& strings) {
    Bytes b;
    b.record(0x0809, bof(0x0010));
    int columns = 0;
    for (const QVariantList& row : sheet.rows)
        columns = std::max(columns, int(row.size()));
    Bytes dimension;
    dimension.u32(0);
    dimension.u32(quint32(sheet.declaredRows ? sheet.declaredRows : sheet.rows.size()));
    dimension.u16(0);
    dimension.u16(sheet.declaredColumns ? sheet.declaredColumns : columns);
    dimension.u16(0);
    b.record(0x0200, dimension.data);
    for (int r = 0; r < sheet.rows.size(); ++r)
        for (int c = 0; c < sheet.rows[r].size(); ++c) {
            const QVariant& v = sheet.rows[r][c];
            if (v.isNull())
                continue;
            Bytes cell;
            cell.u16(r);
            cell.u16(c);
            if (v.typeId() == QMetaType::QString) {
                cell.u16(TextXf);
                qsizetype index = strings.indexOf(v.toString());
                if (index < 0) {
                    index = strings.size();
                    strings.append(v.toString());
                }
                cell.u32(quint32(index));
                b.record(0x00FD, cell.data); // LABELSST
            } else if (v.typeId() == QMetaType::QDate) {
                cell.u16(DateXf);
                cell.f64(double(QDate(1899, 12, 30).daysTo(v.toDate())));
                b.record(0x0203, cell.data); // NUMBER
            } else {
                cell.u16(TextXf);
                cell.f64(v.toDouble());
                b.record(0x0203, cell.data);
            }
        }
    b.record(0x000A, {});
    return b.data;
}

// The globals before the sheets, with the sheets' stream offsets as given.
QByteArray globals(const QList<XlsSheet>& sheets, const QList<quint32>& offsets, const QStringList& strings) {
    Bytes b;
    b.record(0x0809, bof(0x0005));
    Bytes codepage;
    codepage.u16(1200); // UTF-16
    b.record(0x0042, codepage.data);
    Bytes datemode;
    datemode.u16(0);
    b.record(0x0022, datemode.data);
    Bytes font;
    font.u16(200);
    font.u16(0);
    font.u16(0x7FFF);
    font.u16(400);
    font.u16(0);
    font.u8(0);
    font.u8(0);
    font.u8(0);
    font.u8(0);
    font.u8(5);
    font.u8(1);
    font.utf16(QStringLiteral("Arial"));
    b.record(0x0031, font.data);
    for (int i = 0; i < 15; ++i)
        b.record(0x00E0, xf(0, true));
    b.record(0x00E0, xf(0, false));  // TextXf
    b.record(0x00E0, xf(14, false)); // DateXf: the built-in short date
    for (int i = 0; i < sheets.size(); ++i) {
        Bytes sheet;
        sheet.u32(offsets.value(i));
        sheet.u8(0);
        sheet.u8(0);
        sheet.u8(int(sheets[i].name.size()));
        sheet.u8(1);
        sheet.utf16(sheets[i].name);
        b.record(0x0085, sheet.data);
    }
    Bytes sst;
    sst.u32(quint32(strings.size()));
    sst.u32(quint32(strings.size()));
    for (const QString& s : strings) {
        sst.u16(int(s.size()));
        sst.u8(1);
        sst.utf16(s);
    }
    b.record(0x00FC, sst.data);
    b.record(0x000A, {});
    return b.data;
}

QByteArray biff(const QList<XlsSheet>& sheets) {
    QStringList strings;
    QList<QByteArray> bodies;
    for (const XlsSheet& sheet : sheets)
        bodies.append(worksheet(sheet, strings));
    quint32 offset = quint32(globals(sheets, QList<quint32>(sheets.size()), strings).size());
    QList<quint32> offsets;
    for (const QByteArray& body : bodies) {
        offsets.append(offset);
        offset += quint32(body.size());
    }
    QByteArray stream = globals(sheets, offsets, strings);
    for (const QByteArray& body : bodies)
        stream.append(body);
    return stream;
}

constexpr quint32 Free = 0xFFFFFFFF;
constexpr quint32 EndOfChain = 0xFFFFFFFE;
constexpr quint32 FatSector = 0xFFFFFFFD;

void directoryEntry(Bytes& out, const QString& name, int type, quint32 child, quint32 start, quint32 size) {
    const qsizetype begin = out.data.size();
    out.utf16(name);
    out.data.append(QByteArray(64 - (out.data.size() - begin), '\0'));
    out.u16(name.isEmpty() ? 0 : int(name.size() + 1) * 2);
    out.u8(type);
    out.u8(1); // black
    out.u32(Free);
    out.u32(Free);
    out.u32(child);
    out.data.append(QByteArray(16 + 4 + 16, '\0'));
    out.u32(start);
    out.u32(size);
    out.u32(0);
}

} // namespace

QByteArray xlsWorkbook(const QList<XlsSheet>& sheets, const QString& streamName) {
    QByteArray stream = biff(sheets);
    const quint32 size = quint32(stream.size());
    // Streams under 4096 bytes would live in the mini stream; padding keeps this one in sectors.
    stream.append(QByteArray(std::max<qsizetype>(0, 4096 - stream.size()), '\0'));
    stream.append(QByteArray((512 - stream.size() % 512) % 512, '\0'));
    const quint32 streamSectors = quint32(stream.size() / 512);
    quint32 fatSectors = 1;
    while (fatSectors * 128 < fatSectors + streamSectors + 1)
        ++fatSectors;
    const quint32 directorySector = fatSectors + streamSectors;

    Bytes file;
    file.data.append("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    file.data.append(QByteArray(16, '\0'));
    file.u16(0x003E);
    file.u16(0x0003);
    file.u16(0xFFFE);
    file.u16(9);
    file.u16(6);
    file.data.append(QByteArray(6, '\0'));
    file.u32(0);
    file.u32(fatSectors);
    file.u32(directorySector);
    file.u32(0);
    file.u32(4096);
    file.u32(EndOfChain);
    file.u32(0);
    file.u32(EndOfChain);
    file.u32(0);
    for (quint32 i = 0; i < 109; ++i)
        file.u32(i < fatSectors ? i : Free);

    Bytes fat;
    for (quint32 i = 0; i < fatSectors; ++i)
        fat.u32(FatSector);
    for (quint32 i = 0; i < streamSectors; ++i)
        fat.u32(i + 1 == streamSectors ? EndOfChain : fatSectors + i + 1);
    fat.u32(EndOfChain); // the directory
    while (fat.data.size() < qsizetype(fatSectors) * 512)
        fat.u32(Free);
    file.data.append(fat.data);
    file.data.append(stream);

    Bytes directory;
    directoryEntry(directory, QStringLiteral("Root Entry"), 5, 1, EndOfChain, 0);
    directoryEntry(directory, streamName, 2, Free, fatSectors, std::max<quint32>(size, 4096));
    directoryEntry(directory, QString(), 0, Free, 0, 0);
    directoryEntry(directory, QString(), 0, Free, 0, 0);
    file.data.append(directory.data);
    return file.data;
}
