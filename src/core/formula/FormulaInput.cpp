#include "FormulaInput.h"

#include "Expression.h"
#include "FormulaTranslation.h"
#include "TracedText.h"
#include "common/FormulaKind.h"

#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace talven::FormulaInput {

namespace {

constexpr int HeaderLength = 6; // "[" + order letter + kind name + "]"

QString kindNameOf(QStringView text) {
    return text.mid(2, 3).toString();
}

// Blanks around a file line are harmless; blanks inside the formula are not.
QStringView trimBlanks(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && (text[begin] == u' ' || text[begin] == u'\t'))
        ++begin;
    while (end > begin && (text[end - 1] == u' ' || text[end - 1] == u'\t'))
        --end;
    return text.mid(begin, end - begin);
}

// Characters a file formula may hold after its terms are translated.
bool isFileCharacter(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 65 && u <= 91) || (u >= 96 && u <= 123) || (u >= u'0' && u <= u'9') ||
           (u >= 40 && u <= 43) || u == u'-' || u == u'/';
}

// The door terms translate into a code with blanks inside; those blanks come from the translation,
// not from the user, so they are closed up before the character check.
QString withoutDoorBlanks(const QString& text, QStringView orderLetter) {
    QString result = text;
    for (int i = 1; i <= 6; ++i) {
        const QString digit = QString::number(i);
        const QString door = u"("_s + orderLetter + digit + u"E + 1)"_s;
        const QString closed = u"("_s + orderLetter + digit + u"E+1)"_s;
        result = sReplace(result, door, closed);
    }
    return result;
}

// First character that the file check refuses, -1 when every character passes.
qsizetype firstForeignCharacter(QStringView text) {
    for (qsizetype i = 0; i < text.size(); ++i)
        if (!isFileCharacter(text[i]))
            return i;
    return -1;
}

QString characterText(QStringView text, qsizetype at) {
    const QChar c = text[at];
    if (c.isHighSurrogate() && at + 1 < text.size())
        return text.mid(at, 2).toString();
    if (c.unicode() < 32 || c.unicode() == 127)
        return u"U+%1"_s.arg(uint(c.unicode()), 4, 16, QChar(u'0')).toUpper();
    return QString(c);
}

} // namespace

QString emptyBoxMessage() {
    // Says where the box is once, as the window has it: at the top right, beside the history.
    return u"请在公式输入框输入需要添加的公式。公式输入框在窗口右上方，历史列表的右边"_s;
}

QString headerKindNotice(const QString& text, FormulaKind chosen) {
    const QStringView typed = trimBlanks(text);
    if (!typed.startsWith(u'['))
        return QString();
    const auto named = formulaKindNamed(kindNameOf(typed));
    if (!named || *named == chosen)
        return QString();
    return u"标头写的是%1类，公式按所选的%2类添加"_s.arg(formulaKindCaption(*named),
                                                         formulaKindCaption(chosen));
}

QString unrecognisedMessage() {
    return u"公式文本文件中含有无法识别公式，无法添加到软件"_s;
}

QString typedUnrecognisedMessage() {
    return u"所输公式无法识别，无法添加到软件"_s;
}

QString asciiOperators(const QString& text) {
    QString result = text;
    for (QChar& c : result) {
        const char16_t u = c.unicode();
        if (u >= 0xFF10 && u <= 0xFF19)
            c = QChar(char16_t(u'0' + (u - 0xFF10)));
        else if (u == 0xFF0B || u == 0xFF0D || u == 0xFF0A || u == 0xFF0F || u == 0xFF08 || u == 0xFF09)
            c = QChar(char16_t(u - 0xFF00 + 0x20)); // the full-width block mirrors ASCII from 0x21
    }
    return result;
}

QString reportFileName() {
    return u"无法识别公式.txt"_s;
}

namespace {

const QString& textOf(const QString& t) {
    return t;
}

const QString& textOf(const TracedText& t) {
    return t.text();
}

void translateTermsIn(QString& t, QStringView orderLetter) {
    t = FormulaTranslation::translateTerms(t, orderLetter);
}

void translateTermsIn(TracedText& t, QStringView orderLetter) {
    FormulaTranslation::translateTerms(t, orderLetter);
}

void expandCodesIn(QString& t) {
    t = FormulaTranslation::expandCodes(t);
}

void expandCodesIn(TracedText& t) {
    FormulaTranslation::expandCodes(t);
}

// Stage 1 when the text names a kind, then stage 2; false when a bracketed header has no formula.
// The plain text and the traced one take the same steps, so that both become the same code.
template <typename Text>
bool translate(Text& t) {
    const QStringView head = textOf(t);
    const bool bracketed = head.startsWith(u'[');
    const QString orderLetter = bracketed ? head.mid(1, 1).toString() : u"D"_s;
    if (formulaKindNamed(kindNameOf(head))) {
        if (bracketed) {
            if (textOf(t).size() < HeaderLength)
                return false;
            t.remove(0, HeaderLength);
        }
        translateTermsIn(t, orderLetter);
    }
    expandCodesIn(t);
    return true;
}

} // namespace

namespace {

// The first term of the term table that occurs in the text, with its code.
std::optional<Substitution> firstTerm(const QString& text, QStringView orderLetter) {
    for (const Substitution& row : FormulaTranslation::termTable(orderLetter))
        if (text.contains(row.search))
            return row;
    return std::nullopt;
}

QString validHeaders() {
    QStringList names;
    for (const FormulaKindInfo& kind : formulaKinds)
        names.append(QString::fromUtf16(kind.name));
    return u"有效的种类标头是 [D种类名] 或 [L种类名]（D 为顺序码，L 为落地码），种类名为：%1"_s.arg(
        names.join(u"、"_s));
}

// What the user most likely did wrong when the translated text cannot be evaluated; empty when
// the evaluator's own reason says it all.
QString likelyCause(const QString& typed, const QString& translated) {
    const bool bracketed = typed.startsWith(u'[');
    const bool named = formulaKindNamed(kindNameOf(typed)).has_value();
    if (bracketed && !named) {
        const qsizetype close = typed.indexOf(u']');
        const QString header = close > 0 && close <= 7 ? typed.left(close + 1) : typed.left(6);
        return u"种类标头“%1”无法识别。%2"_s.arg(header, validHeaders());
    }
    const QString orderLetter = bracketed ? typed.mid(1, 1) : u"D"_s;
    const auto term = firstTerm(translated, orderLetter);
    if (!term)
        return {};
    if (!named)
        return u"公式前缺少种类标头，例如 [D单特类]%1"_s.arg(typed);
    // Stage 1 translates the first occurrence of each term only.
    return u"公式项“%1”重复出现，只有第一次出现的会被翻译。请写成 %1*2，或把重复的项写成代码 %2"_s.arg(
        term->search, term->replacement);
}

} // namespace

Result<QString> translateTyped(const QString& text) {
    if (text.isEmpty())
        return Error{emptyBoxMessage(), ErrorCode::Empty};
    // The message box, the preview and the command line all show the message: the fixed first
    // sentence, then the reason.
    auto unrecognised = [](const QString& reason, int position = -1) {
        Error e{typedUnrecognisedMessage() + u"。"_s + reason, ErrorCode::Unrecognised, position};
        e.detail = reason;
        return e;
    };
    // A formula is one line of the formula file and of the exports; a line break would split it.
    // Checked by hand: the search judges every candidate through here.
    if (const auto at =
            std::find_if(text.begin(), text.end(), [](QChar c) { return c == u'\r' || c == u'\n'; });
        at != text.end())
        return unrecognised(u"公式中含有换行，一条公式只能写在一行"_s, static_cast<int>(at - text.begin()));
    const QString typed = asciiOperators(text);
    QString t = typed;
    if (!translate(t))
        return unrecognised(u"公式种类标头不完整，缺少右方括号和公式"_s);
    // The fault is found in the code, but the message counts and quotes in the text as typed.
    const auto locate = [&text, &typed](int offset, int length) {
        TracedText traced(typed);
        translate(traced);
        const auto [begin, end] = traced.sourceSpan(offset, length);
        return TypedPlace{static_cast<int>(begin), static_cast<int>(begin) + 1, text.mid(begin, end - begin)};
    };
    // Only an expression that can be evaluated is stored; anything else would fail at every run.
    const auto parsed = parseExpression(t, locate);
    if (!parsed) {
        QString reason = parsed.message();
        if (const QString cause = likelyCause(typed, t); !cause.isEmpty())
            reason += u"。"_s + cause;
        return unrecognised(reason, parsed.error().position);
    }
    return t;
}

std::optional<QString> decodeFile(const QByteArray& bytes) {
    if (bytes.contains('\0'))
        return std::nullopt;
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder gbk("GBK");
    if (!gbk.isValid())
        gbk = QStringDecoder("GB18030");
    text = gbk.decode(bytes);
    if (gbk.hasError())
        return std::nullopt;
    return text;
}

FileResult readLines(QStringView text) {
    static const QRegularExpression lineBreak(u"\r\n|\r|\n"_s);
    FileResult result;
    int kind = 0;
    int lineNumber = 0;
    for (const QStringView rawLine : text.split(lineBreak)) {
        ++lineNumber;
        const QStringView line = trimBlanks(rawLine);
        if (line.isEmpty())
            continue;
        const QString orderLetter = line.mid(1, 1).toString();
        if (const auto named = formulaKindNamed(kindNameOf(line)))
            kind = maTypeOf(*named);
        if (line.size() < HeaderLength) {
            result.unrecognised.append({lineNumber, line.toString(), u"公式种类标头不完整"_s});
            continue;
        }
        const QString b = FormulaTranslation::translateTerms(line.mid(HeaderLength).toString(), orderLetter);
        // An empty formula is reported with its header so that the report names the line.
        const QString reported = trimBlanks(b).isEmpty() ? line.toString() : b;
        QString c = trimBlanks(b).toString();
        const QString checked = withoutDoorBlanks(c, orderLetter);
        const qsizetype foreign = firstForeignCharacter(checked);
        if (foreign >= 0) {
            result.unrecognised.append(
                {lineNumber, reported, u"含有无法识别的字符“%1”"_s.arg(characterText(checked, foreign))});
            continue;
        }
        c = FormulaTranslation::expandCodes(c);
        if (const auto parsed = parseExpression(c); !parsed) {
            result.unrecognised.append({lineNumber, reported, parsed.message()});
            continue;
        }
        result.accepted.append({lineNumber, kind, c});
    }
    return result;
}

QByteArray reportText(const QList<UnrecognisedLine>& lines) {
    QByteArray out;
    for (const UnrecognisedLine& line : lines) {
        // A report line holds no line break of its own.
        QString text = line.text;
        text.replace(u'\r', u' ').replace(u'\n', u' ');
        out += text.toUtf8();
        out += "\r\n";
    }
    return out;
}

} // namespace talven::FormulaInput
