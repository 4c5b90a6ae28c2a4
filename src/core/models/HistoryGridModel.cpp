#include "HistoryGridModel.h"

#include "session/Session.h"

using namespace Qt::StringLiterals;

namespace talven {

HistoryGridModel::HistoryGridModel(const Session& session, QObject* parent)
    : QAbstractTableModel(parent), m_session(session) {
    rebuild();
    connect(&session, &Session::changed, this, [this](Session::Changes what) {
        if (what & (Session::HistoryChanged | Session::FormulasChanged | Session::ResultsChanged |
                    Session::OptionsChanged)) {
            beginResetModel();
            rebuild();
            endResetModel();
        }
    });
}

void HistoryGridModel::rebuild() {
    m_ordinals.clear();
    const auto& formulas = m_session.formulas();
    for (size_t i = 0; i < formulas.size(); ++i)
        if (!m_kind || formulas[i].kind == maTypeOf(*m_kind))
            m_ordinals.append(static_cast<int>(i) + 1);
}

std::shared_ptr<HistoryGridModel> HistoryGridModel::copy() const {
    auto model = std::make_shared<HistoryGridModel>(m_session);
    model->setShowFormulas(m_showFormulas);
    model->setKindFilter(m_kind);
    return model;
}

void HistoryGridModel::setKindFilter(std::optional<FormulaKind> kind) {
    if (kind == m_kind)
        return;
    beginResetModel();
    m_kind = kind;
    rebuild();
    endResetModel();
}

void HistoryGridModel::setShowFormulas(bool show) {
    if (show == m_showFormulas)
        return;
    beginResetModel();
    m_showFormulas = show;
    endResetModel();
}

int HistoryGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_session.draws().size());
}

int HistoryGridModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return FirstFormula + (m_showFormulas ? static_cast<int>(m_ordinals.size()) : 0);
}

QVariant HistoryGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const Draw d = m_session.draw(static_cast<size_t>(index.row()));
    const Options& o = m_session.options();
    const int col = index.column();
    if (col >= FirstFormula) {
        const int ordinal = ordinalOfColumn(col);
        if (role == Qt::DisplayRole)
            return m_session.resultText(ordinal, index.row());
        if (role == HitRole)
            return m_session.resultHit(ordinal, index.row());
        return {};
    }
    if (col >= FirstNumber && col <= Special) {
        const int n = d.numbers()[static_cast<size_t>(col - FirstNumber)];
        if (role == Qt::DisplayRole)
            return QString::number(n);
        if (role == WaveRole)
            return NumberModel::waveOf(n);
        return {};
    }
    const int wave = d.specialWaveCode() - o.bsIni;
    const int element = d.specialElementCode() - o.wxIni;
    if (role == WaveRole && col == Wave && wave >= 0 && wave <= 2)
        return wave;
    if (role != Qt::DisplayRole)
        return {};
    switch (col) {
    case Period:
        return d.period().toString();
    case Zodiac: {
        const int k = m_session.model().zodiacOfAttributeCode(d.specialZodiacCode());
        return k >= 0 ? NumberModel::zodiacName(k) : QString();
    }
    case Wave:
        return wave >= 0 && wave <= 2 ? NumberModel::waveName(wave) : QString();
    case Element:
        return element >= 0 && element <= 4 ? NumberModel::elementName(element) : QString();
    default:
        return {};
    }
}

QVariant HistoryGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical)
        return role == Qt::DisplayRole ? QVariant(section + 1) : QVariant();
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    const bool tip = role == Qt::ToolTipRole;
    if (section >= FirstFormula)
        return tip ? u"公式 %1 在各期的预测与对错（蓝色为对）"_s.arg(section - FirstFormula + 1)
                   : u"公式%1"_s.arg(section - FirstFormula + 1);
    if (section >= FirstNumber && section < Special)
        return tip ? u"按开出顺序的第 %1 个平码"_s.arg(section) : u"落%1码"_s.arg(section);
    // The other columns, each once: its title and what it shows (the header's tooltip).
    struct Fixed {
        int section;
        const char16_t* title;
        const char16_t* tip;
    };
    static constexpr Fixed fixed[] = {{Period, u"期号", u"期号：四位年份加该年第几期"},
                                      {Special, u"特码", u"特码（第七个号码）"},
                                      {Zodiac, u"特肖", u"特码的生肖"},
                                      {Wave, u"特波", u"特码的波色"},
                                      {Element, u"特行", u"特码的五行"}};
    for (const Fixed& column : fixed)
        if (column.section == section)
            return QString::fromUtf16(tip ? column.tip : column.title);
    return {};
}

} // namespace talven
