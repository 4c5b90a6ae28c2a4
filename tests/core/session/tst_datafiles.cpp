// The files of the data folder: a repair at opening keeps its own copies, the program's report
// never writes through a link, and only regular files are read as a history or formula list.
#include "SessionFixture.h"
#include "SqlHelper.h"
#include "Watchdog.h"
#include "session/DataFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <sys/stat.h>

using namespace talven;
using namespace talven::test;
using namespace Qt::StringLiterals;

namespace {

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestDataFiles : public QObject {
    Q_OBJECT

private slots:
    // Formula numbers edited outside are put in order at opening after a copy of their own, newest
    // first: the three generations of the imports stay byte for byte.
    void repairAtOpeningKeepsTheGenerations() {
        Fixture f;
        QVERIFY(f.reopen());
        for (int n = 1; n <= 4; ++n)
            QVERIFY(f.importHistory(f.firstDraws(n)));
        for (const QString& formula : {u"[D单特类]特码数*2"_s, u"[D单特类]特码数+平码一"_s}) {
            const auto added = f.addFormula(formula, 0, false);
            QVERIFY2(added, qPrintable(added.message()));
        }
        QList<QByteArray> generations;
        for (int g = 0; g < 3; ++g)
            generations.append(bytesOf(DataFiles::backupPath(f.dir.path(), g)));
        for (const int irregular : {5, 7}) {
            f.session.reset();
            QVERIFY(f.exec(u"UPDATE Gongshi SET Idx = %1"_s.arg(irregular)));
            QVERIFY(f.reopen());
            QVERIFY2(f.session->openingNotice().contains(
                         QDir::toNativeSeparators(DataFiles::repairPath(f.dir.path(), 0))),
                     qPrintable(f.session->openingNotice()));
        }
        f.session.reset();
        for (int g = 0; g < 3; ++g)
            QCOMPARE(bytesOf(DataFiles::backupPath(f.dir.path(), g)), generations[g]);
        QCOMPARE(SqlConnection(DataFiles::repairPath(f.dir.path(), 0)).integers(u"SELECT Idx FROM Gongshi"_s),
                 (QList<int>{7, 7}));
        QCOMPARE(SqlConnection(DataFiles::repairPath(f.dir.path(), 1)).integers(u"SELECT Idx FROM Gongshi"_s),
                 (QList<int>{5, 5}));
        QVERIFY(!QFileInfo::exists(DataFiles::repairPath(f.dir.path(), 2)));
    }

    // A link where the report of unrecognised formulas goes is replaced by the report; the file it
    // pointed to stays as it was.
    void reportReplacesALink() {
        Fixture f;
        QVERIFY(f.reopen());
        QTemporaryDir outside;
        const QString target = outside.filePath(u"important.txt"_s);
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("keep me\n") == 8);
        file.close();
        const QString report = f.dir.filePath(u"无法识别公式.txt"_s);
        QVERIFY(QFile::link(target, report));
        const auto imported =
            f.importFormulas(f.write(u"f.txt"_s, "[D单特类]特码数\n[D单特类]不是公式@@\n"), false);
        QVERIFY2(imported, qPrintable(imported ? QString() : imported.error().shown()));
        QCOMPARE(imported->reportPath, report);
        QVERIFY(!QFileInfo(report).isSymLink());
        QVERIFY(bytesOf(report).contains("不是公式"));
        QCOMPARE(bytesOf(target), QByteArray("keep me\n"));
    }

    // A history or formula "file" that is a fifo without a writer, a folder or missing is refused
    // at once, saying why, and the database stays as it was.
    void onlyRegularFilesAreRead_data() {
        QTest::addColumn<bool>("history");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("said");
        QTest::newRow("history from a fifo") << true << u"fifo"_s << u"命名管道"_s;
        QTest::newRow("formulas from a fifo") << false << u"fifo"_s << u"命名管道"_s;
        QTest::newRow("history from a folder") << true << u"folder"_s << u"文件夹"_s;
        QTest::newRow("formulas from a missing file") << false << u"missing"_s << u"No such file"_s;
    }
    void onlyRegularFilesAreRead() {
        QFETCH(bool, history);
        QFETCH(QString, kind);
        QFETCH(QString, said);
        Fixture f;
        QVERIFY(f.reopen());
        QVERIFY(f.importHistory(f.firstDraws(3)));
        const QString input = f.dir.filePath(u"input"_s);
        if (kind == u"fifo"_s)
            QCOMPARE(::mkfifo(QFile::encodeName(input).constData(), 0600), 0);
        else if (kind == u"folder"_s)
            QVERIFY(QDir(f.dir.path()).mkdir(u"input"_s));
        const QByteArray before = bytesOf(f.dbPath());
        const Watchdog guard("reading a file that is not a regular file");
        const Error refused = [&] {
            if (history) {
                const auto imported = f.importHistory(input);
                return imported ? Error{} : imported.error();
            }
            const auto imported = f.importFormulas(input, false);
            return imported ? Error{} : imported.error();
        }();
        QVERIFY2(refused.shown().contains(said), qPrintable(refused.shown()));
        QCOMPARE(bytesOf(f.dbPath()), before);
    }
};

QTEST_GUILESS_MAIN(TestDataFiles)
#include "tst_datafiles.moc"
