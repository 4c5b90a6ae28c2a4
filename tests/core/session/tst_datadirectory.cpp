#include "session/DataDirectory.h"

#include <QCoreApplication>
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

    // Temporary files and journals of a program that has ended go at start-up; a running one's,
    // the copies that may hold a state of their own and the user's files stay.
    void leftoversOfEndedPrograms() {
        QTemporaryDir dir;
        const QString ended = u"2147480000"_s; // beyond any process id the system hands out
        const QString running = QString::number(QCoreApplication::applicationPid());
        const QStringList gone{u"orvane.mdb.bak.%1-1.part.tmp"_s.arg(ended),
                               u"orvane.mdb.bak.%1-1.part.tmp-journal"_s.arg(ended),
                               u"orvane.mdb.repair.%1-2.part.tmp-wal"_s.arg(ended),
                               u"无法识别公式.txt.tmp-%1"_s.arg(ended)};
        const QStringList kept{u"orvane.mdb.bak.%1-1.part.tmp"_s.arg(running),
                               u"orvane.mdb.bak.%1-1.part.tmp-journal"_s.arg(running),
                               u"无法识别公式.txt.tmp-%1"_s.arg(running),
                               u"orvane.mdb.bak.%1-3.tmp"_s.arg(ended),
                               u"orvane.mdb.bak.1-wal"_s,
                               u"notes.tmp-draft"_s};
        for (const QString& name : gone + kept) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        removeLeftovers(dir.path());
        QStringList expected = kept;
        expected.sort();
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), expected);
    }
};

QTEST_GUILESS_MAIN(TestDataDirectory)
#include "tst_datadirectory.moc"
