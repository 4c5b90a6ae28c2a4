#include "Expression.h"

#include "lottery/DrawColumns.h"

#include <array>
#include <cmath>
#include <string>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

enum class Tok {
    End,
    Number,
    Name,    // bare or bracketed column name
    Keyword, // MOD AND OR XOR NOT TRUE FALSE
    LParen,
    RParen,
    Plus,
    Minus,
    Star,
    Slash,
    Backslash,
    Amp,
    Eq,
    Ne,
    Lt,
    Gt,
    Le,
    Ge,
    Bad, // a character the dialect does not know
};

enum class Kw { None, Mod, And, Or, Xor, Not, True, False };

struct Token {
    Tok type = Tok::End;
    int pos = 0; // character offset in the text
    int len = 0;
    Kw keyword = Kw::None;
    double number = 0;
    int column = -1;
    bool bracketed = false;
    bool unclosed = false; // bracketed name without its "]"
};

struct KeywordRow {
    QLatin1StringView text;
    Kw keyword;
};

constexpr std::array<KeywordRow, 7> keywords = {{
    {"MOD"_L1, Kw::Mod},
    {"AND"_L1, Kw::And},
    {"OR"_L1, Kw::Or},
    {"XOR"_L1, Kw::Xor},
    {"NOT"_L1, Kw::Not},
    {"TRUE"_L1, Kw::True},
    {"FALSE"_L1, Kw::False},
}};

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Bare names start with a letter or "_"; Chinese characters count as letters so that a term left
// untranslated is reported as one unknown name rather than character by character.
bool isNameStart(QChar c) {
    return c == u'_' || c.isLetter();
}

bool isNamePart(QChar c) {
    return isNameStart(c) || isDigit(c) || c.isMark();
}

class Lexer {
public:
    explicit Lexer(QStringView text) : m_text(text) {}

    Token next() {
        while (m_pos < m_text.size() && isBlank(m_text[m_pos]))
            ++m_pos;
        Token t;
        t.pos = static_cast<int>(m_pos);
        if (m_pos >= m_text.size())
            return t;
        const QChar c = m_text[m_pos];
        if (isDigit(c) || (c == u'.' && m_pos + 1 < m_text.size() && isDigit(m_text[m_pos + 1])))
            return number(t);
        if (isNameStart(c))
            return bareName(t);
        if (c == u'[')
            return bracketName(t);
        t.len = 1;
        switch (c.unicode()) {
        case u'(':
            t.type = Tok::LParen;
            break;
        case u')':
            t.type = Tok::RParen;
            break;
        case u'+':
            t.type = Tok::Plus;
            break;
        case u'-':
            t.type = Tok::Minus;
            break;
        case u'*':
            t.type = Tok::Star;
            break;
        case u'/':
            t.type = Tok::Slash;
            break;
        case u'\\':
            t.type = Tok::Backslash;
            break;
        case u'&':
            t.type = Tok::Amp;
            break;
        case u'=':
            t.type = Tok::Eq;
            break;
        case u'<':
            t.type = Tok::Lt;
            if (peek(1) == u'>') {
                t.type = Tok::Ne;
                t.len = 2;
            } else if (peek(1) == u'=') {
                t.type = Tok::Le;
                t.len = 2;
            }
            break;
        case u'>':
            t.type = Tok::Gt;
            if (peek(1) == u'=') {
                t.type = Tok::Ge;
                t.len = 2;
            }
            break;
        default:
            t.type = Tok::Bad;
            // A surrogate pair is one character for the message.
            if (c.isHighSurrogate() && m_pos + 1 < m_text.size() && m_text[m_pos + 1].isLowSurrogate())
                t.len = 2;
            break;
        }
        m_pos += t.len;
        return t;
    }

private:
    QChar peek(qsizetype ahead) const {
        return m_pos + ahead < m_text.size() ? m_text[m_pos + ahead] : QChar();
    }

    Token number(Token t) {
        std::string digits;
        qsizetype p = m_pos;
        while (p < m_text.size() && isDigit(m_text[p]))
            digits.push_back(static_cast<char>(m_text[p++].unicode()));
        if (p < m_text.size() && m_text[p] == u'.') {
            digits.push_back('.');
            ++p;
            while (p < m_text.size() && isDigit(m_text[p]))
                digits.push_back(static_cast<char>(m_text[p++].unicode()));
        }
        t.type = Tok::Number;
        t.len = static_cast<int>(p - m_pos);
        t.number = std::strtod(digits.c_str(), nullptr);
        m_pos = p;
        return t;
    }

    Token bareName(Token t) {
        qsizetype p = m_pos + 1;
        while (p < m_text.size() && isNamePart(m_text[p]))
            ++p;
        t.len = static_cast<int>(p - m_pos);
        m_pos = p;
        const QStringView word = m_text.mid(t.pos, t.len);
        for (const KeywordRow& row : keywords) {
            if (word.compare(row.text, Qt::CaseInsensitive) == 0) {
                t.type = Tok::Keyword;
                t.keyword = row.keyword;
                return t;
            }
        }
        t.type = Tok::Name;
        t.column = DrawColumns::indexOf(word);
        return t;
    }

    // "[name]": anything up to the closing bracket is the name, keywords included.
    Token bracketName(Token t) {
        qsizetype p = m_pos + 1;
        while (p < m_text.size() && m_text[p] != u']')
            ++p;
        t.type = Tok::Name;
        t.bracketed = true;
        if (p >= m_text.size()) {
            t.unclosed = true;
            t.len = static_cast<int>(p - m_pos);
        } else {
            t.len = static_cast<int>(p + 1 - m_pos);
            t.column = DrawColumns::indexOf(m_text.mid(t.pos + 1, t.len - 2));
        }
        m_pos = t.pos + t.len;
        return t;
    }

    QStringView m_text;
    qsizetype m_pos = 0;
};

// A node under construction with the height of its tree, so that long operator chains are refused
// before evaluating or freeing them could recurse too deep.
struct Sub {
    std::unique_ptr<ExprNode> node;
    int height = 0;
    explicit operator bool() const { return node != nullptr; }
};

class Parser {
public:
    Parser(QStringView text, const TypedLocator& locate) : m_text(text), m_lexer(text), m_locate(locate) {
        advance();
    }

    Result<ExprTree> run() {
        if (m_tok.type == Tok::End) {
            failAt({}, u"公式为空，无法计算"_s);
        } else {
            Sub root = parseXor();
            if (root && m_tok.type != Tok::End)
                unexpected();
            if (root && m_error.isEmpty())
                return ExprTree(std::move(root.node));
        }
        return Error{m_error, ErrorCode::Unrecognised, m_errorPos};
    }

private:
    void advance() { m_tok = m_lexer.next(); }

    // Where the token was typed; without a locator the parsed text is what was typed.
    TypedPlace place(const Token& t) const {
        if (m_locate)
            return m_locate(t.pos, t.len);
        return {t.pos, t.pos + 1, m_text.mid(t.pos, t.len).toString()};
    }

    // Keeps the first fault, at the token: "%1" in the message becomes the number of its character
    // as typed, "%2" the typed text (inserted last, so that a "%1" in it stays as it is).
    Sub failAt(const Token& t, QString message) {
        if (!m_error.isEmpty())
            return {};
        const TypedPlace at = place(t);
        m_error = message.replace(u"%1"_s, QString::number(at.number)).replace(u"%2"_s, at.text);
        m_errorPos = at.offset;
        return {};
    }

    // Reports the current token where an operand or operator was expected.
    Sub unexpected() {
        switch (m_tok.type) {
        case Tok::End:
            return failAt(m_tok, u"公式不完整：末尾缺少运算数"_s);
        case Tok::RParen:
            return failAt(m_tok, u"第%1个字符处有多余的右括号“%2”"_s);
        case Tok::Bad:
            return failAt(m_tok, u"第%1个字符“%2”无法识别"_s);
        default:
            return failAt(m_tok, u"第%1个字符处的“%2”不合语法"_s);
        }
    }

    Sub tooLong() { return failAt(m_tok, u"公式过长，运算层次过多，无法计算"_s); }

    Sub binary(ExprNode::Op op, Sub lhs, Sub rhs) {
        const int height = 1 + std::max(lhs.height, rhs.height);
        if (height > MaxExpressionHeight)
            return tooLong();
        auto node = std::make_unique<ExprNode>();
        node->kind = ExprNode::Kind::Binary;
        node->op = op;
        node->lhs = std::move(lhs.node);
        node->rhs = std::move(rhs.node);
        return {std::move(node), height};
    }

    Sub unary(ExprNode::Kind kind, Sub operand) {
        if (operand.height + 1 > MaxExpressionHeight)
            return tooLong();
        auto node = std::make_unique<ExprNode>();
        node->kind = kind;
        node->lhs = std::move(operand.node);
        return {std::move(node), operand.height + 1};
    }

    bool isKeyword(Kw k) const { return m_tok.type == Tok::Keyword && m_tok.keyword == k; }

    // Guards the recursion of brackets, unary minus and NOT.
    struct Nest {
        Parser& p;
        explicit Nest(Parser& parser) : p(parser) { ++p.m_depth; }
        ~Nest() { --p.m_depth; }
        bool tooDeep() const { return p.m_depth > MaxExpressionNesting; }
    };

    Sub deepNesting() {
        return failAt(m_tok, u"公式中括号或单目运算嵌套超过"_s + QString::number(MaxExpressionNesting) +
                                 u"层，无法计算"_s);
    }

    // Left-associative level: operand (op operand)*, op chosen by match().
    template <typename Next, typename Match>
    Sub leftChain(Next next, Match match) {
        Sub lhs = (this->*next)();
        while (lhs) {
            ExprNode::Op op;
            if (!match(op))
                break;
            advance();
            Sub rhs = (this->*next)();
            if (!rhs)
                return {};
            lhs = binary(op, std::move(lhs), std::move(rhs));
        }
        return lhs;
    }

    Sub parseXor() {
        return leftChain(&Parser::parseOr, [this](ExprNode::Op& op) {
            op = ExprNode::Op::Xor;
            return isKeyword(Kw::Xor);
        });
    }

    Sub parseOr() {
        return leftChain(&Parser::parseAnd, [this](ExprNode::Op& op) {
            op = ExprNode::Op::Or;
            return isKeyword(Kw::Or);
        });
    }

    Sub parseAnd() {
        return leftChain(&Parser::parseNot, [this](ExprNode::Op& op) {
            op = ExprNode::Op::And;
            return isKeyword(Kw::And);
        });
    }

    Sub parseNot() {
        if (!isKeyword(Kw::Not))
            return parseComparison();
        Nest nest(*this);
        if (nest.tooDeep())
            return deepNesting();
        advance();
        Sub operand = parseNot();
        if (!operand)
            return {};
        return unary(ExprNode::Kind::Not, std::move(operand));
    }

    Sub parseComparison() {
        return leftChain(&Parser::parseConcat, [this](ExprNode::Op& op) {
            switch (m_tok.type) {
            case Tok::Eq:
                op = ExprNode::Op::Eq;
                return true;
            case Tok::Ne:
                op = ExprNode::Op::Ne;
                return true;
            case Tok::Lt:
                op = ExprNode::Op::Lt;
                return true;
            case Tok::Gt:
                op = ExprNode::Op::Gt;
                return true;
            case Tok::Le:
                op = ExprNode::Op::Le;
                return true;
            case Tok::Ge:
                op = ExprNode::Op::Ge;
                return true;
            default:
                return false;
            }
        });
    }

    Sub parseConcat() {
        return leftChain(&Parser::parseAdditive, [this](ExprNode::Op& op) {
            op = ExprNode::Op::Concat;
            return m_tok.type == Tok::Amp;
        });
    }

    Sub parseAdditive() {
        return leftChain(&Parser::parseMod, [this](ExprNode::Op& op) {
            op = m_tok.type == Tok::Plus ? ExprNode::Op::Add : ExprNode::Op::Sub;
            return m_tok.type == Tok::Plus || m_tok.type == Tok::Minus;
        });
    }

    Sub parseMod() {
        return leftChain(&Parser::parseIntDiv, [this](ExprNode::Op& op) {
            op = ExprNode::Op::Mod;
            return isKeyword(Kw::Mod);
        });
    }

    Sub parseIntDiv() {
        return leftChain(&Parser::parseMultiplicative, [this](ExprNode::Op& op) {
            op = ExprNode::Op::IntDiv;
            return m_tok.type == Tok::Backslash;
        });
    }

    Sub parseMultiplicative() {
        return leftChain(&Parser::parseUnary, [this](ExprNode::Op& op) {
            op = m_tok.type == Tok::Star ? ExprNode::Op::Mul : ExprNode::Op::Div;
            return m_tok.type == Tok::Star || m_tok.type == Tok::Slash;
        });
    }

    Sub parseUnary() {
        if (m_tok.type != Tok::Minus && m_tok.type != Tok::Plus)
            return parsePrimary();
        Nest nest(*this);
        if (nest.tooDeep())
            return deepNesting();
        const bool negate = m_tok.type == Tok::Minus;
        advance();
        Sub operand = parseUnary();
        if (!operand || !negate)
            return operand; // unary plus leaves the value as it is
        return unary(ExprNode::Kind::Negate, std::move(operand));
    }

    Sub parsePrimary() {
        const Token t = m_tok;
        switch (t.type) {
        case Tok::Number: {
            if (!std::isfinite(t.number))
                return failAt(t, u"第%1个字符处的数字超出范围"_s);
            advance();
            auto node = std::make_unique<ExprNode>();
            node->number = t.number;
            return {std::move(node), 1};
        }
        case Tok::Keyword:
            if (t.keyword == Kw::True || t.keyword == Kw::False) {
                advance();
                auto node = std::make_unique<ExprNode>();
                node->number = t.keyword == Kw::True ? -1 : 0;
                return {std::move(node), 1};
            }
            return unexpected();
        case Tok::Name: {
            if (t.unclosed)
                return failAt(t, u"第%1个字符处的列名缺少右方括号“]”"_s);
            if (t.column < 0)
                return failAt(t, u"无法识别的公式项“%2”"_s);
            advance();
            auto node = std::make_unique<ExprNode>();
            node->kind = ExprNode::Kind::Column;
            node->column = t.column;
            return {std::move(node), 1};
        }
        case Tok::LParen: {
            Nest nest(*this);
            if (nest.tooDeep())
                return deepNesting();
            advance();
            Sub inner = parseXor();
            if (!inner)
                return {};
            if (m_tok.type != Tok::RParen) {
                if (m_tok.type == Tok::End)
                    return failAt(t, u"第%1个字符处的左括号“%2”缺少对应的右括号"_s);
                return unexpected();
            }
            advance();
            return inner;
        }
        default:
            return unexpected();
        }
    }

    QStringView m_text;
    Lexer m_lexer;
    const TypedLocator& m_locate;
    Token m_tok;
    int m_depth = 0;
    QString m_error;
    int m_errorPos = -1;
};

} // namespace

Result<ExprTree> parseExpression(QStringView text, const TypedLocator& locate) {
    return Parser(text, locate).run();
}

} // namespace talven
