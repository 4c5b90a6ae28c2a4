#include "widgets/FormulaPreviewLabel.h"

#include "common/FormulaKind.h"
#include "session/Session.h"

#include <QTimer>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

// The code with the character at `position` marked; a fault past the end is marked after it.
QString markedCode(const QString& code, int position) {
    if (position < 0 || position > code.size())
        return code.toHtmlEscaped();
    const QString mark = u"<span style='background:#ffd0d0; color:#c00000; font-weight:bold'>%1</span>"_s;
    if (position == code.size())
        return code.toHtmlEscaped() + mark.arg(u"␣"_s);
    return code.left(position).toHtmlEscaped() + mark.arg(code.mid(position, 1).toHtmlEscaped()) +
           code.mid(position + 1).toHtmlEscaped();
}

} // namespace

FormulaPreviewLabel::FormulaPreviewLabel(const Session& session, QWidget* parent)
    : QLabel(parent), m_session(session), m_delay(new QTimer(this)) {
    setAccessibleName(u"公式预览"_s);
    setTextFormat(Qt::RichText);
    setWordWrap(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
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
    if (m_text.isEmpty()) {
        setText(
            u"<span style='color:gray'>输入公式后，这里即时显示它的代码和中文写法、能否添加，以及按所选种类和生杀验算的结果。</span>"_s);
        return;
    }
    setText(html(m_session.previewFormula(m_text, m_kind, m_kill), m_kind, m_kill));
}

QString FormulaPreviewLabel::html(const FormulaPreview& p, FormulaKind kind, bool kill) {
    QString out;
    if (p.refusal) {
        // Word for word what the message box will say when the formula is added anyway.
        out += u"<b style='color:#c00000'>无法添加</b>：%1"_s.arg(p.refusal->message.toHtmlEscaped());
        if (!p.code.isEmpty())
            out += u"<br>代码：<tt>%1</tt>"_s.arg(markedCode(p.code, p.refusal->position));
        return out;
    }
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
