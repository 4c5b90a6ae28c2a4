// Installs the build as a user or a package would, moves the installed tree elsewhere and runs
// the programs from there; validates the desktop entry and the metainfo; builds the Debian package.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString AppId = u"org.talven.Talven"_s;

struct Run {
    int code = -1;
    QString out;
    QString err;
};

Run run(const QString& program, const QStringList& args, const QProcessEnvironment& env,
        int timeoutMs = 120000) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    Run r;
    if (!p.waitForStarted() || !p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.err = u"%1 did not run: %2"_s.arg(program, p.errorString());
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// A tool the tests need; scripts/install-deps.sh installs it, so a missing one is a failure.
QString tool(const QString& name) {
    const QString path = QStandardPaths::findExecutable(name);
    if (path.isEmpty())
        qWarning("%s is missing: run scripts/install-deps.sh", qPrintable(name));
    return path;
}

// The installed files, relative to the prefix.
const QStringList installedFiles = {
    u"bin/talven"_s,
    u"bin/talven-cli"_s,
    u"share/applications/"_s + AppId + u".desktop"_s,
    u"share/metainfo/"_s + AppId + u".metainfo.xml"_s,
    u"share/icons/hicolor/scalable/apps/"_s + AppId + u".svg"_s,
    u"share/icons/hicolor/48x48/apps/"_s + AppId + u".png"_s,
    u"share/icons/hicolor/128x128/apps/"_s + AppId + u".png"_s,
    u"share/icons/hicolor/256x256/apps/"_s + AppId + u".png"_s,
    u"share/man/man1/talven-cli.1.gz"_s,
    u"share/man/man1/talven.1.gz"_s,
    u"share/talven/guide.html"_s,
    u"share/talven/samples/history.txt"_s,
    u"share/talven/samples/history.csv"_s,
    u"share/talven/samples/formulas.txt"_s,
    u"share/talven/samples/formulas-utf8.txt"_s,
};

} // namespace

class TestInstall : public QObject {
    Q_OBJECT

    QTemporaryDir m_temp;
    QString m_prefix; // the installed tree, moved away from where it was installed
    QProcessEnvironment m_env;

    QString installed(const QString& relative) const { return QDir(m_prefix).filePath(relative); }

private slots:
    void initTestCase() {
        QVERIFY(m_temp.isValid());
        const QDir temp(m_temp.path());
        // The installed programs see a home of their own and no data directory given.
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.remove(u"TALVEN_DATA_DIR"_s);
        m_env.insert(u"HOME"_s, temp.filePath(u"home"_s));
        m_env.insert(u"XDG_DATA_HOME"_s, temp.filePath(u"home/data"_s));
        m_env.insert(u"XDG_CONFIG_HOME"_s, temp.filePath(u"home/config"_s));
        m_env.insert(u"LC_ALL"_s, u"C.UTF-8"_s);

        QProcessEnvironment installEnv = m_env;
        installEnv.insert(u"DESTDIR"_s, temp.filePath(u"stage"_s));
        const Run install =
            run(QStringLiteral(CMAKE_COMMAND_PATH),
                {u"--install"_s, QStringLiteral(TALVEN_BUILD_DIR), u"--prefix"_s, u"/usr"_s, u"--strip"_s},
                installEnv);
        QVERIFY2(install.code == 0, qPrintable(install.out + install.err));
        QVERIFY(temp.mkpath(u"elsewhere"_s));
        m_prefix = temp.filePath(u"elsewhere/talven"_s);
        QVERIFY(QDir().rename(temp.filePath(u"stage/usr"_s), m_prefix));
    }

    void installsEveryFile() {
        for (const QString& file : installedFiles)
            QVERIFY2(QFileInfo(installed(file)).size() > 0, qPrintable(file));
        QVERIFY(QFileInfo(installed(u"bin/talven-cli"_s)).isExecutable());
    }

    // The installed files hold no path of the tree they were built in, so they work anywhere.
    // (Only the debugging information of programs installed without --strip names the sources.)
    void noPathOfTheBuildTree() {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("programs built with the sanitizers name their sources for the reports");
#endif
        const QByteArray source = QByteArrayLiteral(TALVEN_SOURCE_DIR);
        const QByteArray build = QByteArrayLiteral(TALVEN_BUILD_DIR);
        int files = 0;
        for (QDirIterator it(m_prefix, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
            QFile file(it.next());
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            QVERIFY2(!bytes.contains(source) && !bytes.contains(build), qPrintable(file.fileName()));
            ++files;
        }
        QCOMPARE(files, installedFiles.size());
    }

    void runsFromAnotherFolder() {
        const QString cli = installed(u"bin/talven-cli"_s);
        const Run version = run(cli, {u"--version"_s}, m_env);
        QCOMPARE(version.code, 0);
        QVERIFY2(version.out.startsWith(u"talven-cli " TALVEN_VERSION "\n"_s), qPrintable(version.out));
        // Installed, the data goes to the per-user location ...
        const QString userDir =
            QDir::toNativeSeparators(m_env.value(u"XDG_DATA_HOME"_s) + u"/TALVEN/TALVEN"_s);
        QVERIFY2(version.out.contains(userDir), qPrintable(version.out));
        // ... unless a file named "portable" beside the program asks for its own directory.
        QFile portable(installed(u"bin/portable"_s));
        QVERIFY(portable.open(QIODevice::WriteOnly));
        portable.close();
        const Run portableVersion = run(cli, {u"--version"_s}, m_env);
        QVERIFY(portable.remove());
        QVERIFY2(portableVersion.out.contains(QDir::toNativeSeparators(installed(u"bin"_s))),
                 qPrintable(portableVersion.out));

        const Run demo = run(cli, {u"demo"_s}, m_env);
        QVERIFY2(demo.code == 0, qPrintable(demo.err));
        QVERIFY(demo.out.contains(u"留码："_s));

        // The window's program answers --version without a display.
        QProcessEnvironment noDisplay = m_env;
        for (const QString& name : {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s})
            noDisplay.remove(name);
        const Run window = run(installed(u"bin/talven"_s), {u"--version"_s}, noDisplay);
        QVERIFY2(window.code == 0, qPrintable(window.err));
        QVERIFY2(window.out.startsWith(u"talven " TALVEN_VERSION "\n"_s), qPrintable(window.out));
        QVERIFY(!QFileInfo::exists(m_env.value(u"XDG_DATA_HOME"_s))); // --version creates nothing
    }

    void desktopEntryAndMetainfoValidate() {
        const QString desktop = tool(u"desktop-file-validate"_s);
        const QString appstream = tool(u"appstreamcli"_s);
        QVERIFY(!desktop.isEmpty() && !appstream.isEmpty());
        const Run entry = run(desktop, {installed(u"share/applications/"_s + AppId + u".desktop"_s)}, m_env);
        QVERIFY2(entry.code == 0 && entry.out.isEmpty(), qPrintable(entry.out + entry.err));
        const Run metainfo =
            run(appstream,
                {u"validate"_s, u"--no-net"_s, installed(u"share/metainfo/"_s + AppId + u".metainfo.xml"_s)},
                m_env);
        QVERIFY2(metainfo.code == 0, qPrintable(metainfo.out + metainfo.err));
    }

    void manualPageReads() {
        const Run page = run(u"gzip"_s, {u"-dc"_s, installed(u"share/man/man1/talven-cli.1.gz"_s)}, m_env);
        QCOMPARE(page.code, 0);
        // The commands come from the program's own --help.
        for (const QString& command : {u"import\\-history"_s, u"predict"_s, u"TALVEN_DATA_DIR"_s})
            QVERIFY2(page.out.contains(command), qPrintable(command));
    }

    void debianPackage() {
        const QString dpkgDeb = tool(u"dpkg-deb"_s);
        QVERIFY(!dpkgDeb.isEmpty() && !tool(u"dpkg-shlibdeps"_s).isEmpty());
        const QString out = QDir(m_temp.path()).filePath(u"package"_s);
        const Run cpack = run(QStringLiteral(CPACK_COMMAND_PATH),
                              {u"-G"_s, u"DEB"_s, u"-B"_s, out, u"--config"_s,
                               QStringLiteral(TALVEN_BUILD_DIR "/CPackConfig.cmake")},
                              m_env, 240000);
        QVERIFY2(cpack.code == 0, qPrintable(cpack.out + cpack.err));
        const QString deb = QDir(out).filePath(u"talven_" TALVEN_VERSION "_amd64.deb"_s);
        QVERIFY2(QFileInfo::exists(deb), qPrintable(cpack.out));
        qInfo("%s: %lld bytes", qPrintable(QFileInfo(deb).fileName()), QFileInfo(deb).size());

        const Run info = run(dpkgDeb, {u"--field"_s, deb, u"Depends"_s}, m_env);
        QCOMPARE(info.code, 0);
        for (const QString& package : {u"libqt6core6"_s, u"libqt6gui6"_s, u"qt6-translations-l10n"_s,
                                       u"libqt6widgets6"_s, u"libsqlite3-0"_s, u"libxlsxwriter"_s})
            QVERIFY2(info.out.contains(package), qPrintable(package + u" not in "_s + info.out));

        const Run contents = run(dpkgDeb, {u"--contents"_s, deb}, m_env);
        QCOMPARE(contents.code, 0);
        for (const QString& file : installedFiles)
            QVERIFY2(contents.out.contains(u"./usr/"_s + file + u'\n'), qPrintable(file));
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
