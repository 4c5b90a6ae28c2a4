#include "BackupFaults.h"
#include "CliApp.h"
#include "Samples.h"
#include "SqlHelper.h"
#include "common/Limits.h"
#include "formula/FormulaInput.h"
#include "store/Database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QTextStream>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace talven;
using talven::test::sample;
using talven::test::sampleDraws;
using talven::test::SqlConnection;

namespace {

struct Run {
    int code = -1;
    QString out;
    QString err;
};

} // namespace

// A tmpfs of its own on a fresh folder, for what happens when the disk is full; root only.
class SmallDisk {
public:
    explicit SmallDisk(const char* size) : m_where(QFile::encodeName(m_dir.path())) {
        const QByteArray options = QByteArray("size=") + size;
        m_mounted =
            ::geteuid() == 0 && ::mount("tmpfs", m_where.constData(), "tmpfs", 0, options.constData()) == 0;
    }
    ~SmallDisk() {
        if (m_mounted)
            ::umount2(m_where.constData(), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QByteArray m_where;
    bool m_mounted = false;
};

class TestCli : public QObject {
    Q_OBJECT

    QTemporaryDir m_settingsDir;
    QTemporaryDir m_dir;
    QTemporaryDir m_files;
    QTemporaryDir m_stderrDir;

    Run cli(QStringList args, const QString& dataDir = QString()) {
        args.prepend(u"talven-cli"_s);
        args.append({u"--data-dir"_s, dataDir.isEmpty() ? m_dir.path() : dataDir});
        Run r;
        QTextStream out(&r.out);
        QTextStream err(&r.err);
        r.code = CliApp::run(args, out, err);
        out.flush();
        err.flush();
        return r;
    }
    static QByteArray fileBytes(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static bool writeFile(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    }

private slots:
    void initTestCase() {
        // Options of the tests never touch the user's settings.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_settingsDir.path());
        QCOMPARE(cli({u"import-history"_s, sample("history.txt")}).code, 0);
        QCOMPARE(cli({u"import-formulas"_s, sample("formulas.txt")}).code, 0);
        QFile nothing(m_files.filePath(u"nothing.txt"_s));
        QVERIFY(nothing.open(QIODevice::WriteOnly));
        nothing.write("not a formula\n");
        QFile empty(m_files.filePath(u"empty.txt"_s));
        QVERIFY(empty.open(QIODevice::WriteOnly));
    }

    void refusedInputs_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown command") << QStringList{u"frobnicate"_s} << u"未知命令"_s;
        QTest::newRow("draw out of range")
            << QStringList{u"add-draw"_s, u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s, u"50"_s} << u"50"_s;
        QTest::newRow("six numbers") << QStringList{u"add-draw"_s, u"1"_s, u"2"_s, u"3"_s,
                                                    u"4"_s,        u"5"_s, u"6"_s}
                                     << u"七个号码"_s;
        QTest::newRow("old period") << QStringList{u"add-draw"_s, u"1"_s, u"2"_s, u"3"_s,        u"4"_s,
                                                   u"5"_s,        u"6"_s, u"7"_s, u"--period"_s, u"2001001"_s}
                                    << u"2001001"_s;
        QTest::newRow("BIT letters") << QStringList{u"settings"_s, u"BIT"_s, u"abc"_s}
                                     << u"请输入一个正整数"_s;
        QTest::newRow("empty formula")
            << QStringList{u"add-formula"_s, QString()} << u"请在公式输入框输入需要添加的公式"_s;
        QTest::newRow("untranslated term")
            << QStringList{u"add-formula"_s, u"特码数+特码数"_s}
            << u"所输公式无法识别，无法添加到软件。无法识别的公式项“特码数”。公式前缺少种类标头"_s;
        QTest::newRow("bad kind") << QStringList{u"add-formula"_s, u"[D单特类]特码数"_s, u"--kind"_s, u"16"_s}
                                  << u"0 到 15"_s;
        QTest::newRow("unknown formula") << QStringList{u"delete-formula"_s, u"999"_s} << u"999"_s;
        QTest::newRow("unknown period") << QStringList{u"predict"_s, u"--at"_s, u"1999001"_s} << u"1999001"_s;
        QTest::newRow("missing history file")
            << QStringList{u"import-history"_s, u"/nonexistent/h.txt"_s} << u"无法打开"_s;
        QTest::newRow("export what") << QStringList{u"export"_s, u"everything"_s} << u"用法"_s;
        QTest::newRow("option without its value")
            << QStringList{u"add-draw"_s, u"1"_s, u"2"_s, u"3"_s,       u"4"_s,
                           u"5"_s,        u"6"_s, u"7"_s, u"--period"_s}
            << u"--period 后面缺少"_s;
        QTest::newRow("backup number") << QStringList{u"restore-backup"_s, u"5"_s} << u"0、1 或 2"_s;
        QTest::newRow("discover holdout")
            << QStringList{u"discover"_s, u"--holdout"_s, u"4050"_s} << u"留出的期数"_s;
        QTest::newRow("discover candidates")
            << QStringList{u"discover"_s, u"--candidates"_s, u"x"_s} << u"整数"_s;
        QTest::newRow("discover seed") << QStringList{u"discover"_s, u"--seed"_s, u"-1"_s} << u"种子"_s;
        QTest::newRow("argument it does not take")
            << QStringList{u"delete-last-draw"_s, u"5"_s} << u"不接受参数"_s;
        QTest::newRow("too many arguments")
            << QStringList{u"settings"_s, u"BIT"_s, u"49"_s, u"50"_s} << u"最多接受 2 个参数"_s;
        QTest::newRow("option given twice") << QStringList{u"add-draw"_s,
                                                           u"1"_s,
                                                           u"2"_s,
                                                           u"3"_s,
                                                           u"4"_s,
                                                           u"5"_s,
                                                           u"6"_s,
                                                           u"7"_s,
                                                           u"--period"_s,
                                                           u"2027001"_s,
                                                           u"--period=2027002"_s}
                                            << u"只能给一次"_s;
        QTest::newRow("flag with a value") << QStringList{u"history"_s, u"--json=1"_s} << u"不带值"_s;
        QTest::newRow("empty selection")
            << QStringList{u"predict"_s, u"--select"_s, QString()} << u"--select"_s;
        QTest::newRow("empty part of a selection")
            << QStringList{u"predict"_s, u"--select"_s, u"1,,2"_s} << u"--select"_s;
        QTest::newRow("formula with a line break")
            << QStringList{u"add-formula"_s, u"[D单特类]特码数\n+平码一"_s} << u"换行"_s;
        QTest::newRow("formula file adding nothing")
            << QStringList{u"import-formulas"_s, m_files.filePath(u"nothing.txt"_s)} << u"没有可添加的公式"_s;
        QTest::newRow("empty formula file")
            << QStringList{u"import-formulas"_s, m_files.filePath(u"empty.txt"_s)} << u"没有可添加的公式"_s;
        QTest::newRow("backtest last")
            << QStringList{u"backtest-selection"_s, u"--last"_s, u"0"_s} << u"--last"_s;
        QTest::newRow("backtest walk without range")
            << QStringList{u"backtest-selection"_s, u"--walk-forward"_s} << u"--range"_s;
        QTest::newRow("backtest unknown figure")
            << QStringList{u"backtest-selection"_s, u"--walk-forward"_s, u"--range"_s, u"speed:1:2"_s}
            << u"speed"_s;
        QTest::newRow("backtest range reversed")
            << QStringList{u"backtest-selection"_s, u"--walk-forward"_s, u"--range"_s, u"z:3:1"_s}
            << u"下限"_s;
        QTest::newRow("backtest select and walk")
            << QStringList{u"backtest-selection"_s, u"--walk-forward"_s, u"--select"_s, u"1"_s}
            << u"--select"_s;
        QTest::newRow("discover rank beyond top")
            << QStringList{u"discover"_s, u"--top"_s, u"3"_s, u"--add"_s, u"1,4"_s} << u"--add"_s;
    }
    void refusedInputs() {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const Run before = cli({u"history"_s, u"--json"_s});
        const Run formulasBefore = cli({u"formulas"_s, u"--json"_s});
        const QByteArray stored = fileBytes(QDir(m_dir.path()).filePath(u"orvane.mdb"_s));
        const Run r = cli(args);
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QCOMPARE(fileBytes(QDir(m_dir.path()).filePath(u"orvane.mdb"_s)), stored);
        QCOMPARE(cli({u"history"_s, u"--json"_s}).out, before.out);
        QCOMPARE(cli({u"formulas"_s, u"--json"_s}).out, formulasBefore.out);
    }

    void globalOptions() {
        auto run = [](const QStringList& args) {
            Run r;
            QTextStream out(&r.out);
            QTextStream err(&r.err);
            r.code = CliApp::run(QStringList{u"talven-cli"_s} + args, out, err);
            out.flush();
            err.flush();
            return r;
        };
        const Run version = run({u"--version"_s});
        QCOMPARE(version.code, 0);
        QVERIFY(version.out.startsWith(u"talven-cli "_s));
        // --version names the data directory in use, and why.
        const Run given = run({u"--data-dir"_s, u"/some/data"_s, u"--version"_s});
        QVERIFY2(given.out.contains(u"/some/data（由 --data-dir 指定）"_s), qPrintable(given.out));
        const Run empty = run({u"--data-dir"_s, QString(), u"history"_s});
        QCOMPARE(empty.code, 1);
        QVERIFY(empty.err.contains(u"数据目录不能为空"_s));
        QCOMPARE(run({u"history"_s, u"--data-dir"_s}).code, 1);
        const Run longName =
            run({u"--data-dir"_s, QDir::tempPath() + u'/' + QString(300, u'x'), u"history"_s});
        QCOMPARE(longName.code, 1);
        QVERIFY2(longName.err.contains(u"超过系统上限"_s), qPrintable(longName.err));
        // Every line of the help is the program's own Chinese, none of the option parser's English.
        const Run help = run({u"--help"_s});
        QCOMPARE(help.code, 0);
        static const QRegularExpression chinese(u"[\\x{4e00}-\\x{9fff}]"_s);
        for (const QString& line : help.out.split(u'\n', Qt::SkipEmptyParts))
            QVERIFY2(line.contains(chinese), qPrintable(line));
    }

    void historyJson() {
        const Run r = cli({u"history"_s, u"--json"_s});
        QCOMPARE(r.code, 0);
        const QJsonArray rows = QJsonDocument::fromJson(r.out.toUtf8()).array();
        QCOMPARE(rows.size(), 4051);
        const QJsonObject first = rows.first().toObject();
        QCOMPARE(first[u"period"_s].toInt(), 2000001);
        QCOMPARE(first[u"numbers"_s].toArray().size(), 7);
        for (const QString& key : {u"zodiac"_s, u"wave"_s, u"element"_s})
            QVERIFY(!first[key].toString().isEmpty());
    }

    void formulasJsonCarriesFigures() {
        const Run r = cli({u"formulas"_s, u"--json"_s, u"--kind"_s, u"1"_s});
        QCOMPARE(r.code, 0);
        const QJsonArray list = QJsonDocument::fromJson(r.out.toUtf8()).array();
        QVERIFY(!list.isEmpty());
        for (const QJsonValue& v : list) {
            const QJsonObject o = v.toObject();
            QCOMPARE(o[u"kind"_s].toInt(), 1);
            QCOMPARE(o[u"draws"_s].toInt(), 4051);
            QVERIFY(o[u"hits"_s].toInt() > 0);
            QVERIFY(o.contains(u"perMaxMiss"_s) && o.contains(u"error"_s));
            QVERIFY(!o[u"next"_s].toString().isEmpty());
        }
    }

    // A formula that fails on every draw is added, with a warning, and a file's such lines counted.
    void formulasThatNeverCompute() {
        QTemporaryDir dir;
        QCOMPARE(cli({u"import-history"_s, sample("history.txt")}, dir.path()).code, 0);
        const Run typed = cli({u"add-formula"_s, u"L1A/0"_s}, dir.path());
        QCOMPARE(typed.code, 0);
        QVERIFY2(typed.err.startsWith(u"警告：该公式在每一期都无法计算（"_s), qPrintable(typed.err));
        QVERIFY(typed.out.contains(u"已添加第 1 条公式"_s));
        QVERIFY(cli({u"add-formula"_s, u"L1A+1"_s}, dir.path()).err.isEmpty());
        const QString file = m_files.filePath(u"never.txt"_s);
        QVERIFY(writeFile(file, "[D单特类]L1A/0\r\n[D单特类]平码一+1\r\n[D单特类]L2A/0\r\n"));
        const Run read = cli({u"import-formulas"_s, file}, dir.path());
        QCOMPARE(read.code, 0);
        QVERIFY2(read.out.contains(u"已添加 3 条公式，其中 2 条在每一期都无法计算。"_s),
                 qPrintable(read.out));
    }

    void drawEntryAndDeletion() {
        QTemporaryDir dir;
        QCOMPARE(cli({u"import-history"_s, sample("history.txt")}, dir.path()).code, 0);
        const Run added =
            cli({u"add-draw"_s, u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s, u"7"_s}, dir.path());
        QCOMPARE(added.code, 0);
        QVERIFY(added.out.contains(u"2026152"_s));
        const QJsonArray rows =
            QJsonDocument::fromJson(cli({u"history"_s, u"--json"_s}, dir.path()).out.toUtf8()).array();
        QCOMPARE(rows.last().toObject()[u"period"_s].toInt(), 2026152);
        QCOMPARE(cli({u"delete-last-draw"_s}, dir.path()).code, 0);
        QVERIFY(cli({u"history"_s}, dir.path()).out.contains(u"下一期 2026152"_s));
    }

    void settingsListAndSet() {
        const Run list = cli({u"settings"_s});
        QCOMPARE(list.code, 0);
        QVERIFY(list.out.contains(u"BIT=49"_s));
        QVERIFY(list.out.contains(u"SxIni=1"_s));
        QCOMPARE(cli({u"settings"_s, u"MaAddIni"_s, u"True"_s}).code, 0);
        QCOMPARE(cli({u"settings"_s, u"MaAddIni"_s}).out.trimmed(), u"True"_s);
        QCOMPARE(cli({u"settings"_s, u"MaAddIni"_s, u"False"_s}).code, 0);
    }

    void predictJson() {
        const Run r = cli({u"predict"_s, u"--select"_s, u"1,2,3"_s, u"--json"_s});
        QCOMPARE(r.code, 0);
        const QJsonObject doc = QJsonDocument::fromJson(r.out.toUtf8()).object();
        const QJsonArray rows = doc[u"rows"_s].toArray();
        QCOMPARE(rows.size(), 49);
        int previous = -1;
        for (const QJsonValue& v : rows) {
            const QJsonObject o = v.toObject();
            QCOMPARE(o[u"ETrrcount"_s].toInt(), o[u"Errcount"_s].toInt() + o[u"Trrcount"_s].toInt());
            QVERIFY(o[u"ETrrcount"_s].toInt() >= previous); // ranked ascending
            previous = o[u"ETrrcount"_s].toInt();
            QCOMPARE(o[u"mark"_s].toString(), previous > 0 ? u"滤杀"_s : u"保留"_s);
        }
        QCOMPARE(doc[u"kept"_s].toArray().size() + doc[u"filtered"_s].toArray().size(), 49);
        // Three special-number kill formulas rule out at most three numbers.
        QVERIFY(doc[u"filtered"_s].toArray().size() <= 3);
    }

    void backtestSelectionJson() {
        const QStringList summaryKeys{u"hits"_s,     u"draws"_s,          u"chance"_s, u"edge"_s,
                                      u"z"_s,        u"rankPercentile"_s, u"top5"_s,   u"top10"_s,
                                      u"meanKept"_s, u"skipped"_s};
        const QStringList rowKeys{u"period"_s, u"special"_s,   u"errorValue"_s,
                                  u"rank"_s,   u"keptCount"_s, u"hit"_s};
        const QList<QStringList> runs{
            {u"backtest-selection"_s, u"--select"_s, u"1,2,3"_s, u"--last"_s, u"50"_s, u"--json"_s},
            {u"backtest-selection"_s, u"--walk-forward"_s, u"--range"_s, u"accuracy:97:100"_s, u"--range"_s,
             u"recent30:90:100"_s, u"--last"_s, u"50"_s, u"--json"_s}};
        for (const QStringList& args : runs) {
            const Run r = cli(args);
            QCOMPARE(r.code, 0);
            const QJsonObject doc = QJsonDocument::fromJson(r.out.toUtf8()).object();
            for (const QString& key : summaryKeys)
                QVERIFY2(doc.contains(key), qPrintable(key));
            const QJsonArray rows = doc[u"rows"_s].toArray();
            QCOMPARE(rows.size() + doc[u"skipped"_s].toArray().size(), 50);
            QCOMPARE(rows.size(), doc[u"draws"_s].toInt());
            int hits = 0;
            for (const QJsonValue& v : rows) {
                const QJsonObject o = v.toObject();
                for (const QString& key : rowKeys)
                    QVERIFY2(o.contains(key), qPrintable(key));
                QCOMPARE(o[u"hit"_s].toBool(), o[u"errorValue"_s].toInt() == 0);
                hits += o[u"hit"_s].toBool();
            }
            QCOMPARE(doc[u"hits"_s].toInt(), hits);
        }
        const Run text = cli({u"backtest-selection"_s, u"--select"_s, u"1"_s});
        QCOMPARE(text.code, 0);
        QVERIFY(text.out.contains(u"保留命中 "_s));
        QVERIFY(text.out.contains(u"期号\t特码\t被杀次数\t排名\t保留个数\t命中"_s));
    }

    void exportsWriteFiles_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("file");
        QTest::newRow("history xlsx") << QStringList{u"export"_s, u"history"_s} << u"lishi.xlsx"_s;
        QTest::newRow("formulas xlsx") << QStringList{u"export"_s, u"formulas"_s} << u"gongshi.xlsx"_s;
        QTest::newRow("errors xlsx") << QStringList{u"export"_s, u"errors"_s} << u"ErrArr.xlsx"_s;
        QTest::newRow("formulas csv")
            << QStringList{u"export"_s, u"formulas"_s, u"--csv"_s} << u"gongshi.csv"_s;
    }
    void exportsWriteFiles() {
        QFETCH(QStringList, args);
        QFETCH(QString, file);
        QFile::remove(m_dir.filePath(file));
        const Run r = cli(args);
        QCOMPARE(r.code, 0);
        QVERIFY(QFileInfo(m_dir.filePath(file)).size() > 0);
    }

    void csvKeepsChineseTexts() {
        const QString out = m_dir.filePath(u"list.csv"_s);
        QCOMPARE(cli({u"export"_s, u"formulas"_s, u"--csv"_s, u"--out"_s, out}).code, 0);
        QFile f(out);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        QVERIFY(QString::fromUtf8(bytes).contains(u"码均最后连对"_s));
    }

    // The figures against chance read the same in the list's export and in the JSON: the last three
    // columns of the export, two decimals, empty where the JSON has null.
    void chanceFiguresAgree() {
        const QString out = m_dir.filePath(u"chance.csv"_s);
        QCOMPARE(cli({u"export"_s, u"formulas"_s, u"--csv"_s, u"--out"_s, out}).code, 0);
        QFile f(out);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(f.readAll()).split(u"\r\n"_s, Qt::SkipEmptyParts);
        QVERIFY(lines.first().endsWith(u"随机水平,超出随机,标准分"_s));
        const QJsonArray list =
            QJsonDocument::fromJson(cli({u"formulas"_s, u"--json"_s}).out.toUtf8()).array();
        QCOMPARE(lines.size(), list.size() + 1);
        const auto shown = [](const QJsonValue& v, const QString& unit) {
            return v.isNull() ? QString() : QString::number(v.toDouble(), 'f', 2) + unit;
        };
        for (qsizetype i = 0; i < list.size(); ++i) {
            const QJsonObject o = list[i].toObject();
            const QStringList cells = lines[i + 1].split(u',');
            QCOMPARE(
                cells.mid(cells.size() - 3),
                (QStringList{shown(o[u"chance"_s], u"%"_s), shown(o[u"edge"_s], {}), shown(o[u"z"_s], {})}));
        }
        // A kill-one-number formula stands near 48/49 by chance.
        const QJsonObject first = list[0].toObject();
        QCOMPARE(first[u"kind"_s].toInt(), 0);
        QVERIFY(std::abs(first[u"chance"_s].toDouble() - 97.96) < 0.05);
    }

    void discoverJsonAndAdd() {
        const QStringList args{u"discover"_s, u"--kind"_s,    u"3"_s,     u"--keep"_s, u"--candidates"_s,
                               u"200"_s,      u"--holdout"_s, u"50"_s,    u"--top"_s,  u"5"_s,
                               u"--seed"_s,   u"9"_s,         u"--json"_s};
        const Run first = cli(args);
        QCOMPARE(first.code, 0);
        const QJsonObject o = QJsonDocument::fromJson(first.out.toUtf8()).object();
        QCOMPARE(o[u"kind"_s].toInt(), 3);
        QCOMPARE(o[u"kill"_s].toBool(), false);
        QCOMPARE(o[u"candidates"_s].toInt(), 200);
        QCOMPARE(o[u"holdout"_s].toInt(), 50);
        QVERIFY(o[u"chance"_s].toDouble() > 0 && o[u"chance"_s].toDouble() < 100);
        QVERIFY(o[u"seconds"_s].toDouble() >= 0);
        QVERIFY(o[u"caution"_s].toString().contains(u"过去的开奖不能预测未来的开奖"_s));
        const QJsonArray found = o[u"formulas"_s].toArray();
        QCOMPARE(found.size(), 5);
        for (const QJsonValue& v : found) {
            QCOMPARE(v[u"inSample"_s][u"draws"_s].toInt(), 4001);
            QCOMPARE(v[u"outOfSample"_s][u"draws"_s].toInt(), 50);
            QVERIFY(v[u"outOfSample"_s][u"chance"_s].toDouble() > 0 &&
                    v[u"outOfSample"_s].toObject().contains(u"z"_s));
        }

        // The same seed finds the same formulas; --add puts the chosen ranks at the end of the list.
        const Run added = cli(args + QStringList{u"--add"_s, u"2,1"_s});
        QCOMPARE(added.code, 0);
        const QJsonObject again = QJsonDocument::fromJson(added.out.toUtf8()).object();
        QCOMPARE(again[u"formulas"_s], o[u"formulas"_s]);
        const QJsonArray list =
            QJsonDocument::fromJson(cli({u"formulas"_s, u"--json"_s}).out.toUtf8()).array();
        QCOMPARE(again[u"added"_s].toArray(), (QJsonArray{list.size() - 1, list.size()}));
        for (int k : {0, 1}) {
            const QJsonObject row = list[list.size() - 2 + k].toObject();
            const QString text = found[1 - k][u"formula"_s].toString();
            QCOMPARE(row[u"code"_s].toString(), FormulaInput::translateTyped(text).value());
            QCOMPARE(row[u"kind"_s].toInt(), 3);
            QCOMPARE(row[u"kill"_s].toBool(), false);
        }
        const Run text = cli({u"discover"_s, u"--candidates"_s, u"50"_s});
        QCOMPARE(text.code, 0);
        QVERIFY(text.out.contains(u"样本外正确率"_s) && text.out.contains(u"随机水平"_s));
        QVERIFY(text.out.contains(u"试了 50 条候选公式"_s));
    }

    // A preview leaves the database and its backups as they were; a file that is mostly not draws
    // replaces nothing unless forced.
    void importPreviewAndRefusal() {
        QTemporaryDir dir;
        for (int i = 0; i < 2; ++i) // the second import leaves a backup
            QCOMPARE(cli({u"import-history"_s, sample("history.txt")}, dir.path()).code, 0);
        auto files = [&] {
            QMap<QString, QByteArray> contents;
            for (const QString& name : QDir(dir.path()).entryList(QDir::Files)) {
                QFile f(dir.filePath(name));
                contents[name] = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
            }
            return contents;
        };
        const auto before = files();
        QVERIFY(before.contains(u"orvane.mdb.bak"_s));
        const Run preview = cli({u"import-history"_s, sample("history.csv"), u"--dry-run"_s}, dir.path());
        QCOMPARE(preview.code, 0);
        for (const QString& part :
             {u"逗号分隔表格"_s, u"将读入 4051 期"_s, u"2026151  37 44 25 02 38 18 + 29"_s})
            QVERIFY2(preview.out.contains(part), qPrintable(preview.out));
        QVERIFY(files() == before);

        const QString notes = dir.filePath(u"notes.txt"_s);
        QVERIFY(writeFile(notes, "hello\nworld\n2024001 1 8 13 24 35 43 33\nfoo\n"));
        const Run refused = cli({u"import-history"_s, notes}, dir.path());
        QCOMPARE(refused.code, 1);
        QVERIFY2(refused.err.contains(u"4 行中有 3 行无法读入"_s) && refused.err.contains(u"--force"_s),
                 qPrintable(refused.err));
        QVERIFY(files().value(u"orvane.mdb"_s) == before.value(u"orvane.mdb"_s));
        const Run forced = cli({u"import-history"_s, notes, u"--force"_s}, dir.path());
        QCOMPARE(forced.code, 0);
        QVERIFY(forced.out.contains(u"已读入 1 期"_s));
    }

    // Appending the newer draws of a longer file stores what a whole import of it stores; a file
    // that does not continue the stored history changes nothing. Neither touches the backups.
    void appendContinuesTheHistory() {
        const QJsonArray all = QJsonDocument::fromJson(cli({u"history"_s, u"--json"_s}).out.toUtf8()).array();
        QVERIFY(all.size() > 120);
        auto writeDraws = [&](const QString& name, int count, int changedAt = -1) {
            QFile f(m_files.filePath(name));
            if (!f.open(QIODevice::WriteOnly))
                return QString();
            for (int i = 0; i < count; ++i) {
                const QJsonObject draw = all[i].toObject();
                QStringList line{QString::number(draw[u"period"_s].toInt())};
                for (const auto n : draw[u"numbers"_s].toArray())
                    line.append(u"%1"_s.arg(i == changedAt ? n.toInt() % 49 + 1 : n.toInt(), 2, 10,
                                            QLatin1Char('0')));
                f.write(line.join(u' ').toUtf8() + '\n');
            }
            return f.fileName();
        };
        const QString shorter = writeDraws(u"short.txt"_s, 100);
        const QString longer = writeDraws(u"long.txt"_s, 106);
        QTemporaryDir whole, appended;
        for (const QString& dir : {whole.path(), appended.path()}) {
            QCOMPARE(cli({u"import-history"_s, dir == whole.path() ? longer : shorter}, dir).code, 0);
            QCOMPARE(cli({u"import-formulas"_s, sample("formulas.txt")}, dir).code, 0);
        }
        auto files = [&] {
            QMap<QString, QByteArray> contents;
            for (const QString& name : QDir(appended.path()).entryList(QDir::Files))
                contents[name] = fileBytes(appended.filePath(name));
            return contents;
        };

        struct Refusal {
            QString file;
            QString message;
        };
        const QList<Refusal> refusals{
            {writeDraws(u"older.txt"_s, 99), u"没有已有的最新一期"_s},
            {writeDraws(u"changed.txt"_s, 106, 40), u"第 %1 期：已有"_s.arg(all[40][u"period"_s].toInt())},
            {sample("history.txt"), u"不是每行都有期号或日期"_s},
        };
        const auto before = files();
        for (const Refusal& r : refusals) {
            const Run refused = cli({u"import-history"_s, r.file, u"--append"_s}, appended.path());
            QCOMPARE(refused.code, 1);
            QVERIFY2(refused.err.contains(r.message), qPrintable(refused.err));
            QVERIFY(files() == before);
        }

        const Run preview =
            cli({u"import-history"_s, longer, u"--append"_s, u"--dry-run"_s}, appended.path());
        QVERIFY2(preview.code == 0 && preview.out.contains(u"将追加 6 期新开奖"_s), qPrintable(preview.out));
        QVERIFY(files() == before);
        const Run run = cli({u"import-history"_s, longer, u"--append"_s}, appended.path());
        QVERIFY2(run.code == 0 && run.out.contains(u"已追加 6 期新开奖"_s), qPrintable(run.out + run.err));
        auto after = files();
        QVERIFY(after.take(u"orvane.mdb"_s) != before.value(u"orvane.mdb"_s));
        auto backups = before;
        backups.remove(u"orvane.mdb"_s);
        QVERIFY(after == backups);
        for (const QString& command : {u"history"_s, u"formulas"_s})
            QCOMPARE(cli({command, u"--json"_s}, appended.path()).out,
                     cli({command, u"--json"_s}, whole.path()).out);
    }

    void foreignDatabaseIsRefused() {
        QTemporaryDir dir;
        QFile f(dir.filePath(u"orvane.mdb"_s));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a database");
        f.close();
        const Run r = cli({u"history"_s}, dir.path());
        QCOMPARE(r.code, 1);
        QVERIFY(!r.err.isEmpty());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("not a database"));
    }

    void demoLeavesTheDataDirectoryAlone() {
        const QString db = QDir(m_dir.path()).filePath(u"orvane.mdb"_s);
        const QByteArray stored = fileBytes(db);
        const QStringList files = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden);
        const Run r = cli({u"demo"_s});
        QCOMPARE(r.code, 0);
        QCOMPARE(fileBytes(db), stored);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), files);
    }

    void danglingDatabaseLinkIsReported() {
        QTemporaryDir dir;
        const QString link = dir.filePath(u"orvane.mdb"_s);
        QVERIFY(QFile::link(dir.filePath(u"unmounted/orvane.mdb"_s), link));
        QVERIFY(QDir(dir.path()).mkdir(u"unmounted"_s)); // the link's folder is there, the file is not
        const Run r = cli({u"history"_s}, dir.path());
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(u"符号链接"_s), qPrintable(r.err));
        QVERIFY(QFileInfo(link).isSymLink());
        QVERIFY(!QFileInfo::exists(dir.filePath(u"unmounted/orvane.mdb"_s)));
    }

    // Numbers edited outside the program are put in order at opening, after a backup, and a
    // deletion by number then removes exactly one formula.
    void irregularFormulaNumbersAreRenumbered_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("said");
        QTest::newRow("backed up") << QString() << u"已备份为"_s;
        // The renumbering is kept and the program opens although the copy cannot join the backups.
        QTest::newRow("backup failing") << u"fail@newest"_s << u"未能存为备份"_s;
    }

    void irregularFormulaNumbersAreRenumbered() {
        QFETCH(QString, fault);
        QFETCH(QString, said);
        QTemporaryDir dir;
        QCOMPARE(cli({u"import-formulas"_s, sample("formulas.txt")}, dir.path()).code, 0);
        auto codes = [&] {
            QStringList out;
            const auto rows =
                QJsonDocument::fromJson(cli({u"formulas"_s, u"--json"_s}, dir.path()).out.toUtf8());
            for (const auto& row : rows.array()) {
                if (row[u"idx"_s].toInt() != out.size() + 1)
                    return QStringList{u"numbered out of order"_s};
                out.append(row[u"code"_s].toString());
            }
            return out;
        };
        const QStringList before = codes();
        QCOMPARE(before.size(), 36);
        {
            auto db = Database::open(dir.filePath(u"orvane.mdb"_s));
            QVERIFY(db);
            QVERIFY(db.value()->exec(
                u"UPDATE Gongshi SET Idx = 1 WHERE Idx = 2; UPDATE Gongshi SET Idx = -5 WHERE "
                u"Idx = 5; UPDATE Gongshi SET Idx = Idx + 10 WHERE Idx > 30"_s));
        }
        talven::test::injectBackupFault(fault);
        const Run opened = cli({u"formulas"_s}, dir.path());
        talven::test::injectBackupFault({});
        QCOMPARE(opened.code, 0);
        QVERIFY2(opened.err.contains(u"重新编号"_s) && opened.err.contains(said), qPrintable(opened.err));
        QCOMPARE(QFileInfo::exists(dir.filePath(u"orvane.mdb.repair1"_s)), fault.isEmpty());
        QVERIFY(!QFileInfo::exists(dir.filePath(u"orvane.mdb.bak"_s)));
        QStringList expected = before;
        expected.move(4, 0); // -5 comes first; the two 1s keep the order they were stored in
        QCOMPARE(codes(), expected);
        QCOMPARE(cli({u"delete-formula"_s, u"2"_s}, dir.path()).code, 0);
        expected.removeAt(1);
        QCOMPARE(codes(), expected);
        QVERIFY(!cli({u"formulas"_s}, dir.path()).err.contains(u"重新编号"_s));
    }

    // A full list adds nothing: refused, the report of the lines left out still written.
    void formulaFileOnAFullList() {
        QTemporaryDir dir;
        QStringList many;
        for (int n = 1; n <= MaxFormulas; ++n)
            many.append(u"[D单特类]特码数+%1"_s.arg(n));
        const QString full = dir.filePath(u"full.txt"_s);
        QVERIFY(writeFile(full, many.join(u'\n').toUtf8()));
        QCOMPARE(cli({u"import-formulas"_s, full}, dir.path()).code, 0);
        const Run more = cli({u"import-formulas"_s, full}, dir.path());
        QCOMPARE(more.code, 1);
        QVERIFY2(more.err.contains(u"没有可添加的公式"_s) && more.out.contains(u"公式已达上限"_s),
                 qPrintable(more.out + more.err));
    }

    void damagedRowsOpenReadOnly_data() {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("reason");
        const QString newest = u"(SELECT MAX(QQH) FROM Lishi0)"_s;
        QTest::newRow("number above 99")
            << u"UPDATE Lishi0 SET L3A = 120 WHERE QQH = "_s + newest << u"120"_s;
        QTest::newRow("text as number")
            << u"UPDATE Lishi0 SET L3A = 'abc' WHERE QQH = "_s + newest << u"第 3 个号码"_s;
        QTest::newRow("repeated number")
            << u"UPDATE Lishi0 SET L2A = L1A WHERE QQH = "_s + newest << u"两次"_s;
        QTest::newRow("repeated period")
            << u"UPDATE Lishi0 SET QQH = QQH - 1 WHERE QQH = "_s + newest << u"期号都是"_s;
        QTest::newRow("formula without text") << u"UPDATE Gongshi SET gongshi = NULL"_s << u"没有公式文本"_s;
        QTest::newRow("unknown kind") << u"UPDATE Gongshi SET maType = 42"_s << u"42"_s;
        QTest::newRow("another program's mark") << u"PRAGMA user_version = 7"_s << u"user_version"_s;
        QTest::newRow("another program's id") << u"PRAGMA application_id = 1234"_s << u"application_id"_s;
    }
    // A damaged database is shown but never rewritten, and every change names the first bad row.
    void damagedRowsOpenReadOnly() {
        QFETCH(QString, damage);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString part = dir.filePath(u"part.txt"_s);
        QVERIFY(writeFile(part, sampleDraws(120)));
        QCOMPARE(cli({u"import-history"_s, part}, dir.path()).code, 0);
        QCOMPARE(cli({u"add-formula"_s, u"[D单特类]特码数+平码一"_s}, dir.path()).code, 0);
        {
            auto db = Database::open(dir.filePath(u"orvane.mdb"_s));
            QVERIFY(db);
            QVERIFY(db.value()->exec(damage));
        }
        const QByteArray damaged = fileBytes(dir.filePath(u"orvane.mdb"_s));
        QCOMPARE(cli({u"history"_s}, dir.path()).code, 0);
        const Run refused =
            cli({u"add-draw"_s, u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s, u"7"_s}, dir.path());
        QCOMPARE(refused.code, 1);
        QVERIFY2(refused.err.contains(reason) && refused.err.contains(u"只能查看"_s),
                 qPrintable(refused.err));
        QCOMPARE(fileBytes(dir.filePath(u"orvane.mdb"_s)), damaged);
    }

    void lastPeriodHasNoSuccessor() {
        QTemporaryDir dir;
        const Run r = cli({u"add-draw"_s, u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s, u"7"_s,
                           u"--period"_s, u"9999999"_s},
                          dir.path());
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.contains(u"没有下一期"_s) && !r.out.contains(u"下一期为 0"_s), qPrintable(r.out));
    }

    void exportRefusesTargetsItCannotReplace_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("message");
        QTest::newRow("device") << u"/dev/null"_s << u"不是普通文件"_s;
        QTest::newRow("fifo") << m_files.filePath(u"fifo"_s) << u"不是普通文件"_s;
        QTest::newRow("read-only file") << m_files.filePath(u"readonly.xlsx"_s) << u"只读"_s;
        QTest::newRow("read-only csv") << m_files.filePath(u"readonly.csv"_s) << u"只读"_s;
    }
    void exportRefusesTargetsItCannotReplace() {
        QFETCH(QString, target);
        QFETCH(QString, message);
        if (target.endsWith(u"fifo"_s) && !QFileInfo::exists(target))
            QVERIFY(::mkfifo(QFile::encodeName(target).constData(), 0644) == 0);
        if (target.contains(u"readonly"_s)) {
            QFile f(target);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("mine");
            f.close();
            QVERIFY(
                f.setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
        }
        const QFileInfo before(target);
        QStringList args{u"export"_s, u"history"_s, u"--out"_s, target};
        if (target.endsWith(u".csv"_s))
            args.append(u"--csv"_s);
        const Run r = cli(args);
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        const QFileInfo after(target);
        QCOMPARE(after.isFile(), before.isFile());
        QCOMPARE(after.size(), before.size());
    }

    // The real program, good and refused input of every command in turn: stderr holds only this
    // program's own messages, never a line of Qt, SQLite or the workbook library.
    void stderrHoldsOnlyOurMessages_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        const QString out = m_files.filePath(u"out.csv"_s);
        const QList<std::pair<QString, int>> rows{
            {u"import-history %1"_s.arg(sample("history.txt")), 0},
            {u"import-history %1 --dry-run"_s.arg(sample("history.txt")), 0},
            {u"import-history /nonexistent/h.txt"_s, 1},
            {u"import-history %1 --append"_s.arg(sample("history.txt")), 1},
            {u"add-draw 1 2 3 4 5 6 7"_s, 0},
            {u"add-draw 1 2 3"_s, 1},
            {u"delete-last-draw"_s, 0},
            {u"delete-last-draw 5"_s, 1},
            {u"history"_s, 0},
            {u"history --json --json"_s, 1},
            {u"settings BIT 49"_s, 0},
            {u"settings BIT x"_s, 1},
            {u"add-formula [D单特类]特码数"_s, 0},
            {u"add-formula bad"_s, 1},
            {u"import-formulas %1"_s.arg(sample("formulas.txt")), 0},
            {u"import-formulas %1"_s.arg(m_files.filePath(u"nothing.txt"_s)), 1},
            {u"formulas --json"_s, 0},
            {u"formulas --kind 99"_s, 1},
            {u"formula-history 1"_s, 0},
            {u"formula-history 0"_s, 1},
            {u"delete-formula 1"_s, 0},
            {u"delete-formula 999"_s, 1},
            {u"predict"_s, 0},
            {u"predict --select 1,,2"_s, 1},
            {u"backtest-selection --last 20"_s, 0},
            {u"backtest-selection --range z:0:9"_s, 1},
            {u"export errors --csv --out %1"_s.arg(out), 0},
            {u"export history --out /dev/null"_s, 1},
            {u"discover --candidates 200 --holdout 5 --top 3"_s, 0},
            {u"discover --seed -1"_s, 1},
            {u"restore-backup"_s, 0},
            {u"restore-backup 7"_s, 1},
            {u"demo"_s, 0},
            {u"frobnicate"_s, 1},
            {QString(), 1},
            {u"import-history <empty>"_s, 1},
            {u"import-history %1"_s.arg(m_files.path()), 1},
            {u"add-draw 1 2 3 4 5 6 7 --period 2027000"_s, 1},
            {u"settings NOPE 1"_s, 1},
            {u"--log"_s, 0},
        };
        for (const auto& [args, code] : rows) {
            QStringList list = args.split(u' ', Qt::SkipEmptyParts);
            list.replaceInStrings(u"<empty>"_s, QString());
            QTest::newRow(qPrintable(args.left(40))) << list << code;
        }
    }

    void stderrHoldsOnlyOurMessages() {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"HOME"_s, m_settingsDir.path());
        env.insert(u"XDG_CONFIG_HOME"_s, m_settingsDir.path());
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(TALVEN_CLI_PATH), QStringList{u"--data-dir"_s, m_stderrDir.path()} + args);
        QVERIFY(p.waitForFinished(120000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        const QString err = QString::fromUtf8(p.readAllStandardError());
        QCOMPARE(p.exitCode(), code);
        static const QRegularExpression chinese(u"[\\x{4e00}-\\x{9fff}]"_s);
        static const QRegularExpression foreign(
            u"QObject|QThread|QSql|QSocketNotifier|QFile|QStandardPaths|QSettings|Qt has caught|^qt\\.|"
            u"\\[ERROR\\]|\\[WARNING\\]|sqlite"_s,
            QRegularExpression::CaseInsensitiveOption);
        for (const QString& line : err.split(u'\n', Qt::SkipEmptyParts))
            QVERIFY2(line.contains(chinese) && !line.contains(foreign), qPrintable(line));
    }

    // The history is stored even when the copy of the database it replaced cannot join the
    // backups; the command says so, exits 1, and every backup stays as it was.
    void importWhoseBackupCannotBeKept_data() {
        QTest::addColumn<QString>("step");
        QTest::newRow("oldest set aside") << u"aside"_s;
        QTest::newRow("newer moved down") << u"shift"_s;
        QTest::newRow("copy made newest") << u"newest"_s;
    }

    void importWhoseBackupCannotBeKept() {
        QFETCH(QString, step);
        QTemporaryDir dir;
        auto history = [&](int n) {
            const QString path = dir.filePath(u"h%1.txt"_s.arg(n));
            return writeFile(path, sampleDraws(n)) ? path : QString();
        };
        const QString data = dir.filePath(u"data"_s);
        for (int n = 1; n <= 4; ++n)
            QCOMPARE(cli({u"import-history"_s, history(n)}, data).code, 0);
        const QDir dataDir(data);
        const QStringList backups{u"orvane.mdb.bak"_s, u"orvane.mdb.bak.1"_s, u"orvane.mdb.bak.2"_s};
        QList<QByteArray> before;
        for (const QString& name : backups)
            before.append(fileBytes(dataDir.filePath(name)));

        talven::test::injectBackupFault(u"fail@"_s + step);
        const Run r = cli({u"import-history"_s, history(5)}, data);
        talven::test::injectBackupFault({});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.out.contains(u"已读入 5 期"_s), qPrintable(r.out));
        QVERIFY2(r.err.contains(u"未能存为备份"_s) && r.err.contains(u"原有的备份未改动"_s),
                 qPrintable(r.err));
        QCOMPARE(QJsonDocument::fromJson(cli({u"history"_s, u"--json"_s}, data).out.toUtf8()).array().size(),
                 5);
        for (qsizetype i = 0; i < backups.size(); ++i)
            QCOMPARE(fileBytes(dataDir.filePath(backups[i])), before[i]);
        // The copy of the four draws the import replaced is kept beside the backups.
        const QStringList beside = dataDir.entryList({u"orvane.mdb.bak.[0-9]*[0-9]"_s}, QDir::Files);
        QCOMPARE(beside.size(), 1);
        QStringList periods;
        QCOMPARE(SqlConnection(dataDir.filePath(beside.first())).select(u"SELECT QQH FROM Lishi0"_s, periods),
                 SQLITE_OK);
        QCOMPARE(periods.size(), 4);
    }

    // A full disk is named as such, and the workbook library's own error lines never reach the
    // terminal. Needs a small file system of its own, so it runs only as root.
    void fullDiskIsNamed() {
        SmallDisk mount("64k");
        if (!mount.mounted())
            QSKIP("a small file system of its own needs root and tmpfs");
        for (const QString& name : {u"history.csv"_s, u"history.xlsx"_s}) {
            QTemporaryFile capture;
            QVERIFY(capture.open());
            const int saved = ::dup(2);
            ::dup2(capture.handle(), 2);
            QStringList args{u"export"_s, u"history"_s, u"--out"_s, QDir(mount.path()).filePath(name)};
            if (name.endsWith(u".csv"_s))
                args.append(u"--csv"_s);
            const Run r = cli(args);
            ::dup2(saved, 2);
            ::close(saved);
            QCOMPARE(r.code, 1);
            QVERIFY2(r.err.contains(u"磁盘已满"_s), qPrintable(r.err));
            QVERIFY(capture.seek(0)); // fd 2 moved the shared offset to the end
            QCOMPARE(capture.readAll(), QByteArray());
            QVERIFY(QDir(mount.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
        }
    }

    // A restore with no room for the copy of the current database moves nothing.
    void restoreOnAFullDiskMovesNothing() {
        SmallDisk mount("16m");
        if (!mount.mounted())
            QSKIP("a small file system of its own needs root and tmpfs");
        const QDir data(QDir(mount.path()).filePath(u"data"_s));
        for (int n : {2000, 3000}) {
            const QString part = m_files.filePath(u"part%1.txt"_s.arg(n));
            QVERIFY(writeFile(part, sampleDraws(n)));
            const Run imported = cli({u"import-history"_s, part}, data.path());
            QVERIFY2(imported.code == 0, qPrintable(imported.err));
        }
        const QStringList names = data.entryList(QDir::Files);
        QVERIFY2(names.contains(u"orvane.mdb.bak"_s), qPrintable(names.join(u' ')));
        QList<QByteArray> before;
        for (const QString& name : names)
            before.append(fileBytes(data.filePath(name)));
        QFile filler(QDir(mount.path()).filePath(u"filler"_s));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size()) {
        }
        filler.close();

        const Run r = cli({u"restore-backup"_s, u"0"_s}, data.path());
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(u"磁盘已满"_s), qPrintable(r.err));
        QCOMPARE(data.entryList(QDir::Files), names);
        for (int i = 0; i < names.size(); ++i)
            QVERIFY2(fileBytes(data.filePath(names[i])) == before[i], qPrintable(names[i]));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
