#include "export/SpreadsheetExport.h"

#include <QAbstractTableModel>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace talven;
using namespace Qt::StringLiterals;

namespace {

// A grid of display values with one header row.
class GridModel : public QAbstractTableModel {
public:
    GridModel(QStringList headers, QList<QVariantList> rows)
        : m_headers(std::move(headers)), m_rows(std::move(rows)) {}
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(m_rows.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(m_headers.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        return role == Qt::DisplayRole ? m_rows[index.row()].value(index.column()) : QVariant();
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
            return m_headers.value(section);
        return {};
    }

private:
    QStringList m_headers;
    QList<QVariantList> m_rows;
};

GridModel sampleGrid() {
    return GridModel({u"期数"_s, u"特码"_s, u"生肖"_s, u"备注"_s},
                     {{2007001, u"07"_s, u"鼠"_s, u"a<b & \"c\""_s},
                      {u"2007002"_s, u"-3.5"_s, QString(), u"62.5% (25/40)"_s}});
}

// Cell reference -> value of the first sheet: numbers as written, texts unescaped.
QMap<QString, QString> sheetCells(const QString& xlsx) {
    QProcess unzip;
    unzip.start(u"unzip"_s, {u"-p"_s, xlsx, u"xl/worksheets/sheet1.xml"_s});
    unzip.waitForFinished(60000);
    const QString xml = QString::fromUtf8(unzip.readAllStandardOutput());
    static const QRegularExpression cell(
        uR"re(<c r="([A-Z]+[0-9]+)"[^>]*>(?:<v>([^<]*)</v>|<is><t[^>]*>([^<]*)</t></is>))re"_s);
    QMap<QString, QString> cells;
    for (const QRegularExpressionMatch& m : cell.globalMatch(xml)) {
        QString value = m.capturedLength(2) > 0 ? m.captured(2) : u"text:"_s + m.captured(3);
        value.replace(u"&lt;"_s, u"<"_s).replace(u"&gt;"_s, u">"_s).replace(u"&quot;"_s, u"\""_s);
        value.replace(u"&amp;"_s, u"&"_s);
        cells.insert(m.captured(1), value);
    }
    return cells;
}

bool haveUnzip() {
    return !QStandardPaths::findExecutable(u"unzip"_s).isEmpty();
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class tst_SpreadsheetExport : public QObject {
    Q_OBJECT

private slots:
    void plainDecimal_data();
    void plainDecimal();
    void csvQuoting_data();
    void csvQuoting();
    void resolvesDirectoryToFileName();
    void modelToXlsx();
    void errorValuesToXlsx();
    void csvFile();
    void replacesEarlierExport();
    void failureKeepsEarlierExport_data();
    void failureKeepsEarlierExport();
    void missingDirectoryIsAnError();
    void linksAreWrittenThrough_data();
    void linksAreWrittenThrough();
    void overlongNameIsRefused();
    void libreOfficeReadsTheWorkbook();
};

void tst_SpreadsheetExport::plainDecimal_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("number");
    const std::pair<const char16_t*, bool> rows[] = {
        {u"0", true},
        {u"17", true},
        {u"-3", true},
        {u"2007001", true},
        {u"71.42857", true},
        {u"-0.5", true},
        {u"0.25", true},
        {u"07", false},
        {u"-0", false},
        {u"1.", false},
        {u".5", false},
        {u"1e5", false},
        {u"", false},
        {u"-", false},
        {u" 1", false},
        {u"1,000", false},
        {u"62.5%", false},
        {u"１２", false},
        {u"123456789012345", true},
        {u"1234567890123456", false},
    };
    for (const auto& [text, number] : rows)
        QTest::newRow(QString::fromUtf16(text).toUtf8().constData()) << QString::fromUtf16(text) << number;
}

void tst_SpreadsheetExport::plainDecimal() {
    QFETCH(QString, text);
    QFETCH(bool, number);
    QCOMPARE(SpreadsheetExport::isPlainDecimal(text), number);
}

void tst_SpreadsheetExport::csvQuoting_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("field");
    QTest::newRow("plain") << u"鼠"_s << u"鼠"_s;
    QTest::newRow("comma") << u"a,b"_s << u"\"a,b\""_s;
    QTest::newRow("quote doubled") << u"say \"hi\""_s << u"\"say \"\"hi\"\"\""_s;
    QTest::newRow("line break") << u"a\nb"_s << u"\"a\nb\""_s;
    QTest::newRow("edge blank") << u" a"_s << u"\" a\""_s;
    QTest::newRow("empty") << QString() << QString();
}

void tst_SpreadsheetExport::csvQuoting() {
    QFETCH(QString, text);
    QFETCH(QString, field);
    QCOMPARE(SpreadsheetExport::csvField(text), field);
}

void tst_SpreadsheetExport::resolvesDirectoryToFileName() {
    QTemporaryDir dir;
    using SpreadsheetExport::Target;
    QCOMPARE(SpreadsheetExport::resolvePath(dir.path(), Target::History), dir.filePath(u"lishi.xlsx"_s));
    QCOMPARE(SpreadsheetExport::resolvePath(dir.path(), Target::Formulas), dir.filePath(u"gongshi.xlsx"_s));
    QCOMPARE(SpreadsheetExport::resolvePath(dir.path(), Target::ErrorValues), dir.filePath(u"ErrArr.xlsx"_s));
    const QString explicitPath = dir.filePath(u"mine.xlsx"_s);
    QCOMPARE(SpreadsheetExport::resolvePath(explicitPath, Target::History), explicitPath);
}

void tst_SpreadsheetExport::modelToXlsx() {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"lishi.xlsx"_s);
    QVERIFY(SpreadsheetExport::writeXlsx(sampleGrid(), path).ok());
    QVERIFY(readAll(path).startsWith("PK"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"lishi.xlsx"_s});
    if (!haveUnzip())
        QSKIP("unzip is not installed");
    const QMap<QString, QString> cells = sheetCells(path);
    const QMap<QString, QString> expected = {
        {u"A1"_s, u"text:期数"_s},
        {u"B1"_s, u"text:特码"_s},
        {u"C1"_s, u"text:生肖"_s},
        {u"D1"_s, u"text:备注"_s},
        {u"A2"_s, u"2007001"_s},
        {u"B2"_s, u"text:07"_s},
        {u"C2"_s, u"text:鼠"_s},
        {u"D2"_s, u"text:a<b & \"c\""_s},
        {u"A3"_s, u"2007002"_s},
        {u"B3"_s, u"-3.5"_s},
        {u"D3"_s, u"text:62.5% (25/40)"_s},
    };
    QCOMPARE(cells, expected);
}

void tst_SpreadsheetExport::errorValuesToXlsx() {
    ErrorValueTable values = emptyErrorValues(49);
    // Kill counts 2 for number 3, 1 for numbers 10 and 5, 0 elsewhere.
    values[2].ruledOutByKill = 2;
    values[9].ruledOutByKill = 1;
    values[4].ruledOutByKill = 1;
    values[9].ruledOut = 4;
    values[9].weightedRuledOutByKeep = 7;
    QTemporaryDir dir;
    const QString path = dir.filePath(u"ErrArr.xlsx"_s);
    QVERIFY(SpreadsheetExport::writeErrorValuesXlsx(values, path).ok());
    if (!haveUnzip())
        QSKIP("unzip is not installed");
    const QMap<QString, QString> cells = sheetCells(path);
    QCOMPARE(cells.size(), 50 * 8);
    const QStringList titles = SpreadsheetExport::errorValueTitles();
    const QString columns = u"ABCDEFGH"_s;
    for (int c = 0; c < 8; ++c)
        QCOMPARE(cells.value(columns[c] + u"1"_s), u"text:"_s + titles[c]);
    QCOMPARE(titles[5], u"每码杀留Err值（公式错误值）"_s);
    QList<int> numbers;
    for (int r = 2; r <= 50; ++r) {
        QCOMPARE(cells.value(u"A%1"_s.arg(r)).toInt(), r - 1);
        numbers.append(cells.value(u"B%1"_s.arg(r)).toInt());
    }
    QCOMPARE(numbers.mid(46), (QList<int>{5, 10, 3}));
    QCOMPARE(numbers.first(), 1);
    QCOMPARE(cells.value(u"C49"_s), u"4"_s);
    QCOMPARE(cells.value(u"D49"_s), u"1"_s);
    QCOMPARE(cells.value(u"H49"_s), u"7"_s);
}

void tst_SpreadsheetExport::csvFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"lishi.csv"_s);
    QVERIFY(SpreadsheetExport::writeCsv(sampleGrid(), path).ok());
    const QByteArray expected = "\xEF\xBB\xBF" + u"期数,特码,生肖,备注\r\n"
                                                 u"2007001,07,鼠,\"a<b & \"\"c\"\"\"\r\n"
                                                 u"2007002,-3.5,,62.5% (25/40)\r\n"_s.toUtf8();
    QCOMPARE(readAll(path), expected);
}

void tst_SpreadsheetExport::replacesEarlierExport() {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"gongshi.xlsx"_s);
    QVERIFY(SpreadsheetExport::writeXlsx(sampleGrid(), path).ok());
    GridModel other({u"公式"_s}, {{u"L1A+3"_s}});
    QVERIFY(SpreadsheetExport::writeXlsx(other, path).ok());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"gongshi.xlsx"_s});
    if (!haveUnzip())
        QSKIP("unzip is not installed");
    QCOMPARE(sheetCells(path),
             (QMap<QString, QString>{{u"A1"_s, u"text:公式"_s}, {u"A2"_s, u"text:L1A+3"_s}}));
}

void tst_SpreadsheetExport::failureKeepsEarlierExport_data() {
    QTest::addColumn<bool>("tooManyColumns");
    QTest::newRow("cell text over the cell limit") << false;
    QTest::newRow("more columns than a sheet holds") << true;
}

// A failed export reports why and leaves the earlier file and no temporary file behind.
void tst_SpreadsheetExport::failureKeepsEarlierExport() {
    QFETCH(bool, tooManyColumns);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"lishi.xlsx"_s);
    QVERIFY(SpreadsheetExport::writeXlsx(sampleGrid(), path).ok());
    const QByteArray before = readAll(path);

    const QStringList headers = tooManyColumns ? QStringList(16385, u"x"_s) : QStringList{u"a"_s, u"b"_s};
    const GridModel bad(headers, {{u"ok"_s}, {u"ok"_s, QString(40000, u'x')}});
    const Result<void> status = SpreadsheetExport::writeXlsx(bad, path);
    QVERIFY(!status.ok());
    QVERIFY(!status.message().isEmpty());
    QCOMPARE(readAll(path), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"lishi.xlsx"_s});
}

void tst_SpreadsheetExport::missingDirectoryIsAnError() {
    QTemporaryDir dir;
    const QString missing = dir.filePath(u"no/such/dir/ErrArr.xlsx"_s);
    const Result<void> xlsx = SpreadsheetExport::writeErrorValuesXlsx(emptyErrorValues(49), missing);
    QVERIFY(!xlsx.ok());
    QVERIFY(xlsx.message().contains(u"不存在"_s));
    QVERIFY(!SpreadsheetExport::writeCsv(sampleGrid(), dir.filePath(u"no/such.csv"_s)).ok());
    // A directory standing where the file should go is not replaced.
    QVERIFY(!SpreadsheetExport::writeXlsx(sampleGrid(), dir.path()).ok());
    QVERIFY(!SpreadsheetExport::writeCsv(sampleGrid(), dir.path()).ok());
    QVERIFY(!QFile::exists(missing));
}

void tst_SpreadsheetExport::linksAreWrittenThrough_data() {
    QTest::addColumn<bool>("csv");
    QTest::newRow("xlsx") << false;
    QTest::newRow("csv") << true;
}

// An export to a symbolic link replaces its target, keeping the target's permissions and the link.
void tst_SpreadsheetExport::linksAreWrittenThrough() {
    QFETCH(bool, csv);
    QTemporaryDir dir;
    const QString target = dir.filePath(u"real.out"_s);
    const QString link = dir.filePath(u"link.out"_s);
    QFile old(target);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    QVERIFY(old.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup));
    QVERIFY(QFile::link(target, link));
    QVERIFY((csv ? SpreadsheetExport::writeCsv(sampleGrid(), link)
                 : SpreadsheetExport::writeXlsx(sampleGrid(), link))
                .ok());
    QVERIFY(QFileInfo(link).isSymLink());
    QVERIFY(readAll(target).startsWith(csv ? QByteArray("\xEF\xBB\xBF") : QByteArray("PK")));
    QCOMPARE(QFile::permissions(target), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                             QFileDevice::ReadGroup | QFileDevice::ReadUser |
                                             QFileDevice::WriteUser);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 2);
}

void tst_SpreadsheetExport::overlongNameIsRefused() {
    QTemporaryDir dir;
    for (int length : {243, 260}) {
        const QString path = dir.filePath(QString(length, u'a') + u".xlsx"_s);
        const auto written = SpreadsheetExport::writeXlsx(sampleGrid(), path);
        QCOMPARE(written.ok(), length + 5 <= 255);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), written.ok() ? 1 : 0);
        QFile::remove(path);
    }
    // A folder name or a whole path beyond the system's limits is named as such, not as missing.
    for (const QString& far :
         QStringList{dir.filePath(QString(300, u'b') + u"/x.xlsx"_s),
                     dir.filePath(QString(200, u'c') + u'/').repeated(25) + u"x.xlsx"_s}) {
        const auto written = SpreadsheetExport::writeXlsx(sampleGrid(), far);
        QVERIFY(!written.ok());
        QVERIFY2(written.message().contains(u"太长"_s), qPrintable(written.message()));
    }
}

void tst_SpreadsheetExport::libreOfficeReadsTheWorkbook() {
    const QString office = QStandardPaths::findExecutable(u"libreoffice"_s);
    if (office.isEmpty())
        QSKIP("libreoffice is not installed");
    QTemporaryDir dir;
    const QString path = dir.filePath(u"lishi.xlsx"_s);
    QVERIFY(SpreadsheetExport::writeXlsx(sampleGrid(), path).ok());
    QProcess convert;
    convert.start(office, {u"--headless"_s, u"--convert-to"_s, u"csv:Text - txt - csv (StarCalc):44,34,76"_s,
                           u"--outdir"_s, dir.path(), path});
    QVERIFY(convert.waitForFinished(120000));
    const QString csv = QString::fromUtf8(readAll(dir.filePath(u"lishi.csv"_s)));
    QVERIFY(csv.contains(u"2007001,07,鼠"_s));
    QVERIFY(csv.contains(u"62.5% (25/40)"_s));
}

QTEST_GUILESS_MAIN(tst_SpreadsheetExport)
#include "tst_SpreadsheetExport.moc"
