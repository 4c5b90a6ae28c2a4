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

    // The bytes of the chain that starts at `start` in the given table, over sectors of `unit`
    // bytes read by `at`; none when the chain leaves the table or loops.
    template <typename At>
    std::optional<QByteArray> chain(quint32 start, const std::vector<quint32>& table, qsizetype unit,
                                    qsizetype limit, At at) const {
        QByteArray out;
        for (quint32 s = start; s != EndOfChain; s = table[s]) {
            if (s >= table.size() || out.size() >= limit + unit)
                return std::nullopt; // a broken or looping chain
            const qsizetype from = at(s);
            if (from < 0 || from + unit > m_file.size())
                return std::nullopt;
            out.append(m_file.constData() + from, unit);
        }
        return out;
    }

    // No chain is longer than the file, whatever its entry claims.
    std::optional<QByteArray> sectors(quint32 start, qint64 limit) const {
        return chain(start, m_fat, m_sectorSize, std::min<qint64>(limit, m_file.size()),
                     [this](quint32 s) { return valid(s) ? offset(s) : -1; });
    }

    std::optional<QByteArray> stream(QStringView name) const {
        const auto directory = sectors(u32(m_file, 0x30), m_file.size());
        if (!directory)
            return std::nullopt;
        std::optional<QByteArray> miniStream;
        quint32 wantedStart = 0;
        qint64 wantedSize = -1;
        for (qsizetype e = 0; e + EntrySize <= directory->size(); e += EntrySize) {
            const int type = quint8(directory->at(e + 0x42));
            const quint32 start = u32(*directory, e + 0x74);
            const qint64 size = u32(*directory, e + 0x78);
            if (type == RootEntry && !miniStream)
                miniStream = sectors(start, size).value_or(QByteArray());
            const int nameBytes = std::min<int>(u16(*directory, e + 0x40), 64);
            const QString entryName =
                QString::fromUtf16(reinterpret_cast<const char16_t*>(directory->constData() + e),
                                   std::max(0, nameBytes / 2 - 1));
            if (type == StreamEntry && wantedSize < 0 && entryName.compare(name, Qt::CaseInsensitive) == 0) {
                wantedStart = start;
                wantedSize = size;
            }
        }
        if (wantedSize < 0 || wantedSize > m_file.size())
            return std::nullopt;
        std::optional<QByteArray> bytes;
        if (wantedSize >= u32(m_file, 0x38)) {
            bytes = sectors(wantedStart, wantedSize);
        } else {
            // A small stream lives in the mini stream, in 64-byte sectors of its own table.
            const auto miniFat = sectors(u32(m_file, 0x3C), m_file.size());
            if (!miniStream || !miniFat)
                return std::nullopt;
            std::vector<quint32> table;
            for (qsizetype i = 0; i + 4 <= miniFat->size(); i += 4)
                table.push_back(u32(*miniFat, i));
            const QByteArray& mini = *miniStream;
            QByteArray out;
            for (quint32 s = wantedStart; s != EndOfChain; s = table[s]) {
                if (s >= table.size() || out.size() > wantedSize || (qsizetype(s) + 1) * 64 > mini.size())
                    return std::nullopt;
                out.append(mini.constData() + qsizetype(s) * 64, 64);
            }
            bytes = out;
        }
        if (!bytes || bytes->size() < wantedSize)
            return std::nullopt;
        bytes->truncate(wantedSize);
        return bytes;
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

} // namespace talven::CompoundFile
