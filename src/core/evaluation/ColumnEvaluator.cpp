#include "ColumnEvaluator.h"

#include "evaluation/Rounding.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

constexpr double Null = std::numeric_limits<double>::quiet_NaN();

enum class Fault { None, DivideByZero, Overflow, NotNumeric, UnknownColumn };

using Op = ExprNode::Op;

// Integers the bitwise operators accept: those a 64-bit integer holds exactly.
constexpr double IntegerLimit = 9.2e18;

bool toInteger(double v, std::int64_t& out) {
    const double r = roundHalfEven(v);
    if (!(std::fabs(r) < IntegerLimit))
        return false;
    out = static_cast<std::int64_t>(r);
    return true;
}

// The remainder of two integral values as fmod gives it (the dividend's sign), in integer arithmetic
// where both are exact integers: the same value, many times faster.
inline double integralRemainder(double a, double b) {
    constexpr double Small = 2147483647.0; // 32-bit division is the quicker one
    if (std::fabs(a) <= Small && std::fabs(b) <= Small)
        return static_cast<double>(static_cast<std::int32_t>(a) % static_cast<std::int32_t>(b));
    constexpr double Exact = 9007199254740992.0; // 2^53
    if (std::fabs(a) < Exact && std::fabs(b) < Exact)
        return static_cast<double>(static_cast<std::int64_t>(a) % static_cast<std::int64_t>(b));
    return std::fmod(a, b);
}

double truth(bool b) {
    return b ? -1.0 : 0.0;
}

// One operator of the dialect on two numbers; NaN is the empty value. Sets fault on failure.
template <Op op>
inline double apply(double a, double b, Fault& fault) {
    if constexpr (op == Op::Add)
        return a + b;
    else if constexpr (op == Op::Sub)
        return a - b;
    else if constexpr (op == Op::Mul)
        return a * b;
    else if constexpr (op == Op::Div) {
        if (std::isnan(a) || std::isnan(b))
            return Null;
        if (b == 0) {
            fault = Fault::DivideByZero;
            return Null;
        }
        return a / b;
    } else if constexpr (op == Op::IntDiv || op == Op::Mod) {
        if (std::isnan(a) || std::isnan(b))
            return Null;
        const double ra = roundHalfEven(a);
        const double rb = roundHalfEven(b);
        if (rb == 0) {
            fault = Fault::DivideByZero;
            return Null;
        }
        const double m = integralRemainder(ra, rb);
        if constexpr (op == Op::Mod)
            return m + 0.0; // no negative zero
        else
            return (ra - m) / rb + 0.0;
    } else if constexpr (op == Op::Eq || op == Op::Ne || op == Op::Lt || op == Op::Gt || op == Op::Le ||
                         op == Op::Ge) {
        if (std::isnan(a) || std::isnan(b))
            return Null;
        if constexpr (op == Op::Eq)
            return truth(a == b);
        else if constexpr (op == Op::Ne)
            return truth(a != b);
        else if constexpr (op == Op::Lt)
            return truth(a < b);
        else if constexpr (op == Op::Gt)
            return truth(a > b);
        else if constexpr (op == Op::Le)
            return truth(a <= b);
        else
            return truth(a >= b);
    } else {
        // AND, OR, XOR: an empty operand decides nothing unless the other one settles the result
        // (0 AND empty is 0, -1 OR empty is -1).
        std::int64_t x = 0, y = 0;
        const bool na = std::isnan(a), nb = std::isnan(b);
        if ((!na && !toInteger(a, x)) || (!nb && !toInteger(b, y))) {
            fault = Fault::Overflow;
            return Null;
        }
        if constexpr (op == Op::And) {
            if ((!na && x == 0) || (!nb && y == 0))
                return 0.0;
            return na || nb ? Null : static_cast<double>(x & y);
        } else if constexpr (op == Op::Or) {
            if ((!na && x == -1) || (!nb && y == -1))
                return -1.0;
            return na || nb ? Null : static_cast<double>(x | y);
        } else {
            return na || nb ? Null : static_cast<double>(x ^ y);
        }
    }
}

// The value of one node over the range: a constant, a column (history or computed), or texts.
struct Slot {
    enum class Kind { Scalar, Series, Text } kind = Kind::Scalar;
    double scalar = 0;
    const double* data = nullptr;
    std::vector<double> owned;                // Series computed here (data points into it)
    std::vector<std::optional<QString>> text; // Text; nullopt is empty (null)

    bool ownsData() const { return kind == Kind::Series && !owned.empty() && data == owned.data(); }
};

std::optional<double> numberOfText(const std::optional<QString>& t, bool& ok) {
    ok = true;
    if (!t)
        return Null;
    bool converted = false;
    const double v = t->trimmed().toDouble(&converted);
    if (!converted) {
        ok = false;
        return std::nullopt;
    }
    return v;
}

class Evaluation {
public:
    Evaluation(const HistoryColumns& columns, int first, int count)
        : m_columns(columns), m_first(first), m_count(count) {}

    Slot eval(const ExprNode& n);
    bool failed() const { return m_fault != Fault::None; }
    void fail(Fault f, int index) {
        if (m_fault == Fault::None) {
            m_fault = f;
            m_row = m_first + index;
        }
    }
    QString message() const;
    // Turns a text slot into numbers; fails on a text that is no number.
    void toNumbers(Slot& s);
    int count() const { return m_count; }

private:
    template <Op op>
    Slot binary(Slot a, Slot b);
    Slot dispatch(Op op, Slot a, Slot b);
    Slot concat(Slot a, Slot b);
    Slot unary(const ExprNode& n, Slot a);
    Slot series() {
        Slot s;
        s.kind = Slot::Kind::Series;
        s.owned.resize(static_cast<size_t>(m_count));
        s.data = s.owned.data();
        return s;
    }

    const HistoryColumns& m_columns;
    int m_first;
    int m_count;
    Fault m_fault = Fault::None;
    int m_row = -1;
    QString m_badText; // the text that could not become a number
};

Slot Evaluation::eval(const ExprNode& n) {
    switch (n.kind) {
    case ExprNode::Kind::Number: {
        Slot s;
        s.scalar = n.number;
        return s;
    }
    case ExprNode::Kind::Column: {
        if (n.column < 0 || n.column >= DrawColumns::Count) {
            fail(Fault::UnknownColumn, 0);
            return {};
        }
        Slot s;
        s.kind = Slot::Kind::Series;
        s.data = m_columns[static_cast<size_t>(n.column)].data() + m_first;
        return s;
    }
    case ExprNode::Kind::Negate:
    case ExprNode::Kind::Not:
        return unary(n, eval(*n.lhs));
    case ExprNode::Kind::Binary: {
        Slot a = eval(*n.lhs);
        if (failed())
            return {};
        Slot b = eval(*n.rhs);
        if (failed())
            return {};
        if (n.op == Op::Concat)
            return concat(std::move(a), std::move(b));
        toNumbers(a);
        toNumbers(b);
        if (failed())
            return {};
        return dispatch(n.op, std::move(a), std::move(b));
    }
    }
    return {};
}

Slot Evaluation::unary(const ExprNode& n, Slot a) {
    if (failed())
        return {};
    toNumbers(a);
    if (failed())
        return {};
    const bool negate = n.kind == ExprNode::Kind::Negate;
    Fault fault = Fault::None;
    const auto f = [negate, &fault](double x) {
        if (negate || std::isnan(x))
            return 0.0 - x;
        std::int64_t i = 0;
        if (!toInteger(x, i)) {
            fault = Fault::Overflow;
            return Null;
        }
        return static_cast<double>(~i);
    };
    if (a.kind == Slot::Kind::Scalar) {
        a.scalar = f(a.scalar);
        if (fault != Fault::None && m_count > 0)
            fail(fault, 0);
        return a;
    }
    const bool inPlace = a.ownsData();
    Slot out = inPlace ? std::move(a) : series();
    const double* src = inPlace ? out.data : a.data;
    double* dst = out.owned.data();
    for (int i = 0; i < m_count; ++i) {
        dst[i] = f(src[i]);
        if (fault != Fault::None) {
            fail(fault, i);
            return {};
        }
    }
    return out;
}

Slot Evaluation::dispatch(Op op, Slot a, Slot b) {
    switch (op) {
    case Op::Add:
        return binary<Op::Add>(std::move(a), std::move(b));
    case Op::Sub:
        return binary<Op::Sub>(std::move(a), std::move(b));
    case Op::Mul:
        return binary<Op::Mul>(std::move(a), std::move(b));
    case Op::Div:
        return binary<Op::Div>(std::move(a), std::move(b));
    case Op::IntDiv:
        return binary<Op::IntDiv>(std::move(a), std::move(b));
    case Op::Mod:
        return binary<Op::Mod>(std::move(a), std::move(b));
    case Op::Eq:
        return binary<Op::Eq>(std::move(a), std::move(b));
    case Op::Ne:
        return binary<Op::Ne>(std::move(a), std::move(b));
    case Op::Lt:
        return binary<Op::Lt>(std::move(a), std::move(b));
    case Op::Gt:
        return binary<Op::Gt>(std::move(a), std::move(b));
    case Op::Le:
        return binary<Op::Le>(std::move(a), std::move(b));
    case Op::Ge:
        return binary<Op::Ge>(std::move(a), std::move(b));
    case Op::And:
        return binary<Op::And>(std::move(a), std::move(b));
    case Op::Or:
        return binary<Op::Or>(std::move(a), std::move(b));
    case Op::Xor:
        return binary<Op::Xor>(std::move(a), std::move(b));
    case Op::Concat:
        break;
    }
    return {};
}

template <Op op>
Slot Evaluation::binary(Slot a, Slot b) {
    Fault fault = Fault::None;
    if (a.kind == Slot::Kind::Scalar && b.kind == Slot::Kind::Scalar) {
        a.scalar = apply<op>(a.scalar, b.scalar, fault);
        if (fault != Fault::None && m_count > 0)
            fail(fault, 0);
        return a;
    }
    // Operands as (pointer, step) so that constants and columns share one loop.
    const double* pa = a.kind == Slot::Kind::Scalar ? &a.scalar : a.data;
    const double* pb = b.kind == Slot::Kind::Scalar ? &b.scalar : b.data;
    const size_t sa = a.kind == Slot::Kind::Scalar ? 0 : 1;
    const size_t sb = b.kind == Slot::Kind::Scalar ? 0 : 1;
    // Write into an operand's own buffer when there is one; element i only reads element i.
    Slot out = a.ownsData() ? std::move(a) : b.ownsData() ? std::move(b) : series();
    double* dst = out.owned.data();
    for (int i = 0; i < m_count; ++i) {
        dst[i] = apply<op>(pa[i * sa], pb[i * sb], fault);
        if (fault != Fault::None) {
            fail(fault, i);
            return {};
        }
    }
    return out;
}

Slot Evaluation::concat(Slot a, Slot b) {
    // Each operand's text at row i; nullopt when empty.
    const auto textAt = [](const Slot& s, int i) -> std::optional<QString> {
        switch (s.kind) {
        case Slot::Kind::Scalar:
            return parameterText(s.scalar);
        case Slot::Kind::Series:
            if (std::isnan(s.data[i]))
                return std::nullopt;
            return parameterText(s.data[i]);
        case Slot::Kind::Text:
            return s.text[static_cast<size_t>(i)];
        }
        return std::nullopt;
    };
    Slot out;
    out.kind = Slot::Kind::Text;
    out.text.resize(static_cast<size_t>(m_count));
    for (int i = 0; i < m_count; ++i) {
        std::optional<QString> x = textAt(a, i);
        std::optional<QString> y = textAt(b, i);
        // An empty operand counts as empty text; only two empty operands stay empty.
        if (x || y)
            out.text[static_cast<size_t>(i)] = x.value_or(QString()) + y.value_or(QString());
    }
    return out;
}

void Evaluation::toNumbers(Slot& s) {
    if (s.kind != Slot::Kind::Text || failed())
        return;
    std::vector<double> values(static_cast<size_t>(m_count));
    for (int i = 0; i < m_count; ++i) {
        bool ok = true;
        const std::optional<double> v = numberOfText(s.text[static_cast<size_t>(i)], ok);
        if (!ok) {
            m_badText = *s.text[static_cast<size_t>(i)];
            fail(Fault::NotNumeric, i);
            return;
        }
        values[static_cast<size_t>(i)] = *v;
    }
    s.kind = Slot::Kind::Series;
    s.text.clear();
    s.owned = std::move(values);
    s.data = s.owned.data();
}

QString Evaluation::message() const {
    if (m_fault == Fault::UnknownColumn)
        return u"公式引用了历史表中没有的列"_s;
    const std::vector<double>& periods = m_columns[DrawColumns::QQH];
    const QString period = m_row >= 0 && static_cast<size_t>(m_row) < periods.size()
                               ? parameterText(periods[static_cast<size_t>(m_row)])
                               : QString();
    const QString where = u"第"_s + period + u"期"_s;
    switch (m_fault) {
    case Fault::DivideByZero:
        return where + u"除数为零"_s;
    case Fault::Overflow:
        return where + u"计算结果溢出"_s;
    case Fault::NotNumeric:
        return where + u"的值“"_s + m_badText + u"”不是数字"_s;
    default:
        return {};
    }
}

} // namespace

QString parameterText(double value) {
    if (std::isnan(value))
        return {};
    if (value == std::trunc(value) && std::fabs(value) < 1e15)
        return QString::number(static_cast<qint64>(value));
    return QString::number(value, 'g', 15);
}

Result<void> ColumnEvaluator::evaluate(const ExprNode& root, int first, int count, double* out) const {
    Evaluation e(m_columns, first, count);
    Slot s = e.eval(root);
    e.toNumbers(s);
    if (!e.failed()) {
        for (int i = 0; i < count; ++i) {
            const double v = s.kind == Slot::Kind::Scalar ? s.scalar : s.data[i];
            // A parameter beyond the range of numbers (a huge product) cannot be stored or reduced.
            if (std::isinf(v)) {
                e.fail(Fault::Overflow, i);
                break;
            }
            out[i] = v;
        }
    }
    if (e.failed())
        return Error{e.message(), ErrorCode::Failed};
    return {};
}

} // namespace talven
