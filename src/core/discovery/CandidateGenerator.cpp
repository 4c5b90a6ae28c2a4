#include "CandidateGenerator.h"

#include "formula/FormulaTranslation.h"
#include "lottery/DrawColumns.h"

using namespace Qt::StringLiterals;

namespace talven {

namespace {

enum Op { Add, Sub, Mul, Div, Mod, OpCount };

constexpr std::array<const char16_t*, OpCount> opTexts = {u" + ", u" - ", u" * ", u" / ", u" MOD "};

bool commutative(int op) {
    return op == Add || op == Mul;
}

bool additive(int op) {
    return op == Add || op == Sub;
}

bool multiplicative(int op) {
    return op == Mul || op == Div;
}

std::uint64_t mix(std::uint64_t x) {
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

// Terms are numbered: the vocabulary first, then the constants 1..MaxConstant.
struct Terms {
    int vocabulary;
    int count() const { return vocabulary + CandidateGenerator::MaxConstant; }
    bool constant(int t) const { return t >= vocabulary; }
    bool one(int t) const { return t == vocabulary; }
    QString text(int t) const {
        return constant(t) ? QString::number(t - vocabulary + 1)
                           : CandidateGenerator::vocabulary()[static_cast<qsizetype>(t)];
    }
};

Terms terms() {
    return {static_cast<int>(CandidateGenerator::vocabulary().size())};
}

// a op b as a form of its own: not two constants, the smaller term first where the order does not
// matter (so constants stand on the right), nothing multiplied, divided or reduced by 1.
bool pairAllowed(const Terms& t, int a, int op, int b) {
    if (a == b || (t.constant(a) && t.constant(b)))
        return false;
    if (commutative(op) && a > b)
        return false;
    return !(t.one(b) && (op == Mul || op == Div || op == Mod));
}

// Two constants in one chain of + and - (or of * and /) fold into one: x + 3 + 5 is x + 8.
bool constantsFold(const Terms& t, int a, int b, int c, int op1, int op2) {
    const int constants = int(t.constant(a)) + int(t.constant(b)) + int(t.constant(c));
    return constants >= 2 &&
           ((additive(op1) && additive(op2)) || (multiplicative(op1) && multiplicative(op2)));
}

QString joined(const Terms& t, int a, int op, int b) {
    return t.text(a) + QString::fromUtf16(opTexts[static_cast<size_t>(op)]) + t.text(b);
}

constexpr std::uint64_t pairCount(std::uint64_t terms) {
    return terms * OpCount * terms;
}

constexpr std::uint64_t tripleCount(std::uint64_t terms) {
    return 2 * pairCount(terms) * OpCount * terms;
}

constexpr int PairSlots = 7;
constexpr int TripleSlots = CandidateGenerator::BlockSize - 1 - PairSlots;

} // namespace

const QStringList& CandidateGenerator::vocabulary() {
    static const QStringList words = [] {
        QStringList w;
        for (int c = 0; c < DrawColumns::Count; ++c)
            w.append(DrawColumns::name(c));
        for (const Substitution& s : FormulaTranslation::expansionTable())
            w.append(s.search);
        return w;
    }();
    return words;
}

CandidateGenerator::Permutation::Permutation(std::uint64_t size, std::uint64_t key) : m_size(size) {
    int bits = 2;
    while ((std::uint64_t(1) << bits) < size)
        bits += 2;
    m_halfBits = bits / 2;
    m_mask = (std::uint64_t(1) << m_halfBits) - 1;
    for (size_t r = 0; r < m_keys.size(); ++r)
        m_keys[r] = mix(key + r);
}

std::uint64_t CandidateGenerator::Permutation::operator()(std::uint64_t index) const {
    // A bijection of the power-of-four domain, applied again until the value falls inside: that is
    // a bijection of 0..size-1.
    std::uint64_t x = index;
    do {
        std::uint64_t left = x >> m_halfBits;
        std::uint64_t right = x & m_mask;
        for (const std::uint64_t k : m_keys) {
            const std::uint64_t next = left ^ (mix(right ^ k) & m_mask);
            left = right;
            right = next;
        }
        x = (left << m_halfBits) | right;
    } while (x >= m_size);
    return x;
}

CandidateGenerator::CandidateGenerator(std::uint64_t seed)
    : m_order{Permutation(static_cast<std::uint64_t>(terms().vocabulary), mix(seed * 3)),
              Permutation(pairCount(terms().count()), mix(seed * 3 + 1)),
              Permutation(tripleCount(terms().count()), mix(seed * 3 + 2))} {}

std::int64_t CandidateGenerator::positionCount() {
    const auto n = static_cast<std::uint64_t>(terms().count());
    const std::uint64_t blocks =
        std::max({static_cast<std::uint64_t>(terms().vocabulary), (pairCount(n) + PairSlots - 1) / PairSlots,
                  (tripleCount(n) + TripleSlots - 1) / TripleSlots});
    return static_cast<std::int64_t>(blocks * BlockSize);
}

QString CandidateGenerator::at(std::int64_t position) const {
    if (position < 0)
        return {};
    const Terms t = terms();
    const auto n = static_cast<std::uint64_t>(t.count());
    const auto block = static_cast<std::uint64_t>(position / BlockSize);
    const int slot = static_cast<int>(position % BlockSize);
    if (slot == 0) {
        if (block >= static_cast<std::uint64_t>(t.vocabulary))
            return {};
        return t.text(static_cast<int>(m_order[0](block)));
    }
    if (slot <= PairSlots) {
        const std::uint64_t k = block * PairSlots + static_cast<std::uint64_t>(slot - 1);
        if (k >= pairCount(n))
            return {};
        std::uint64_t i = m_order[1](k);
        const int a = static_cast<int>(i % n);
        i /= n;
        const int op = static_cast<int>(i % OpCount);
        const int b = static_cast<int>(i / OpCount);
        return pairAllowed(t, a, op, b) ? joined(t, a, op, b) : QString();
    }
    const std::uint64_t k = block * TripleSlots + static_cast<std::uint64_t>(slot - 1 - PairSlots);
    if (k >= tripleCount(n))
        return {};
    std::uint64_t i = m_order[2](k);
    const bool outerFirst = i % 2 == 0; // (a op1 b) op2 c, else a op1 (b op2 c)
    i /= 2;
    const int a = static_cast<int>(i % n);
    i /= n;
    const int op1 = static_cast<int>(i % OpCount);
    i /= OpCount;
    const int b = static_cast<int>(i % n);
    i /= n;
    const int op2 = static_cast<int>(i % OpCount);
    const int c = static_cast<int>(i / OpCount);
    if (constantsFold(t, a, b, c, op1, op2))
        return {};
    if (outerFirst) {
        if (!pairAllowed(t, a, op1, b) || c == a || c == b)
            return {};
        if (t.one(c) && (op2 == Mul || op2 == Div || op2 == Mod))
            return {};
        // (a + b) + c in one order only.
        if (op1 == op2 && commutative(op1) && b > c)
            return {};
        return u"("_s + joined(t, a, op1, b) + u")"_s +
               QString::fromUtf16(opTexts[static_cast<size_t>(op2)]) + t.text(c);
    }
    if (!pairAllowed(t, b, op2, c) || a == b || a == c)
        return {};
    // a + (b op c) is (b op c) + a; a - (b + c) is (a - b) - c; a / (b * c) is (a / b) / c.
    if (commutative(op1) || (op1 == Sub && additive(op2)) || (op1 == Div && multiplicative(op2)))
        return {};
    return t.text(a) + QString::fromUtf16(opTexts[static_cast<size_t>(op1)]) + u"("_s + joined(t, b, op2, c) +
           u")"_s;
}

} // namespace talven
