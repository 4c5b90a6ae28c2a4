#include "Settings.h"

#include <QDir>
#include <QSettings>
#include <QThread>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

const QString group = u"IniSetting"_s;

bool isFlag(OptionKey key) {
    return key == OptionKey::PeriodYear || key == OptionKey::SpecialPlusOne ||
           key == OptionKey::ZodiacByOrder;
}

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

// What the settings menu answers to a value it refuses.
Error refused(OptionKey key) {
    if (key == OptionKey::LargestNumber)
        return Error{u"请输入一个正整数"_s};
    return Error{
        (isFlag(key) ? u"%1 只能取 True 或 False"_s : u"%1 只能取 0 或 1"_s).arg(Settings::name(key))};
}

} // namespace

Settings::Settings(QSettings& store) : m_store(store) {
    // A QSettings object is not thread-safe and keeps its current group as state: it is used on the
    // thread it belongs to, or the program stops here rather than lose a setting.
    if (store.thread() != QThread::currentThread())
        qFatal("QSettings used off its thread (%s)", qPrintable(QThread::currentThread()->objectName()));
}

QString Settings::name(OptionKey key) {
    switch (key) {
    case OptionKey::LargestNumber:
        return u"BIT"_s;
    case OptionKey::PeriodYear:
        return u"YEAR"_s;
    case OptionKey::ElementBase:
        return u"WxIni"_s;
    case OptionKey::WaveBase:
        return u"BsIni"_s;
    case OptionKey::ZodiacBase:
        return u"SxIni"_s;
    case OptionKey::SegmentBase:
        return u"DsIni"_s;
    case OptionKey::SpecialPlusOne:
        return u"MaAddIni"_s;
    case OptionKey::ZodiacByOrder:
        return u"SxSetup"_s;
    }
    return QString();
}

std::optional<OptionKey> Settings::keyNamed(const QString& text) {
    for (const OptionKey key : optionKeys)
        if (name(key) == text)
            return key;
    return std::nullopt;
}

Result<int> Settings::parse(OptionKey key, const QString& text) {
    const QString v = text.trimmed();
    std::optional<int> value;
    if (key == OptionKey::LargestNumber) {
        bool ok = false;
        if (const int n = v.toInt(&ok); ok)
            value = n;
    } else if (isFlag(key)) {
        if (const auto b = parseBool(v))
            value = *b ? 1 : 0;
    } else if (v == u"0"_s || v == u"1"_s) {
        value = v.toInt();
    }
    if (!value)
        return refused(key);
    if (auto valid = check(key, *value); !valid)
        return valid.error();
    return *value;
}

Result<void> Settings::check(OptionKey key, int value) {
    const bool inRange =
        key == OptionKey::LargestNumber ? value >= 1 && value <= 99 : value == 0 || value == 1;
    if (!inRange)
        return refused(key);
    return {};
}

QString Settings::text(const Options& o, OptionKey key) {
    const int v = o.value(key);
    return isFlag(key) ? boolText(v != 0) : QString::number(v);
}

Options Settings::load() const {
    Options o;
    m_store.beginGroup(group);
    for (const OptionKey key : optionKeys) {
        const QVariant stored = m_store.value(name(key));
        if (!stored.isValid())
            continue;
        if (const auto value = parse(key, stored.toString()))
            o.setValue(key, value.value()); // an unreadable value keeps its default
    }
    m_store.endGroup();
    return o;
}

Result<void> Settings::save(OptionKey key, const Options& options) {
    m_store.beginGroup(group);
    m_store.setValue(name(key), text(options, key));
    m_store.endGroup();
    m_store.sync();
    switch (m_store.status()) {
    case QSettings::NoError:
        return {};
    case QSettings::AccessError:
        return Error{u"无法保存设置"_s, ErrorCode::Io}.withCause(
            u"设置文件 %1 无法写入"_s.arg(QDir::toNativeSeparators(m_store.fileName())));
    case QSettings::FormatError:
        return Error{u"无法保存设置"_s, ErrorCode::Io}.withCause(
            u"设置文件 %1 格式有误"_s.arg(QDir::toNativeSeparators(m_store.fileName())));
    }
    return {};
    return {};
}

} // namespace talven
