#include "session/DataDirectory.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace talven;

using Source = DataDirectory::Source;

class TestDataDirectory : public QObject {
    Q_OBJECT

private slots:
    void rule_data() {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("environment");
        QTest::addColumn<QString>("besideProgram"); // a file put beside the program, or none
        QTest::addColumn<bool>("userLocation");
        QTest::addColumn<int>("expected");
        // A writable program directory (a build folder) is no reason to keep the data there.
        QTest::newRow("writable program directory")
            << QString() << QString() << QString() << true << int(Source::User);
        QTest::newRow("database beside the program")
            << QString() << QString() << u"orvane.mdb"_s << true << int(Source::Portable);
        QTest::newRow("portable marker")
            << QString() << QString() << u"portable"_s << true << int(Source::Portable);
        QTest::newRow("only a backup beside the program")
            << QString() << QString() << u"orvane.mdb.bak"_s << true << int(Source::User);
        QTest::newRow("environment before portable")
            << QString() << u"/env/dir"_s << u"orvane.mdb"_s << true << int(Source::Environment);
        QTest::newRow("option before everything")
            << u"/given/dir"_s << u"/env/dir"_s << u"portable"_s << true << int(Source::Option);
        QTest::newRow("no per-user location")
            << QString() << QString() << QString() << false << int(Source::Portable);
    }

    void rule() {
        QFETCH(QString, given);
        QFETCH(QString, environment);
        QFETCH(QString, besideProgram);
        QFETCH(bool, userLocation);
        QFETCH(int, expected);
        QTemporaryDir program;
        if (!besideProgram.isEmpty()) {
            QFile marker(QDir(program.path()).filePath(besideProgram));
            QVERIFY(marker.open(QIODevice::WriteOnly));
        }
        const QString user = userLocation ? u"/home/someone/.local/share/TALVEN/TALVEN"_s : QString();
        const DataDirectory found = findDataDirectory(given, environment, program.path(), user);
        QCOMPARE(int(found.source), expected);
        const QString expectedPath = expected == int(Source::Option)        ? given
                                     : expected == int(Source::Environment) ? environment
                                     : expected == int(Source::Portable)    ? program.path()
                                                                            : user;
        QCOMPARE(found.path, expectedPath);
        QVERIFY(found.describe().contains(QDir::toNativeSeparators(expectedPath)));
    }
};

QTEST_GUILESS_MAIN(TestDataDirectory)
#include "tst_datadirectory.moc"
