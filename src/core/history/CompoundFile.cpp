#include "history/CompoundFile.h"

#include <QtEndian>

#include <vector>

namespace talven::CompoundFile {

namespace {

constexpr quint32 EndOfChain = 0xFFFFFFFE;
constexpr qsizetype HeaderSize = 512;
constexpr qsizetype EntrySize = 128;
constexpr int StreamEntry = 2;
constexpr int RootEntry = 5;

quint32 u32(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<quint32>(b.constData() + at);
}

quint16 u16(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<quint16>(b.constData() + at);
}

class Reader {
public:
    explicit Reader(const QByteArray& file) : m_file(file) {}

    bool open() {
        if (m_file.size() < HeaderSize || !m_file.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"))
            return false;
        const int shift = u16(m_file, 0x1E);
        if (shift != 9 && shift != 12)
            return false;
        m_sectorSize = qsizetype(1) << shift;
        m_sectorCount = (m_file.size() - m_sectorSize) / m_sectorSize; // whole sectors only
        // The sectors of the allocation table: 109 in the header, the rest in a chain of their own.
        std::vector<quint32> fatSectors;
        for (int i = 0; i < 109; ++i)
            fatSectors.push_back(u32(m_file, 0x4C + 4 * i));
        quint32 more = u32(m_file, 0x44);
        for (qsizetype guard = 0; more < EndOfChain - 2 && guard < m_sectorCount; ++guard) {
            if (!valid(more))
                return false;
            const qsizetype at = offset(more);
            for (qsizetype i = 0; i + 1 < m_sectorSize / 4; ++i)
                fatSectors.push_back(u32(m_file, at + 4 * i));
            more = u32(m_file, at + m_sectorSize - 4);
        }
        // As many as the header counts, in order: a gap would shift every later chain.
        const qsizetype fatCount = u32(m_file, 0x2C);
        for (qsizetype i = 0; i < fatCount && i < qsizetype(fatSectors.size()); ++i) {
            const quint32 sector = fatSectors[size_t(i)];
            if (!valid(sector))
                return false;
            const qsizetype at = offset(sector);
            for (qsizetype j = 0; j < m_sectorSize / 4; ++j)
                m_fat.push_back(u32(m_file, at + 4 * j));
        }
        return true;
    }

    // Where the sectors of the chain that starts at `start` lie in the file, in order; none when
    // the chain leaves the file or loops. No chain is longer than the file, whatever an entry claims.
    std::optional<std::vector<qsizetype>> chain(quint32 start, qint64 limit) const {
        limit = std::min<qint64>(limit, m_file.size());
        std::vector<qsizetype> out;
        for (quint32 s = start; s != EndOfChain; s = m_fat[s]) {
            if (s >= m_fat.size() || !valid(s) || qint64(out.size()) * m_sectorSize >= limit + m_sectorSize)
                return std::nullopt;
            out.push_back(offset(s));
        }
        return out;
    }

    std::optional<QByteArray> sectors(quint32 start, qint64 limit) const {
        const auto at = chain(start, limit);
        if (!at)
            return std::nullopt;
        QByteArray out;
        for (qsizetype from : *at)
            out.append(m_file.constData() + from, m_sectorSize);
        return out;
    }

    struct Entry {
        quint32 start = 0;
        qint64 size = -1;
        std::optional<QByteArray> miniStream;
    };

    std::optional<Entry> entry(QStringView name) const {
        const auto directory = sectors(u32(m_file, 0x30), m_file.size());
        if (!directory)
            return std::nullopt;
        Entry found;
        for (qsizetype e = 0; e + EntrySize <= directory->size(); e += EntrySize) {
            const int type = quint8(directory->at(e + 0x42));
            const quint32 start = u32(*directory, e + 0x74);
            const qint64 size = u32(*directory, e + 0x78);
            if (type == RootEntry && !found.miniStream)
                found.miniStream = sectors(start, size).value_or(QByteArray());
            const int nameBytes = std::min<int>(u16(*directory, e + 0x40), 64);
            const QString entryName =
                QString::fromUtf16(reinterpret_cast<const char16_t*>(directory->constData() + e),
                                   std::max(0, nameBytes / 2 - 1));
            if (type == StreamEntry && found.size < 0 && entryName.compare(name, Qt::CaseInsensitive) == 0) {
                found.start = start;
                found.size = size;
            }
        }
        if (found.size < 0 || found.size > m_file.size())
            return std::nullopt;
        return found;
    }

    bool inSectors(const Entry& e) const { return e.size >= u32(m_file, 0x38); }

    std::optional<QByteArray> stream(QStringView name) const {
        const auto found = entry(name);
        if (!found)
            return std::nullopt;
        std::optional<QByteArray> bytes;
        if (inSectors(*found)) {
            bytes = sectors(found->start, found->size);
        } else {
            // A small stream lives in the mini stream, in 64-byte sectors of its own table.
            const auto miniFat = sectors(u32(m_file, 0x3C), m_file.size());
            if (!found->miniStream || !miniFat)
                return std::nullopt;
            std::vector<quint32> table;
            for (qsizetype i = 0; i + 4 <= miniFat->size(); i += 4)
                table.push_back(u32(*miniFat, i));
            const QByteArray& mini = *found->miniStream;
            QByteArray out;
            for (quint32 s = found->start; s != EndOfChain; s = table[s]) {
                if (s >= table.size() || out.size() > found->size || (qsizetype(s) + 1) * 64 > mini.size())
                    return std::nullopt;
                out.append(mini.constData() + qsizetype(s) * 64, 64);
            }
            bytes = out;
        }
        if (!bytes || bytes->size() < found->size)
            return std::nullopt;
        bytes->truncate(found->size);
        return bytes;
    }

    std::optional<Layout> layout(QStringView name) const {
        const auto found = entry(name);
        if (!found || !inSectors(*found))
            return std::nullopt;
        const auto at = chain(found->start, found->size);
        if (!at || qint64(at->size()) * m_sectorSize < found->size)
            return std::nullopt;
        return Layout{m_sectorSize, QList<qsizetype>(at->begin(), at->end())};
    }

private:
    bool valid(quint32 sector) const { return sector < m_sectorCount; }
    qsizetype offset(quint32 sector) const { return m_sectorSize * (qsizetype(sector) + 1); }

    const QByteArray& m_file;
    qsizetype m_sectorSize = 512;
    qsizetype m_sectorCount = 0;
    std::vector<quint32> m_fat;
};

} // namespace

std::optional<QByteArray> stream(const QByteArray& file, QStringView name) {
    Reader reader(file);
    if (!reader.open())
        return std::nullopt;
    return reader.stream(name);
}

std::optional<Layout> layout(const QByteArray& file, QStringView name) {
    Reader reader(file);
    if (!reader.open())
        return std::nullopt;
    return reader.layout(name);
}

qsizetype Layout::fileOffset(qsizetype at) const {
    const qsizetype piece = at / unit;
    return piece < offsets.size() ? offsets[piece] + at % unit : -1;
}

} // namespace talven::CompoundFile
