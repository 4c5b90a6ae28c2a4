#include "ProgramArguments.h"

#include "session/DataDirectory.h"

using namespace Qt::StringLiterals;

namespace talven {

QList<QCommandLineOption> ProgramArguments::globalOptions() {
    return {QCommandLineOption(u"data-dir"_s, u"数据目录：数据库 orvane.mdb 所在的目录"_s, u"目录"_s),
            QCommandLineOption({u"h"_s, u"help"_s}, u"显示帮助"_s),
            QCommandLineOption({u"v"_s, u"version"_s}, u"显示版本"_s),
            QCommandLineOption(u"log"_s, u"显示日志文件 talven.log 的路径"_s)};
}

Result<ProgramArguments> ProgramArguments::parse(const QStringList& args,
                                                 const QList<QCommandLineOption>& extra,
                                                 const QStringList& repeatable) {
    ProgramArguments parsed;
    parsed.m_parser = std::make_shared<QCommandLineParser>();
    QList<QCommandLineOption> all = globalOptions() + extra;
    for (const QCommandLineOption& option : all)
        parsed.m_parser->addOption(option);
    auto find = [&all](QStringView name) -> const QCommandLineOption* {
        for (const QCommandLineOption& option : all)
            if (option.names().contains(name))
                return &option;
        return nullptr;
    };

    // Known options go to the parser; everything else, in order, after "--".
    QStringList options{u"talven"_s};
    QStringList given; // each option once: a second value would silently win or be lost
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg == u"--"_s) {
            parsed.m_positional += args.mid(i + 1);
            break;
        }
        const qsizetype dashes = arg.startsWith(u"--"_s) ? 2 : arg.startsWith(u'-') ? 1 : 0;
        const qsizetype equals = arg.indexOf(u'=');
        const QStringView name = QStringView(arg).mid(dashes, equals < 0 ? -1 : equals - dashes);
        const QCommandLineOption* option = dashes > 0 ? find(name) : nullptr;
        if (!option) {
            parsed.m_positional.append(arg);
            continue;
        }
        if (option->valueName().isEmpty() && equals >= 0)
            return Error{u"选项 %1 不带值"_s.arg(arg.left(equals))};
        if (given.contains(option->names().constLast()) && !repeatable.contains(option->names().constLast()))
            return Error{u"选项 %1 只能给一次"_s.arg(arg.left(equals < 0 ? arg.size() : equals))};
        given.append(option->names().constLast());
        options.append(arg);
        if (!option->valueName().isEmpty() && equals < 0) {
            // Another option where the value should be means the value was left out.
            const bool nextIsOption =
                i + 1 < args.size() && args.at(i + 1).startsWith(u'-') &&
                find(QStringView(args.at(i + 1)).mid(args.at(i + 1).startsWith(u"--"_s) ? 2 : 1));
            if (i + 1 >= args.size() || nextIsOption)
                return Error{u"选项 %1 后面缺少%2"_s.arg(arg, option->valueName())};
            options.append(args.at(++i));
        }
    }
    // The checks above leave the parser nothing to object to; its own (English) text is never shown.
    if (!parsed.m_parser->parse(options))
        return Error{u"无法识别命令行：%1"_s.arg(args.join(u' '))};
    if (parsed.dataDirectoryGiven() && parsed.value(u"data-dir"_s).trimmed().isEmpty())
        return Error{u"数据目录不能为空"_s};
    return parsed;
}

DataDirectory ProgramArguments::dataDirectoryChoice() const {
    return findDataDirectory(dataDirectoryGiven() ? value(u"data-dir"_s) : QString());
}

QString ProgramArguments::globalOptionsHelp() {
    QString text;
    for (const QCommandLineOption& option : globalOptions()) {
        QStringList names;
        for (const QString& name : option.names())
            names.append((name.size() == 1 ? u"-"_s : u"--"_s) + name);
        QString left = names.join(u", "_s);
        if (!option.valueName().isEmpty())
            left += u' ' + option.valueName();
        text += u"  "_s + left.leftJustified(20) + u"  "_s + option.description() + u'\n';
    }
    return text +
           u"\n数据目录依次取 --data-dir、环境变量 TALVEN_DATA_DIR；否则程序目录中有 orvane.mdb 或 portable"_s
           u" 文件时用程序目录（便携模式），再否则用用户数据目录。\n"_s;
}

QString ProgramArguments::versionText(const QString& program) const {
    return program + u' ' + QStringLiteral(TALVEN_VERSION) + u'\n' + dataDirectoryChoice().describe() + u'\n';
}

} // namespace talven
