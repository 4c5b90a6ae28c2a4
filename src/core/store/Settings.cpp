#include "Settings.h"

#include <QSettings>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

const QString group = u"IniSetting"_s;

QString boolText(bool b) {
    return b ? u"True"_s : u"False"_s;
}

std::optional<bool> parseBool(const QString& text) {
    const QString t = text.trimmed();
    if (t.compare(u"True"_s, Qt::CaseInsensitive) == 0 || t == u"1"_s || t == u"-1"_s)
        return true;
    if (t.compare(u"False"_s, Qt::CaseInsensitive) == 0 || t == u"0"_s)
        return false;
    return {};
}

} // namespace

Settings::Settings(QSettings& store) : m_store(store) {}

const QStringList& Settings::keys() {
    static const QStringList k = {u"BIT"_s,   u"YEAR"_s,  u"WxIni"_s,    u"BsIni"_s,
                                  u"SxIni"_s, u"DsIni"_s, u"MaAddIni"_s, u"SxSetup"_s};
    return k;
}

Result<void> Settings::apply(Options& options, const QString& key, const QString& value) {
    const QString v = value.trimmed();
    if (key == u"BIT"_s) {
        bool ok = false;
        const int n = v.toInt(&ok);
        if (!ok || n < 1 || n > 99)
            return Error{u"请输入一个正整数"_s};
        options.bit = n;
        return {};
    }
    if (key == u"WxIni"_s || key == u"BsIni"_s || key == u"SxIni"_s || key == u"DsIni"_s) {
        if (v != u"0"_s && v != u"1"_s)
            return Error{u"%1 只能取 0 或 1"_s.arg(key)};
        const int n = v.toInt();
        int& target = key == u"WxIni"_s   ? options.wxIni
                      : key == u"BsIni"_s ? options.bsIni
                      : key == u"SxIni"_s ? options.sxIni
                                          : options.dsIni;
        target = n;
        return {};
    }
    if (key == u"YEAR"_s || key == u"MaAddIni"_s || key == u"SxSetup"_s) {
        const auto b = parseBool(v);
        if (!b)
            return Error{u"%1 只能取 True 或 False"_s.arg(key)};
        bool& target = key == u"YEAR"_s       ? options.year
                       : key == u"MaAddIni"_s ? options.maAddIni
                                              : options.sxSetup;
        target = *b;
        return {};
    }
    return Error{u"没有这个设置项：%1"_s.arg(key)};
}

QString Settings::text(const Options& o, const QString& key) {
    if (key == u"BIT"_s)
        return QString::number(o.bit);
    if (key == u"YEAR"_s)
        return boolText(o.year);
    if (key == u"WxIni"_s)
        return QString::number(o.wxIni);
    if (key == u"BsIni"_s)
        return QString::number(o.bsIni);
    if (key == u"SxIni"_s)
        return QString::number(o.sxIni);
    if (key == u"DsIni"_s)
        return QString::number(o.dsIni);
    if (key == u"MaAddIni"_s)
        return boolText(o.maAddIni);
    if (key == u"SxSetup"_s)
        return boolText(o.sxSetup);
    return QString();
}

Options Settings::load() const {
    Options o;
    m_store.beginGroup(group);
    for (const QString& key : keys()) {
        const QVariant stored = m_store.value(key);
        if (stored.isValid())
            (void)apply(o, key, stored.toString()); // an unreadable value keeps its default
    }
    m_store.endGroup();
    return o;
}

Result<void> Settings::save(const QString& key, const Options& options) {
    m_store.beginGroup(group);
    m_store.setValue(key, text(options, key));
    m_store.endGroup();
    m_store.sync();
    if (m_store.status() != QSettings::NoError)
        return Error{u"无法保存设置"_s, ErrorCode::Io};
    return {};
}

} // namespace talven
