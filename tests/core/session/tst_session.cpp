#include "SessionFixture.h"
#include "SqlHelper.h"
#include "store/Backups.h"
#include "store/Database.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace talven;
using namespace talven::test;

namespace {

// Reads one integer column of a table, in QQH order.
QList<int> column(const QString& dbPath, const QString& table, const QString& col,
                  const QString& order = u"QQH"_s) {
    return SqlConnection(dbPath).integers(u"SELECT %1 FROM %2 ORDER BY %3"_s.arg(col, table, order));
}

QStringList textColumn(const QString& dbPath, const QString& table, const QString& col) {
    return SqlConnection(dbPath).rows(u"SELECT %1 FROM %2 ORDER BY QQH"_s.arg(col, table));
}

// Every stored draw column of every row of a table, for whole-table comparisons.
QList<QList<int>> drawRows(const QString& dbPath, const QString& table) {
    QStringList names;
    for (int i = 0; i < DrawColumns::Count; ++i)
        names.append(DrawColumns::name(i));
    QList<QList<int>> rows;
    for (const QString& row :
         SqlConnection(dbPath).rows(u"SELECT %1 FROM %2 ORDER BY QQH"_s.arg(names.join(u','), table))) {
        QList<int> values;
        for (const QString& cell : row.split(u'|'))
            values.append(cell.toInt());
        rows.append(values);
    }
    return rows;
}

template <typename T>
QString messageOf(const Result<T>& result) {
    return result.ok() ? QString() : result.error().shown();
}

} // namespace

class TestSession : public QObject {
    Q_OBJECT

private slots:
    void createsPreparedDatabase() {
        Fixture f;
        QVERIFY(f.reopen());
        for (int t : {0, 30})
            QCOMPARE(column(f.dbPath(), u"pragma_table_info('Lishi%1')"_s.arg(t), u"cid"_s, u"cid"_s).size(),
                     235);
        QCOMPARE(column(f.dbPath(), u"Errarr"_s, u"num"_s, u"num"_s).size(), 49);
    }

    void refusesForeignFilesUntouched_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("text file") << QByteArray("this is not a database\n");
        static const char binary[] = "\x00\x01\x02\xff\xfe garbage";
        QTest::newRow("binary bytes") << QByteArray(binary, sizeof(binary) - 1);
    }
    void refusesForeignFilesUntouched() {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        QFile file(dir.filePath(u"orvane.mdb"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        QSettings settings(dir.filePath(u"s.ini"_s), QSettings::IniFormat);
        auto s = Session::open(dir.path(), settings);
        QVERIFY(!s.ok());
        QVERIFY(!s.message().isEmpty());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), content);
    }

    void refusesOtherSchema() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"orvane.mdb"_s);
        SqlConnection(path, SqlConnection::Mode::ReadWrite).exec(u"CREATE TABLE Gongshi (x TEXT)"_s);
        const QByteArray before = [&] {
            QFile f(path);
            f.open(QIODevice::ReadOnly);
            return f.readAll();
        }();
        QSettings settings(dir.filePath(u"s.ini"_s), QSettings::IniFormat);
        QVERIFY(!Session::open(dir.path(), settings).ok());
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        QCOMPARE(f.readAll(), before);
    }

    void refusesMoreFormulasThanTablesHold() {
        QTemporaryDir dir;
        QSettings settings(dir.filePath(u"s.ini"_s), QSettings::IniFormat);
        QVERIFY(Session::open(dir.path(), settings).ok());
        SqlConnection(dir.filePath(u"orvane.mdb"_s), SqlConnection::Mode::ReadWrite)
            .exec(u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1537) "
                  u"INSERT INTO Gongshi SELECT i, 'L1A', 0, 1 FROM n"_s);
        auto s = Session::open(dir.path(), settings);
        QVERIFY(!s.ok());
        QVERIFY(s.message().contains(u"1537"_s));
    }

    void importStoresRowsFollowingDrawsAndBackup() {
        Fixture f;
        QVERIFY(f.reopen());
        auto report = f.importHistory(f.write(u"h.txt"_s, history + "garbage line\n"));
        QVERIFY(report.ok());
        QCOMPARE(report->stored, 7);
        QCOMPARE(report->skipped.size(), 1);
        QCOMPARE(report->skipped.first().line, 8);
        QVERIFY(QFile::exists(f.dir.filePath(u"orvane.mdb.bak"_s)));
        const QList<int> qqh = column(f.dbPath(), u"Lishi0"_s, u"QQH"_s);
        const QList<int> sqqh = column(f.dbPath(), u"Lishi0"_s, u"SQQH"_s);
        QCOMPARE(qqh.size(), 7);
        for (int i = 0; i + 1 < qqh.size(); ++i)
            QCOMPARE(sqqh[i], qqh[i + 1]);
        QCOMPARE(sqqh.last(), 2026006);
        QCOMPARE(f.session->nextPeriod().value(), 2026006);
        QCOMPARE(f.session->currentYear(), 2026);
    }

    void refusedChangesLeaveEverythingAsItWas_data() {
        QTest::addColumn<QString>("action");
        QTest::newRow("file without draws") << u"import-empty"_s;
        QTest::newRow("missing file") << u"import-missing"_s;
        QTest::newRow("number out of range") << u"draw-range"_s;
        QTest::newRow("repeated number") << u"draw-repeat"_s;
        QTest::newRow("period not above newest") << u"draw-period"_s;
        QTest::newRow("empty formula") << u"formula-empty"_s;
        QTest::newRow("untranslated term") << u"formula-term"_s;
        QTest::newRow("unknown column") << u"formula-column"_s;
        QTest::newRow("unknown formula index") << u"formula-delete"_s;
    }
    void refusedChangesLeaveEverythingAsItWas() {
        QFETCH(QString, action);
        Fixture f;
        QVERIFY(f.reopen());
        QVERIFY(f.importHistory(f.write(u"h.txt"_s, history)).ok());
        QVERIFY(f.addFormula(u"[D单特类]特码数+平码一"_s, 0, true));
        const auto rowsBefore = drawRows(f.dbPath(), u"Lishi0"_s);
        Result<void> err;
        if (action == u"import-empty"_s)
            err = f.importHistory(f.write(u"e.txt"_s, "nothing here\n1 2 3\n")).ok()
                      ? Result<void>()
                      : Result<void>(Error{u"refused"_s});
        else if (action == u"import-missing"_s)
            err = f.importHistory(f.dir.filePath(u"none.txt"_s)).ok() ? Result<void>()
                                                                      : Result<void>(Error{u"x"_s});
        else if (action == u"draw-range"_s)
            err = f.addDraw({1, 2, 3, 4, 5, 6, 50});
        else if (action == u"draw-repeat"_s)
            err = f.addDraw({1, 2, 3, 4, 5, 6, 6});
        else if (action == u"draw-period"_s)
            err = f.addDraw({1, 2, 3, 4, 5, 6, 7}, 2026005);
        else if (action == u"formula-empty"_s)
            err = f.addFormula(QString(), 0, true);
        else if (action == u"formula-term"_s)
            err = f.addFormula(u"特码数+特码数"_s, 0, true);
        else if (action == u"formula-column"_s)
            err = f.addFormula(u"X1A+1"_s, 0, true);
        else
            err = f.deleteFormula(9);
        QVERIFY(!err.ok());
        QVERIFY(!err.message().isEmpty());
        QCOMPARE(drawRows(f.dbPath(), u"Lishi0"_s), rowsBefore);
        QCOMPARE(f.session->draws().size(), size_t(7));
        QCOMPARE(f.session->formulas().size(), size_t(1));
    }

    void typedFormulaMessages() {
        Fixture f;
        QVERIFY(f.reopen());
        QVERIFY(f.addFormula(QString(), 0, true).message().startsWith(u"请在公式输入框输入需要添加的公式"_s));
        QVERIFY(f.addFormula(u"特码数+特码数"_s, 0, true)
                    .message()
                    .startsWith(u"所输公式无法识别，无法添加到软件"_s));
    }

    void entryAndDeletionKeepRowsConsistent() {
        Fixture f;
        QVERIFY(f.reopen());
        QVERIFY(f.importHistory(f.write(u"h.txt"_s, history)).ok());
        QVERIFY(f.addDraw({5, 6, 7, 8, 9, 10, 11}));
        QCOMPARE(column(f.dbPath(), u"Lishi0"_s, u"SQQH"_s).at(6), 2026006); // the real next period
        QCOMPARE(column(f.dbPath(), u"Lishi0"_s, u"SQQH"_s).at(7), 2026007);
        QVERIFY(f.deleteLastDraw());
        QCOMPARE(column(f.dbPath(), u"Lishi0"_s, u"QQH"_s).size(), 7);
        QCOMPARE(f.session->nextPeriod().value(), 2026006);
        // The stored rows are what a fresh import of the same draws writes.
        Fixture g;
        QVERIFY(g.reopen());
        QVERIFY(g.importHistory(g.write(u"h.txt"_s, history)).ok());
        QCOMPARE(drawRows(f.dbPath(), u"Lishi0"_s), drawRows(g.dbPath(), u"Lishi0"_s));
    }

    void deletingWithEmptyHistoryDoesNothing() {
        Fixture f;
        QVERIFY(f.reopen());
        QVERIFY(f.deleteLastDraw());
        QVERIFY(f.session->draws().empty());
    }

    void newYearRewritesStoredRows() {
        Fixture f;
        QVERIFY(f.reopen());
        QVERIFY(f.importHistory(f.write(u"h.txt"_s, history.left(history.indexOf("2026001")))).ok());
        QCOMPARE(f.session->currentYear(), 2025);
        // The year's first draw moves the current year: every row is written as a 2026 import writes it.
        QVERIFY(f.addDraw({15, 16, 17, 18, 19, 20, 21}, 2026001));
        Fixture g;
        QVERIFY(g.reopen());
        QVERIFY(g.importHistory(g.write(u"h.txt"_s, history.left(history.indexOf("2026002")))).ok());
        QCOMPARE(drawRows(f.dbPath(), u"Lishi0"_s), drawRows(g.dbPath(), u"Lishi0"_s));
    }

    void codeBaseChangeRewritesRows_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("wave base") << u"BsIni"_s << u"1"_s;
        QTest::newRow("element base") << u"WxIni"_s << u"1"_s;
        QTest::newRow("zodiac base") << u"SxIni"_s << u"0"_s;
        QTest::newRow("segment base") << u"DsIni"_s << u"0"_s;
        QTest::newRow("year digits") << u"YEAR"_s << u"True"_s;
    }
    void codeBaseChangeRewritesRows() {
        QFETCH(QString, key);
        QFETCH(QString, value);
        Fixture f;
        QVERIFY(f.reopen());
        QVERIFY(f.importHistory(f.write(u"h.txt"_s, history)).ok());
        const auto before = drawRows(f.dbPath(), u"Lishi0"_s);
        QVERIFY(f.setOption(key, value));
        QVERIFY(drawRows(f.dbPath(), u"Lishi0"_s) != before);
        Fixture g;
        QVERIFY(g.reopen());
        QVERIFY(g.setOption(key, value));
        QVERIFY(g.importHistory(g.write(u"h.txt"_s, history)).ok());
        QCOMPARE(drawRows(f.dbPath(), u"Lishi0"_s), drawRows(g.dbPath(), u"Lishi0"_s));
    }

    void zodiacCodingAppliesAtNextStart() {
        Fixture f;
        QVERIFY(f.reopen());
        QVERIFY(f.importHistory(f.write(u"h.txt"_s, history)).ok());
        const auto before = drawRows(f.dbPath(), u"Lishi0"_s);
        QVERIFY(f.setOption(u"SxSetup"_s, u"True"_s));
        QCOMPARE(drawRows(f.dbPath(), u"Lishi0"_s), before);
        QVERIFY(f.reopen()); // start-up brings the rows in line with the coding now in force
        QVERIFY(drawRows(f.dbPath(), u"Lishi0"_s) != before);
        QCOMPARE(f.settings.value(u"IniSetting/SxSetup"_s).toString(), u"True"_s);
    }

    void optionValidation_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("BIT 16") << u"BIT"_s << u"16"_s << true;
        QTest::newRow("BIT letters") << u"BIT"_s << u"abc"_s << false;
        QTest::newRow("BIT zero") << u"BIT"_s << u"0"_s << false;
        QTest::newRow("BIT 100") << u"BIT"_s << u"100"_s << false;
        QTest::newRow("BIT fraction") << u"BIT"_s << u"1.5"_s << false;
        QTest::newRow("base 2") << u"SxIni"_s << u"2"_s << false;
        QTest::newRow("flag word") << u"MaAddIni"_s << u"maybe"_s << false;
        QTest::newRow("unknown key") << u"Colour"_s << u"1"_s << false;
    }
    void optionValidation() {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(bool, accepted);
        Fixture f;
        QVERIFY(f.reopen());
        const QString before = f.optionText(key);
        const Result<void> err = f.setOption(key, value);
        QCOMPARE(err.ok(), accepted);
        if (!accepted)
            QCOMPARE(f.optionText(key), before);
        if (key == u"BIT"_s && !accepted)
            QCOMPARE(err.message(), u"请输入一个正整数"_s);
        if (key == u"BIT"_s && accepted)
            QCOMPARE(f.session->options().bit, 49); // the largest number changes at the next start
    }

    void formula51UsesSecondTable() {
        Fixture f;
        QVERIFY(f.reopen());
        QVERIFY(f.importHistory(f.write(u"h.txt"_s, history)).ok());
        QByteArray file;
        for (int i = 0; i < 51; ++i)
            file += "[D单特类]特码数+" + QByteArray::number(i + 1) + "\n";
        auto read = f.importFormulas(f.write(u"f.txt"_s, file), true);
        QVERIFY(read.ok());
        QCOMPARE(read->added, 51);
        QCOMPARE(column(f.dbPath(), u"Lishi1"_s, u"QQH"_s), column(f.dbPath(), u"Lishi0"_s, u"QQH"_s));
        // Formula 51 is column 1 of Lishi1; formula 50 is column 50 of Lishi0.
        QCOMPARE(textColumn(f.dbPath(), u"Lishi1"_s, u"GSZ1"_s).at(1), f.session->resultText(51, 1));
        QCOMPARE(textColumn(f.dbPath(), u"Lishi0"_s, u"GSZ50"_s).at(1), f.session->resultText(50, 1));
        QVERIFY(!f.session->resultText(51, 1).isEmpty());
    }

    void deletingFormulaMovesResultsAndRenumbers() {
        Fixture f;
        QVERIFY(f.reopen());
        QVERIFY(f.importHistory(f.write(u"h.txt"_s, history)).ok());
        for (const char* text :
             {"[D单特类]特码数+1", "[D单特类]特码数+2", "[D单特类]特码数+3", "[D单特类]平码一*2"})
            QVERIFY(f.addFormula(QString::fromUtf8(text), 0, true));
        f.session->setSelected(4, false);
        const QStringList third = textColumn(f.dbPath(), u"Lishi0"_s, u"GSZ3"_s);
        QVERIFY(f.deleteFormula(2));
        QCOMPARE(column(f.dbPath(), u"Gongshi"_s, u"Idx"_s, u"Idx"_s), (QList<int>{1, 2, 3}));
        QList<int> idx;
        for (const FormulaRow& r : f.session->formulas())
            idx.append(r.idx);
        QCOMPARE(idx, (QList<int>{1, 2, 3}));
        QCOMPARE(textColumn(f.dbPath(), u"Lishi0"_s, u"GSZ2"_s), third);
        QVERIFY(textColumn(f.dbPath(), u"Lishi0"_s, u"GSZ4"_s).join(QString()).isEmpty());
        QCOMPARE(f.session->selection(), (std::vector<bool>{true, true, false}));
        // A restart reads the same formulas back in the same order.
        const QString code = f.session->formulas().back().code;
        QVERIFY(f.reopen());
        QCOMPARE(f.session->formulas().size(), size_t(3));
        QCOMPARE(f.session->formulas().back().code, code);
    }

    void failedWriteRollsBackEverything() {
        Fixture f;
        QVERIFY(f.reopen());
        QVERIFY(f.importHistory(f.write(u"h.txt"_s, history)).ok());
        QByteArray file;
        for (int i = 0; i < 51; ++i)
            file += "[D单特类]特码数+" + QByteArray::number(i) + "\n";
        QCOMPARE(f.importFormulas(f.write(u"f.txt"_s, file), true)->added, 51);
        const auto before = drawRows(f.dbPath(), u"Lishi0"_s);
        // The second history table refuses new rows: the change must leave no table half-written.
        QVERIFY(f.exec(
            u"CREATE TRIGGER refuse BEFORE INSERT ON Lishi1 BEGIN SELECT RAISE(ABORT, 'disk full'); END"_s));
        QVERIFY(!f.addDraw({1, 2, 3, 4, 5, 6, 7}).ok());
        QCOMPARE(drawRows(f.dbPath(), u"Lishi0"_s), before);
        QCOMPARE(column(f.dbPath(), u"Lishi1"_s, u"QQH"_s).size(), 7);
        QCOMPARE(f.session->draws().size(), size_t(7));
        QVERIFY(f.exec(u"DROP TRIGGER refuse"_s));
        QVERIFY(f.addDraw({1, 2, 3, 4, 5, 6, 7}));
        QCOMPARE(column(f.dbPath(), u"Lishi1"_s, u"QQH"_s), column(f.dbPath(), u"Lishi0"_s, u"QQH"_s));
    }

    // A long change computes on a copy: until it completes, the session shows the old state and
    // refuses other changes; a failure leaves memory and database as they were.
    void longChangeKeepsTheOldStateUntilItCompletes() {
        Fixture f;
        QVERIFY(f.reopen());
        QVERIFY(f.importHistory(f.write(u"h.txt"_s, history)).ok());
        QByteArray file;
        for (int i = 0; i < 51; ++i)
            file += "[D单特类]特码数+" + QByteArray::number(i) + "\n";
        QCOMPARE(f.importFormulas(f.write(u"f.txt"_s, file), true)->added, 51);
        const QString bigger = f.write(u"h2.txt"_s, history + "2026006 01 02 03 04 05 06 07\n");

        QSignalSpy busy(f.session.get(), &Session::busyChanged);
        auto pending = f.session->importHistory(bigger);
        QVERIFY(f.session->busy());
        QCOMPARE(f.session->draws().size(), size_t(7));
        QCOMPARE(f.addDraw({1, 2, 3, 4, 5, 6, 7}).code(), ErrorCode::InProgress);
        f.session->setSelected(1, false); // ignored while the change runs
        QVERIFY(f.session->selection()[0]);
        QVERIFY(pending.wait().ok());
        QCOMPARE(f.session->draws().size(), size_t(8));
        QCOMPARE(busy.size(), 2);

        // The second history table refuses rows: the import fails and nothing changes.
        const auto rowsBefore = drawRows(f.dbPath(), u"Lishi0"_s);
        QVERIFY(f.exec(
            u"CREATE TRIGGER refuse BEFORE INSERT ON Lishi1 BEGIN SELECT RAISE(ABORT, 'disk full'); END"_s));
        QVERIFY(!f.importHistory(f.write(u"h3.txt"_s, history + "2026006 11 12 13 14 15 16 17\n"
                                                                "2026007 21 22 23 24 25 26 27\n"))
                     .ok());
        QCOMPARE(f.session->draws().size(), size_t(8));
        QCOMPARE(drawRows(f.dbPath(), u"Lishi0"_s), rowsBefore);
        QCOMPARE(column(f.dbPath(), u"Lishi1"_s, u"QQH"_s).size(), 8);
        QVERIFY(!f.session->busy());
    }

    // A database that refuses writes: the option is not saved, and a start-up that cannot bring the
    // rows in line still shows them, refusing changes.
    void refusedWritesNeverLockTheUserOut() {
        Fixture f;
        QVERIFY(f.reopen());
        QVERIFY(f.importHistory(f.write(u"h.txt"_s, history)).ok());
        for (const char* event : {"INSERT", "UPDATE", "DELETE"})
            QVERIFY(f.exec(
                u"CREATE TRIGGER refuse%1 BEFORE %1 ON Lishi0 BEGIN SELECT RAISE(ABORT, 'readonly'); END"_s
                    .arg(QString::fromLatin1(event))));
        QVERIFY(!f.setOption(u"YEAR"_s, u"True"_s).ok());
        f.settings.sync();
        QVERIFY(!f.settings.contains(u"IniSetting/YEAR"_s));
        QCOMPARE(f.optionText(u"YEAR"_s), u"False"_s);
        // Options that changed elsewhere ask for every row to be rewritten, which the file refuses.
        f.settings.setValue(u"IniSetting/YEAR"_s, u"True"_s);
        QVERIFY(f.reopen());
        QVERIFY(!f.session->readOnlyReason().isEmpty());
        QCOMPARE(f.session->draws().size(), size_t(7));
        QCOMPARE(f.addDraw({1, 2, 3, 4, 5, 6, 7}).code(), ErrorCode::ReadOnly);
    }

    // A stored period outside seven digits opens read-only, naming the row; no period beyond the
    // last seven-digit one is proposed.
    void periodsStayWithinSevenDigits() {
        Fixture f;
        QVERIFY(f.reopen());
        // Files hold years 1900..2099 only; another program may have stored more.
        QVERIFY(f.importHistory(
                     f.write(u"h.txt"_s, "2099998 01 02 03 04 05 06 07\n2099999 08 09 10 11 12 13 14\n"))
                    .ok());
        QVERIFY(f.exec(u"UPDATE Lishi0 SET QQH = QQH + 7900000"_s));
        QVERIFY(f.reopen());
        QVERIFY(!f.session->nextPeriod().isValid());
        QVERIFY(f.addDraw({1, 2, 3, 4, 5, 6, 7}).message().contains(u"9999999"_s));
        QVERIFY(f.exec(u"UPDATE Lishi0 SET QQH = 2147483647 WHERE QQH = 9999999"_s));
        QVERIFY(f.reopen());
        QVERIFY(f.session->readOnlyReason().contains(u"第 2 行"_s));
        QVERIFY(f.session->readOnlyReason().contains(u"2147483647"_s));
        QCOMPARE(f.addDraw({1, 2, 3, 4, 5, 6, 7}, 2026001).code(), ErrorCode::ReadOnly);
        QCOMPARE(column(f.dbPath(), u"Lishi0"_s, u"QQH"_s), (QList<int>{9999998, 2147483647}));
    }

    // Files no one means to import are refused before they cost memory or formulas.
    void hostileFilesAreRefused_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("65 MB history file") << u"large-history"_s << u"64 MB"_s;
        QTest::newRow("65 MB formula file") << u"large-formulas"_s << u"64 MB"_s;
        QTest::newRow("endless device") << u"device"_s << u"设备文件"_s;
        QTest::newRow("binary formula file") << u"binary-formulas"_s << u"不是公式文本文件"_s;
    }
    void hostileFilesAreRefused() {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        Fixture f;
        QVERIFY(f.reopen());
        QVERIFY(f.importHistory(f.write(u"h.txt"_s, history)).ok());
        QString path = f.dir.filePath(u"input"_s);
        if (kind.startsWith(u"large"_s)) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.resize(65LL * 1024 * 1024)); // sparse: nothing is written
        } else if (kind == u"device"_s) {
            path = u"/dev/zero"_s;
            if (!QFile::exists(path))
                QSKIP("no /dev/zero here");
        } else {
            QByteArray bytes;
            QRandomGenerator rng(5);
            for (int i = 0; i < 200000; ++i)
                bytes.append(char(rng.bounded(256)));
            f.write(u"input"_s, bytes);
        }
        const bool historyFile = kind.endsWith(u"history"_s) || kind == u"device"_s;
        const QString refusal =
            historyFile ? messageOf(f.importHistory(path)) : messageOf(f.importFormulas(path, true));
        QVERIFY2(refusal.contains(message), qPrintable(refusal));
        QCOMPARE(f.session->draws().size(), size_t(7));
        QVERIFY(f.session->formulas().empty());
    }

    // Three generations of backups, rotated before each import; any can be put back, and the
    // database it replaces is kept as the newest backup.
    void backupsRotateAndRestore() {
        Fixture f;
        QVERIFY(f.reopen());
        for (int n = 1; n <= 4; ++n)
            QCOMPARE(f.importHistory(f.firstDraws(n)).value().stored, n);
        auto drawsIn = [&](int generation) {
            return static_cast<int>(
                column(Backups::path(f.dbPath(), generation), u"Lishi0"_s, u"QQH"_s).size());
        };
        QCOMPARE((QList<int>{drawsIn(0), drawsIn(1), drawsIn(2)}), (QList<int>{3, 2, 1}));
        QVERIFY(f.session->restoreBackup(1).wait());
        QCOMPARE(f.session->draws().size(), size_t(2));
        QCOMPARE(column(f.dbPath(), u"Lishi0"_s, u"QQH"_s).size(), 2);
        // Every state is kept: the replaced database is the newest, the restored copy leaves.
        QCOMPARE((QList<int>{drawsIn(0), drawsIn(1), drawsIn(2)}), (QList<int>{4, 3, 1}));
        QVERIFY(f.session->restoreBackup(1).wait());
        QCOMPARE(f.session->draws().size(), size_t(3));
        QCOMPARE((QList<int>{drawsIn(0), drawsIn(1), drawsIn(2)}), (QList<int>{2, 4, 1}));
        QCOMPARE(f.session->restoreBackup(3).wait().code(), ErrorCode::Refused);
        // An import that fails after the copy puts every generation back.
        QVERIFY(f.exec(
            u"CREATE TRIGGER refuse BEFORE INSERT ON Lishi0 BEGIN SELECT RAISE(ABORT, 'full'); END"_s));
        QVERIFY(!f.importHistory(f.write(u"h5.txt"_s, history)).ok());
        QCOMPARE((QList<int>{drawsIn(0), drawsIn(1), drawsIn(2)}), (QList<int>{2, 4, 1}));
        QVERIFY(!QFile::exists(Backups::path(f.dbPath(), 2) + u".dropped"_s));
        QVERIFY(f.exec(u"DROP TRIGGER refuse"_s));
        // A copy killed half-way is cleaned up at the next start; a running program's stays.
        const QString running = u"orvane.mdb.bak.%1-1.part.tmp"_s.arg(QCoreApplication::applicationPid());
        for (const QString& name :
             {u"orvane.mdb.bak.tmp"_s, u"orvane.mdb.bak.2147483000-1.part.tmp"_s, running})
            f.write(name, "half a copy");
        QVERIFY(f.reopen());
        QCOMPARE(QDir(f.dir.path()).entryList({u"*.tmp"_s}, QDir::Files), QStringList{running});
    }

    // A backup that cannot be read back whole, or is another program's, is refused before anything
    // moves, by restore and by the undo of an import alike.
    void unusableBackupsAreRefused_data() {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<bool>("throughUndo");
        QTest::newRow("torn page") << u"torn"_s << false;
        QTest::newRow("torn page, undo") << u"torn"_s << true;
        QTest::newRow("not a database") << u"text"_s << false;
        QTest::newRow("another schema") << u"schema"_s << true;
        QTest::newRow("another program's mark") << u"mark"_s << false;
    }
    void unusableBackupsAreRefused() {
        QFETCH(QString, damage);
        QFETCH(bool, throughUndo);
        Fixture f;
        QVERIFY(f.reopen());
        for (int n = 2; n <= 4; ++n)
            QVERIFY(f.importHistory(f.firstDraws(n)).ok());
        const QString bak = Backups::path(f.dbPath(), 0);
        if (damage == u"torn"_s) {
            QFile file(bak);
            QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(16384));
            file.write(QByteArray(4000, '\xab'));
        } else if (damage == u"text"_s) {
            QFile::remove(bak);
            f.write(u"orvane.mdb.bak"_s, history);
        } else if (damage == u"schema"_s) {
            QFile::remove(bak);
            QCOMPARE(SqlConnection(bak, SqlConnection::Mode::ReadWrite).exec(u"CREATE TABLE t (x)"_s),
                     SQLITE_OK);
        } else {
            QCOMPARE(SqlConnection(bak, SqlConnection::Mode::ReadWrite).exec(u"PRAGMA user_version = 7"_s),
                     SQLITE_OK);
        }
        auto bytes = [&f] {
            QList<QByteArray> all;
            for (const QString& file : {f.dbPath(), Backups::path(f.dbPath(), 0),
                                        Backups::path(f.dbPath(), 1), Backups::path(f.dbPath(), 2)}) {
                QFile in(file);
                all.append(in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray());
            }
            return all;
        };
        const QList<QByteArray> before = bytes();
        const Result<void> restored =
            throughUndo ? f.session->undo().wait() : f.session->restoreBackup(0).wait();
        QVERIFY(!restored);
        QVERIFY2(restored.message().contains(u"orvane.mdb.bak"_s), qPrintable(restored.message()));
        QVERIFY(bytes() == before);
        QCOMPARE(f.session->draws().size(), size_t(4));
        QVERIFY(f.reopen());
        QCOMPARE(f.session->draws().size(), size_t(4));
    }

    // A backup with a damaged row is put back and only shown; restoring again undoes it.
    void restoredDamagedBackupCanBeRestoredAway() {
        Fixture f;
        QVERIFY(f.reopen());
        QVERIFY(f.importHistory(f.firstDraws(3)).ok());
        QVERIFY(f.importHistory(f.firstDraws(4)).ok());
        QCOMPARE(SqlConnection(Backups::path(f.dbPath(), 0), SqlConnection::Mode::ReadWrite)
                     .exec(u"UPDATE Lishi0 SET QQH = 2025149 WHERE QQH = 2025150"_s),
                 SQLITE_OK);
        QVERIFY(f.session->undo().wait());
        QCOMPARE(f.session->draws().size(), size_t(3));
        QVERIFY(!f.session->readOnlyReason().isEmpty());
        QCOMPARE(f.addDraw({1, 2, 3, 4, 5, 6, 7}).code(), ErrorCode::ReadOnly);
        QVERIFY(f.session->restoreBackup(0).wait());
        QCOMPARE(f.session->draws().size(), size_t(4));
        QVERIFY(f.session->readOnlyReason().isEmpty());
        QVERIFY(f.addDraw({1, 2, 3, 4, 5, 6, 7}));
    }

    void restartFindsStoredResultsInStep() {
        Fixture f;
        QVERIFY(f.reopen());
        QVERIFY(f.importHistory(f.write(u"h.txt"_s, history)).ok());
        QVERIFY(f.addFormula(u"[L生肖类]平一肖+总期数"_s, 1, true));
        const QStringList values = textColumn(f.dbPath(), u"Lishi0"_s, u"GSZ1"_s);
        const QList<int> hits = column(f.dbPath(), u"Lishi0"_s, u"GS1"_s);
        // A row damaged outside the program is repaired at start-up.
        QVERIFY(f.exec(u"UPDATE Lishi0 SET L7B = 99, GSZ1 = 'stale' WHERE QQH = 2026003"_s));
        QVERIFY(f.reopen());
        QCOMPARE(textColumn(f.dbPath(), u"Lishi0"_s, u"GSZ1"_s), values);
        QCOMPARE(column(f.dbPath(), u"Lishi0"_s, u"GS1"_s), hits);
        QVERIFY(!column(f.dbPath(), u"Lishi0"_s, u"L7B"_s).contains(99));
        QVERIFY(values.first().isEmpty()); // the first draw has no prediction
    }

    void verificationMatchesCutOffHistory() {
        const QByteArray formulas = "[D单特类]特码数+平码一\n[L生肖类]平一肖+总期数\n[D畜兽类]特码数*3\n"
                                    "[D半波类]平码二+7\n[D五行类]特码合+平分数\n[D半单双]总期数-特码数\n"
                                    "[D码段类]平三段*5\n[D大小类]特码尾+1\n";
        Fixture full;
        QVERIFY(full.reopen());
        QVERIFY(full.importHistory(full.write(u"h.txt"_s, history)).ok());
        QVERIFY(full.importFormulas(full.write(u"f.txt"_s, formulas), false).ok());
        QVERIFY(full.addFormula(u"[D尾数类]平码六+特码数"_s, 3, true));
        full.session->setSelected(2, false);
        auto verified = full.session->errorValues(Period(2026003));
        QVERIFY(verified.ok());

        Fixture cut;

        QVERIFY(cut.reopen());
        QVERIFY(cut.importHistory(cut.write(u"h.txt"_s, history.left(history.indexOf("2026004")))).ok());
        QVERIFY(cut.importFormulas(cut.write(u"f.txt"_s, formulas), false).ok());
        QVERIFY(cut.addFormula(u"[D尾数类]平码六+特码数"_s, 3, true));
        cut.session->setSelected(2, false);
        auto next = cut.session->errorValues();
        QVERIFY(next.ok());
        QCOMPARE(verified.value(), next.value());
        // Counts do not depend on the number of runs.
        QCOMPARE(cut.session->errorValues().value(), next.value());

        QVERIFY(!full.session->errorValues(Period(2026099)).ok());
        QVERIFY(cut.session->predict().wait().ok());
        QCOMPARE(cut.session->storedErrorValues().wait().value(), next.value());
    }

    void storedResultsEqualTheBacktest() {
        Fixture f;
        QVERIFY(f.reopen());
        QFile sample(QStringLiteral(TALVEN_SOURCE_DIR "/samples/history.txt"));
        QVERIFY(sample.open(QIODevice::ReadOnly));
        QVERIFY(f.importHistory(f.write(u"h.txt"_s, sample.readAll())).ok());
        QFile formulas(QStringLiteral(TALVEN_SOURCE_DIR "/samples/formulas-utf8.txt"));
        QVERIFY(formulas.open(QIODevice::ReadOnly));
        const QByteArray lines = formulas.readAll();
        QVERIFY(f.importFormulas(f.write(u"f.txt"_s, lines + lines), true).ok()); // two tables
        QVERIFY(f.addDraw({1, 2, 3, 4, 5, 6, 7}));
        QVERIFY(f.deleteFormula(3));
        const int count = static_cast<int>(f.session->formulas().size());
        QVERIFY(count > 50);
        for (int ordinal = 1; ordinal <= count; ++ordinal) {
            const QString table = u"Lishi%1"_s.arg((ordinal - 1) / 50);
            const int c = (ordinal - 1) % 50 + 1;
            const QList<int> hits = column(f.dbPath(), table, u"GS%1"_s.arg(c));
            const QStringList texts = textColumn(f.dbPath(), table, u"GSZ%1"_s.arg(c));
            QCOMPARE(hits.size(), static_cast<int>(f.session->draws().size()));
            for (int d = 0; d < hits.size(); ++d) {
                QCOMPARE(hits[d] != 0, f.session->resultHit(ordinal, d));
                QCOMPARE(texts[d], f.session->resultText(ordinal, d));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestSession)
#include "tst_session.moc"
