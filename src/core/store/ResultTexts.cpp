#include "ResultTexts.h"

namespace talven {

quint16 ResultTexts::idOfStored(std::string_view utf8) {
    if (utf8.empty())
        return 0;
    const auto it = m_idsByUtf8.find(utf8);
    if (it != m_idsByUtf8.end())
        return it->second;
    if (m_texts.size() >= 0xf000)
        return OtherId;
    return idOf(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

quint16 ResultTexts::idOf(const QString& text) {
    if (text.isEmpty())
        return 0;
    const auto it = m_ids.constFind(text);
    if (it != m_ids.constEnd())
        return *it;
    if (m_texts.size() >= OtherId)
        return OtherId;
    const auto id = static_cast<quint16>(m_texts.size());
    m_texts.append(text);
    m_utf8.append(text.toUtf8());
    m_idsByUtf8.emplace(m_utf8.last().toStdString(), id);
    m_ids.insert(text, id);
    return id;
}

const QString& ResultTexts::text(quint16 id) const {
    static const QString none;
    return id < m_texts.size() ? m_texts.at(id) : none;
}

const QByteArray& ResultTexts::utf8(quint16 id) const {
    static const QByteArray none;
    return id < m_utf8.size() ? m_utf8.at(id) : none;
}

} // namespace talven
