#include "widgets/FormulaPreviewLabel.h"

#include "common/FormulaKind.h"
#include "formula/FormulaInput.h"
#include "session/Session.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>
#include <QtMath>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

// The text with the character at `position` marked; a fault past the end is marked after it, a line
// break as "↵", which the line would not show.
QString markedText(const QString& text, int position) {
    if (position < 0 || position > text.size())
        return text.toHtmlEscaped();
    const QString mark = u"<span style='background:#ffd0d0; color:#c00000; font-weight:bold'>%1</span>"_s;
    if (position == text.size())
        return text.toHtmlEscaped() + mark.arg(u"␣"_s);
    const int length = text[position].isHighSurrogate() && position + 1 < text.size() ? 2 : 1;
    QString marked = text.mid(position, length);
    if (marked == u"\r"_s || marked == u"\n"_s)
        marked = u"↵"_s;
    return text.left(position).toHtmlEscaped() + mark.arg(marked.toHtmlEscaped()) +
           text.mid(position + length).toHtmlEscaped();
}

constexpr int LinesShown = 4; // the longest preview: code, verdict, figures, chance

const QString paragraph = u"<p style='margin:0'>"_s;

// The lines of a preview as paragraphs, so that each can be cut on its own.
void setLines(QTextDocument& doc, const QString& html) {
    doc.setHtml(paragraph + html.split(u"<br>"_s).join(u"</p>"_s + paragraph) + u"</p>"_s);
}

int lineCount(QTextDocument& doc, const QTextBlock& block) {
    doc.documentLayout()->blockBoundingRect(block); // lays the block out
    return block.layout() ? block.layout()->lineCount() : 0;
}

// Where the fault mark of a refused formula's code stands in the block, or -1.
int markIn(const QTextBlock& block) {
    for (auto it = block.begin(); !it.atEnd(); ++it)
        if (it.fragment().charFormat().hasProperty(QTextFormat::BackgroundBrush))
            return it.fragment().position() - block.position();
    return -1;
}

// Cuts the block down to `lines` lines with "…" at the end; a fault mark that would fall in the
// cut part is brought into view by leaving out text before it instead. False when it fits.
bool elide(QTextDocument& doc, int blockNumber, int lines) {
    QTextBlock block = doc.findBlockByNumber(blockNumber);
    if (lineCount(doc, block) <= lines)
        return false;
    const QTextLine last = block.layout()->lineAt(lines - 1);
    int end = last.textStart() + last.textLength();
    QTextCursor cursor(&doc);
    if (const int mark = markIn(block); mark >= end - 4) {
        const int start = block.text().indexOf(u'：') + 1;
        const int drop = std::min(mark - start, mark - end + 12);
        if (start > 0 && drop > 0) {
            cursor.setPosition(block.position() + start);
            cursor.setPosition(block.position() + start + drop, QTextCursor::KeepAnchor);
            cursor.insertText(u"…"_s);
            block = doc.findBlockByNumber(blockNumber);
            if (lineCount(doc, block) <= lines)
                return true;
        }
    }
    cursor.setPosition(block.position() + end);
    cursor.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
    cursor.insertText(u"…"_s);
    // The ellipsis itself may have pushed a character onto another line.
    for (block = doc.findBlockByNumber(blockNumber); end > 0 && lineCount(doc, block) > lines;
         block = doc.findBlockByNumber(blockNumber)) {
        cursor.setPosition(block.position() + end - 1);
        cursor.deleteChar();
        --end;
    }
    return true;
}

// Ends each line of the block where the layout ended it, so that the label shows the same lines.
void breakLines(QTextDocument& doc, int blockNumber) {
    const QTextBlock block = doc.findBlockByNumber(blockNumber);
    QList<int> starts;
    for (int i = 1; i < lineCount(doc, block); ++i)
        starts.append(block.position() + block.layout()->lineAt(i).textStart());
    QTextCursor cursor(&doc);
    for (auto at = starts.crbegin(); at != starts.crend(); ++at) {
        cursor.setPosition(*at);
        cursor.insertText(QString(QChar::LineSeparator));
    }
}

} // namespace

FormulaPreviewLabel::FormulaPreviewLabel(const Session& session, QWidget* parent)
    : QLabel(parent), m_session(session), m_delay(new QTimer(this)) {
    setAccessibleName(u"公式预览"_s);
    setTextFormat(Qt::RichText);
    setWordWrap(false); // the lines are broken and cut to the width beforehand
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // A fixed height, whatever the typing brings, so that the choices below never move; the width
    // comes from the panel, never from a long line.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    fitHeight();
    m_delay->setSingleShot(true);
    m_delay->setInterval(150);
    connect(m_delay, &QTimer::timeout, this, &FormulaPreviewLabel::refresh);
    // The figures follow every change of the history, the formulas or the options.
    connect(&session, &Session::changed, this, [this](Session::Changes what) {
        if (what & (Session::HistoryChanged | Session::ResultsChanged | Session::OptionsChanged))
            m_delay->start();
    });
    refresh();
}

void FormulaPreviewLabel::setInput(const QString& text, FormulaKind kind, bool kill, bool now) {
    m_text = text;
    m_kind = kind;
    m_kill = kill;
    if (now)
        refresh();
    else
        m_delay->start();
}

void FormulaPreviewLabel::refresh() {
    m_delay->stop();
    if (m_text.isEmpty())
        m_html = u"<span style='color:gray'>输入公式后，这里即时显示它的代码和中文写法、能否添加，</span><br>"
                 u"<span style='color:gray'>以及按所选种类和生杀验算的结果。</span>"_s;
    else
        m_html = html(m_session.previewFormula(m_text, m_kind, m_kill), m_kind, m_kill);
    if (const QString notice = FormulaInput::headerKindNotice(m_text, m_kind); !notice.isEmpty())
        m_html += u"<br><b>%1</b>"_s.arg(notice.toHtmlEscaped());
    showFitted();
}

void FormulaPreviewLabel::showFitted() {
    QTextDocument doc;
    doc.setDefaultFont(font());
    doc.setDocumentMargin(0);
    doc.setTextWidth(std::max(1, contentsRect().width()));
    // A long code has no word breaks: a line is filled to its end before the next begins.
    QTextOption wrap = doc.defaultTextOption();
    wrap.setWrapMode(QTextOption::WrapAnywhere);
    doc.setDefaultTextOption(wrap);
    setLines(doc, m_html);
    // A message without figures may take the lines the figures would; every other line takes one.
    const int blocks = doc.blockCount();
    bool cut = false;
    for (int b = blocks - 1; b >= 0; --b) {
        cut |= elide(doc, b, b == 0 ? std::max(1, LinesShown - (blocks - 1)) : 1);
        breakLines(doc, b);
    }
    setText(doc.toHtml());
    setToolTip(cut ? m_html : QString());
}

void FormulaPreviewLabel::fitHeight() {
    // As high as the tallest lines can be: the code font and the Chinese one may differ.
    QTextDocument doc;
    doc.setDefaultFont(font());
    doc.setDocumentMargin(0);
    setLines(doc, QStringList(LinesShown, u"<b>代码</b>：<tt>L7A</tt>"_s).join(u"<br>"_s));
    const QMargins m = contentsMargins();
    setFixedHeight(qCeil(doc.size().height()) + m.top() + m.bottom() + 2 * margin() + 2);
}

void FormulaPreviewLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    showFitted();
}

void FormulaPreviewLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        fitHeight();
        showFitted();
    }
}

QString FormulaPreviewLabel::refusalHtml(const Error& refusal, const QString& typed) {
    QString out = refusal.shown().toHtmlEscaped();
    if (refusal.position >= 0 && !typed.isEmpty())
        out += u"<br>所输公式：<tt>%1</tt>"_s.arg(markedText(typed, refusal.position));
    return out;
}

QString FormulaPreviewLabel::html(const FormulaPreview& p, FormulaKind kind, bool kill) {
    QString out;
    if (p.refusal) // word for word what the message box will say when the formula is added anyway
        return u"<b style='color:#c00000'>无法添加</b>："_s + refusalHtml(*p.refusal, p.text);
    out += u"代码：<tt>%1</tt>　中文：%2"_s.arg(p.folded.toHtmlEscaped(), p.chinese.toHtmlEscaped());
    out += u"<br><b style='color:#006000'>可以添加</b>（%1，%2）"_s.arg(formulaKindCaption(kind),
                                                                        kill ? u"杀"_s : u"生"_s);
    if (!p.result.error.isEmpty()) {
        out += u"，但验算失败：%1"_s.arg(p.result.error.toHtmlEscaped());
        return out;
    }
    const FormulaFigures& f = p.result.figures;
    out +=
        u"<br>正确率 %1　最大连错 %2　最大连对 %3　最后连错 %4　最后连对 %5　下期结果 <span style='color:blue'>%6</span>"_s
            .arg(f.accuracyText(p.draws))
            .arg(f.longestMissRun)
            .arg(f.longestHitRun)
            .arg(f.currentMissRun)
            .arg(f.currentHitRun)
            .arg(p.result.nextText.toHtmlEscaped());
    if (const QString line = chanceLine(p.result.againstChance()); !line.isEmpty())
        out += u"<br>"_s + line.toHtmlEscaped();
    return out;
}

} // namespace talven
