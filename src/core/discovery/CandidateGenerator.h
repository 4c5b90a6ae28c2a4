#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>

namespace talven {

// The candidate formulas of a search: code texts over the vocabulary of the formula language (the
// stored draw columns and the derived codes), joined by + - * / MOD with the constants 1 to 12, at
// most three terms and no term twice. A seed orders them: position p always gives the same text,
// no two positions give the same text, and a position that would repeat another form (b + a after
// a + b, x * 1, two constants joined) gives none. One position in twenty takes a single term, seven
// a pair and twelve a triple, so that every size is tried from the start.
class CandidateGenerator {
public:
    static constexpr int MaxConstant = 12;
    static constexpr int BlockSize = 20;

    explicit CandidateGenerator(std::uint64_t seed);

    // The candidate at a position; empty when the position gives none.
    QString at(std::int64_t position) const;
    // Positions beyond this one give no candidates.
    static std::int64_t positionCount();
    // The stored columns, then the derived codes.
    static const QStringList& vocabulary();

private:
    // A seeded permutation of 0..size-1 (a Feistel network, walked back into range).
    class Permutation {
    public:
        Permutation(std::uint64_t size, std::uint64_t key);
        std::uint64_t operator()(std::uint64_t index) const;

    private:
        std::uint64_t m_size;
        int m_halfBits = 1;
        std::uint64_t m_mask = 1;
        std::array<std::uint64_t, 4> m_keys{};
    };

    std::array<Permutation, 3> m_order; // singles, pairs, triples
};

} // namespace talven
