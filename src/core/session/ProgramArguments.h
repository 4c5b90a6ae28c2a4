#pragma once

#include "common/Result.h"
#include "session/DataDirectory.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QStringList>

#include <memory>

namespace talven {

// The command line of both programs: --data-dir, --help and --version, plus whatever options a
// talven-cli command declares. Arguments that look like options but are none of them stay
// positional (a formula may begin with "-"); an option without its value is an error.
class ProgramArguments {
public:
    // args without the program name. An option is given once, unless it is named in `repeatable`.
    static Result<ProgramArguments> parse(const QStringList& args,
                                          const QList<QCommandLineOption>& extra = {},
                                          const QStringList& repeatable = {});

    bool isSet(const QString& name) const { return m_parser->isSet(name); }
    QString value(const QString& name) const { return m_parser->value(name); }
    // Every value of an option given more than once, in order.
    QStringList values(const QString& name) const { return m_parser->values(name); }
    const QStringList& positional() const { return m_positional; }
    bool helpRequested() const { return isSet(QStringLiteral("help")); }
    bool versionRequested() const { return isSet(QStringLiteral("version")); }
    // The data directory in use: --data-dir, else TALVEN_DATA_DIR, else the default location.
    QString dataDirectory() const { return dataDirectoryChoice().path; }
    DataDirectory dataDirectoryChoice() const;
    bool dataDirectoryGiven() const { return isSet(QStringLiteral("data-dir")); }

    static QList<QCommandLineOption> globalOptions();
    // The global options, one a line, and where the data directory is, for --help.
    static QString globalOptionsHelp();
    // What --version prints: the program and its version, then the data directory in use.
    QString versionText(const QString& program) const;

private:
    std::shared_ptr<QCommandLineParser> m_parser;
    QStringList m_positional;
};

} // namespace talven
