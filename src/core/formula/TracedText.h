#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <utility>

namespace talven {

// A text made from a source text by substitutions that knows, for each of its characters, the part
// of the source it came from, so that a fault found in the result can be shown where it was typed.
class TracedText {
public:
    // The source itself: each character comes from its own place.
    explicit TracedText(QString source);

    const QString& text() const { return m_text; }

    // As sReplace: the first occurrence of search becomes replacement, whose characters all come
    // from the part of the source that the replaced ones came from.
    void replaceFirst(QStringView search, QStringView replacement);
    // Drops count characters at position; the others keep their origins.
    void remove(qsizetype position, qsizetype count);

    // The part [begin, end) of the source that the characters [at, at + length) came from; an
    // empty part at the end of the text is the end of the source.
    std::pair<qsizetype, qsizetype> sourceSpan(qsizetype at, qsizetype length) const;

private:
    QString m_text;
    QList<qsizetype> m_begin; // per character, where its origin starts in the source
    QList<qsizetype> m_end;   // and where it ends
    qsizetype m_sourceSize = 0;
};

} // namespace talven
