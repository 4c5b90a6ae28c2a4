#include "TracedText.h"

#include <algorithm>

namespace talven {

TracedText::TracedText(QString source) : m_text(std::move(source)), m_sourceSize(m_text.size()) {
    m_begin.resize(m_sourceSize);
    m_end.resize(m_sourceSize);
    for (qsizetype i = 0; i < m_sourceSize; ++i) {
        m_begin[i] = i;
        m_end[i] = i + 1;
    }
}

void TracedText::replaceFirst(QStringView search, QStringView replacement) {
    const qsizetype at = search.isEmpty() ? -1 : m_text.indexOf(search);
    if (at < 0)
        return;
    const auto [begin, end] = sourceSpan(at, search.size());
    m_text.replace(at, search.size(), replacement.data(), replacement.size());
    m_begin.remove(at, search.size());
    m_end.remove(at, search.size());
    m_begin.insert(at, replacement.size(), begin);
    m_end.insert(at, replacement.size(), end);
}

void TracedText::remove(qsizetype position, qsizetype count) {
    m_text.remove(position, count);
    m_begin.remove(position, count);
    m_end.remove(position, count);
}

std::pair<qsizetype, qsizetype> TracedText::sourceSpan(qsizetype at, qsizetype length) const {
    if (at >= m_text.size())
        return {m_sourceSize, m_sourceSize};
    const qsizetype last = std::min(at + std::max<qsizetype>(length, 1), m_text.size());
    const qsizetype begin = m_begin[at];
    const qsizetype end = *std::max_element(m_end.cbegin() + at, m_end.cbegin() + last);
    return {begin, length > 0 ? end : begin};
}

} // namespace talven
