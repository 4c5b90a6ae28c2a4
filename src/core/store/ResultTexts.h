#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <string>
#include <string_view>
#include <unordered_map>

namespace talven {

// The predicted-value texts of the history tables, each kept once and named by a small id
// (0 = empty), so that the results of 1,536 formulas over 5,000 draws take two bytes a cell and
// stored and wanted results compare as numbers.
class ResultTexts {
public:
    // Stands for every text beyond the id range; it equals no text the back-test produces, so
    // such a stored value is always rewritten.
    static constexpr quint16 OtherId = 0xffff;

    quint16 idOf(const QString& text);
    // The id of a text read from the tables. Stored texts take at most part of the id range, so
    // that a damaged table full of odd texts leaves room for every text the back-test makes.
    quint16 idOfStored(std::string_view utf8);
    const QString& text(quint16 id) const;
    // The same text, ready for binding.
    const QByteArray& utf8(quint16 id) const;

private:
    struct Utf8Hash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    QStringList m_texts{QString()};
    QList<QByteArray> m_utf8{QByteArray()};
    std::unordered_map<std::string, quint16, Utf8Hash, std::equal_to<>> m_idsByUtf8;
    QHash<QString, quint16> m_ids;
};

} // namespace talven
