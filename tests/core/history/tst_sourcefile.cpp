#include "TextGridModel.h"
#include "XlsWriter.h"
#include "export/SpreadsheetExport.h"
#include "history/BiffStream.h"
#include "history/CompoundFile.h"
#include "history/SourceFile.h"
#include "history/XlsxSheets.h"

#include <QAbstractTableModel>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <xlsxwriter.h>
#include <zip.h>

using namespace talven;
using namespace Qt::StringLiterals;

namespace {

// A table as short lines: "row number:cell|cell|…".
QStringList shown(const SourceTable& table) {
    QStringList lines;
    for (const SourceRow& row : table.rows)
        lines.append(QString::number(row.number) + u':' + row.cells.join(u'|'));
    return lines;
}

QStringList shown(const QList<SourceTable>& tables) {
    QStringList lines;
    for (const SourceTable& table : tables)
        lines += QStringList{table.name} + shown(table);
    return lines;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A zip of the given entries, stored unpacked.
QByteArray zipOf(const QList<std::pair<QByteArray, QByteArray>>& entries, const QString& path) {
    zipFile zip = zipOpen64(QFile::encodeName(path).constData(), APPEND_STATUS_CREATE);
    for (const auto& [name, data] : entries) {
        zipOpenNewFileInZip64(zip, name.constData(), nullptr, nullptr, 0, nullptr, 0, nullptr, 0, 0, 0);
        zipWriteInFileInZip(zip, data.constData(), unsigned(data.size()));
        zipCloseFileInZip(zip);
    }
    zipClose(zip, nullptr);
    return readAll(path);
}

using GridModel = talven::test::TextGridModel;

} // namespace

class tst_SourceFile : public QObject {
    Q_OBJECT

private slots:
    void xlsxSheetsInOrder();
    void xlsSheetsInOrder();
    void compoundFileStreams();
    void xlsDates_data();
    void xlsDates();
    void historyExportReadsBack();
    void serialDates_data();
    void serialDates();
    void json_data();
    void json();
    void html_data();
    void html();
    void kinds_data();
    void kinds();
    void refusals_data();
    void refusals();
    void zipBombRefused();

private:
    QTemporaryDir m_dir;
};

void tst_SourceFile::xlsxSheetsInOrder() {
    const QString path = m_dir.filePath(u"draws.xlsx"_s);
    lxw_workbook* workbook = workbook_new(QFile::encodeName(path).constData());
    lxw_format* isoDate = workbook_add_format(workbook);
    format_set_num_format(isoDate, "yyyy\\-mm\\-dd");
    lxw_format* shortDate = workbook_add_format(workbook);
    format_set_num_format_index(shortDate, 14);
    lxw_format* chineseDate = workbook_add_format(workbook);
    format_set_num_format(chineseDate, "yyyy\"年\"m\"月\"d\"日\"");
    lxw_format* time = workbook_add_format(workbook);
    format_set_num_format(time, "hh:mm");
    lxw_worksheet* notes = workbook_add_worksheet(workbook, "说明");
    worksheet_write_string(notes, 0, 0, "近期开奖", nullptr);
    lxw_worksheet* draws = workbook_add_worksheet(workbook, "2024");
    const char* titles[] = {"期号", "日期", "号码", "特码", "序号", "开出"};
    for (int c = 0; c < 6; ++c)
        worksheet_write_string(draws, 0, lxw_col_t(c), titles[c], nullptr);
    lxw_datetime day{2024, 1, 2, 0, 0, 0};
    worksheet_write_number(draws, 1, 0, 2024001, nullptr);
    worksheet_write_datetime(draws, 1, 1, &day, isoDate);
    worksheet_write_string(draws, 1, 2, "05,18,23,31,40,45", nullptr);
    worksheet_write_string(draws, 1, 3, "07", nullptr);
    worksheet_write_number(draws, 1, 4, 45292, nullptr); // a serial in an unformatted column stays a number
    worksheet_write_boolean(draws, 1, 5, 1, nullptr);
    worksheet_write_number(draws, 3, 0, 2024002, nullptr); // after an empty row, with a gap
    worksheet_write_number(draws, 3, 1, 45295, shortDate);
    worksheet_write_number(draws, 3, 3, 12.5, nullptr);
    worksheet_write_number(draws, 4, 1, 45296.875, chineseDate);
    worksheet_write_number(draws, 4, 2, 0.875, time);
    QCOMPARE(workbook_close(workbook), LXW_NO_ERROR);

    const Result<SourceFile> file = SourceFile::open(readAll(path), path);
    QVERIFY2(file.ok(), qPrintable(file.ok() ? QString() : file.message()));
    QCOMPARE(file->kind(), SourceFile::Kind::Xlsx);
    QCOMPARE(file->kindName(), u"Excel 工作簿"_s);
    QCOMPARE(shown(file->tables()), (QStringList{u"工作表“说明”"_s, u"1:近期开奖"_s, u"工作表“2024”"_s,
                                                 u"1:期号|日期|号码|特码|序号|开出"_s,
                                                 u"2:2024001|2024-01-02|05,18,23,31,40,45|07|45292|TRUE"_s,
                                                 u"4:2024002|2024-01-04||12.5"_s, u"5:|2024-01-05|0.875"_s}));
}

// The workbook stream is read out of its sectors; a chain that loops or leaves the file gives none.
void tst_SourceFile::compoundFileStreams() {
    const QByteArray file = xlsWorkbook({{u"a"_s, {{u"期号"_s, 2024001}}}});
    const auto workbook = CompoundFile::stream(file, u"workbook");
    QVERIFY(workbook && workbook->size() >= 4096);
    QCOMPARE(workbook->left(2), "\x09\x08"_ba); // the workbook's BOF record
    QVERIFY(!CompoundFile::stream(file, u"Book"));
    QByteArray looping = file;
    qToLittleEndian<quint32>(1, looping.data() + 512 + 4); // the stream's first sector follows itself
    QVERIFY(!CompoundFile::stream(looping, u"Workbook"));
    QVERIFY(!CompoundFile::stream(file.left(file.size() - 600), u"Workbook"));
}

// The date cells read without the library, as it writes them: its 29 February 1900, the first
// day for anything before it, and the 1904 system; formats read as dates only where it does too.
void tst_SourceFile::xlsDates_data() {
    QTest::addColumn<double>("serial");
    QTest::addColumn<bool>("from1904");
    QTest::addColumn<QString>("day");
    QTest::newRow("first day") << 1.0 << false << u"1900-01-01"_s;
    QTest::newRow("before it") << -3.0 << false << u"1900-01-01"_s;
    QTest::newRow("28 February 1900") << 59.0 << false << u"1900-02-28"_s;
    QTest::newRow("the day that never was") << 60.0 << false << u"1900-02-29"_s;
    QTest::newRow("1 March 1900") << 61.0 << false << u"1900-03-01"_s;
    QTest::newRow("a time of day is cut off") << 45000.99 << false << u"2023-03-15"_s;
    QTest::newRow("the last day") << 2958465.0 << false << u"9999-12-31"_s;
    QTest::newRow("past it") << 2958466.0 << false << QString();
    QTest::newRow("1904: the first day") << 0.0 << true << u"1904-01-02"_s;
    QTest::newRow("1904: a leap year") << 61.0 << true << u"1904-03-02"_s;
}

void tst_SourceFile::xlsDates() {
    QFETCH(double, serial);
    QFETCH(bool, from1904);
    QFETCH(QString, day);
    QCOMPARE(BiffStream::dayText(serial, from1904), day);
    for (const auto& [id, format, date] : std::initializer_list<std::tuple<int, QString, bool>>{
             {14, QString(), true},
             {22, QString(), true},
             {18, QString(), false},
             {27, QString(), false},
             {164, u"yyyy-mm-dd"_s, true},
             {165, u"[DBNum1][$-804]yyyy\"年\"m\"月\"d\"日\""_s, true},
             {166, u"m/d/yy h:mm"_s, false},
             {167, u"\"d\"0"_s, false},
             {168, u"d-mmm"_s, false},
             {169, u"General"_s, false}})
        QVERIFY2(BiffStream::isDateFormat(id, format) == date, qPrintable(format));
}

void tst_SourceFile::xlsSheetsInOrder() {
    const QByteArray bytes = xlsWorkbook({{u"说明"_s, {{u"近期开奖"_s}}},
                                          {u"2024年"_s,
                                           {{u"期号"_s, u"日期"_s, u"号码"_s, u"特码"_s},
                                            {2024001, QDate(2024, 1, 2), u"05 18 23 31 40 45"_s, 7},
                                            {},
                                            {2024002, QDate(2024, 1, 5), QVariant(), 12.5}}}});
    const Result<SourceFile> file = SourceFile::open(bytes, u"draws.xls"_s);
    QVERIFY2(file.ok(), qPrintable(file.ok() ? QString() : file.error().shown()));
    QCOMPARE(file->kind(), SourceFile::Kind::Xls);
    QCOMPARE(shown(file->tables()),
             (QStringList{u"工作表“说明”"_s, u"1:近期开奖"_s, u"工作表“2024年”"_s, u"1:期号|日期|号码|特码"_s,
                          u"2:2024001|2024-01-02|05 18 23 31 40 45|7"_s, u"4:2024002|2024-01-05||12.5"_s}));
}

void tst_SourceFile::historyExportReadsBack() {
    const QStringList titles{u"期数"_s, u"平1"_s, u"平2"_s,  u"平3"_s, u"平4"_s,
                             u"平5"_s,  u"平6"_s, u"特码"_s, u"生肖"_s};
    const QList<QStringList> rows{
        {u"2024001"_s, u"05"_s, u"18"_s, u"23"_s, u"31"_s, u"40"_s, u"45"_s, u"07"_s, u"鼠"_s},
        {u"2024002"_s, u"1"_s, u"12"_s, u"13"_s, u"24"_s, u"35"_s, u"49"_s, u"-3.5"_s, u""_s}};
    const GridModel model(titles, rows);
    const QString path = m_dir.filePath(u"lishi.xlsx"_s);
    QVERIFY(SpreadsheetExport::writeXlsx(model, path).ok());
    const Result<SourceFile> file = SourceFile::open(readAll(path), path);
    QVERIFY(file.ok());
    QCOMPARE(file->tables().size(), 1);
    const SourceTable& table = file->tables().first();
    QCOMPARE(table.rows.size(), 3);
    QCOMPARE(table.rows[0].cells, titles);
    QCOMPARE(table.rows[1].cells, rows[0]);
    QCOMPARE(table.rows[2].cells, rows[1].mid(0, 8)); // the empty last cell is no cell
    QCOMPARE(table.rows[2].number, 3);
}

void tst_SourceFile::serialDates_data() {
    QTest::addColumn<double>("serial");
    QTest::addColumn<bool>("from1904");
    QTest::addColumn<QDate>("date");
    QTest::newRow("first day") << 1.0 << false << QDate(1900, 1, 1);
    QTest::newRow("before the phantom day") << 59.0 << false << QDate(1900, 2, 28);
    QTest::newRow("phantom 29 February 1900") << 60.0 << false << QDate();
    QTest::newRow("after the phantom day") << 61.0 << false << QDate(1900, 3, 1);
    QTest::newRow("2024 with a time") << 45293.9 << false << QDate(2024, 1, 2);
    QTest::newRow("1904 system") << 0.0 << true << QDate(1904, 1, 1);
    QTest::newRow("zero") << 0.0 << false << QDate();
    QTest::newRow("past 9999") << 2958466.0 << false << QDate();
}

void tst_SourceFile::serialDates() {
    QFETCH(double, serial);
    QFETCH(bool, from1904);
    QFETCH(QDate, date);
    QCOMPARE(XlsxSheets::serialDate(serial, from1904), date);
}

void tst_SourceFile::json_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QStringList>("table");
    QTest::newRow("list, numbers as a list")
        << R"([{"id":"25/134","date":"2025-11-27","no":["7","12","19","27","33","41"],"sno":"21"},
              {"id":"25/135","date":"2025-11-29","no":[1,2,3,4,5,6],"sno":7.0}])"_ba
        << QStringList{u"JSON 列表"_s, u"0:date|id|no|sno"_s, u"1:2025-11-27|25/134|7,12,19,27,33,41|21"_s,
                       u"2:2025-11-29|25/135|1,2,3,4,5,6|7"_s};
    QTest::newRow("object holding the list, fields differ")
        << R"({"count":2,"meta":{"source":"x"},"draws":[{"期号":2024001,"特码":7},{"期号":2024002,"备注":null}]})"_ba
        << QStringList{u"JSON 列表“draws”"_s, u"0:期号|特码|备注"_s, u"1:2024001|7"_s, u"2:2024002"_s};
    QTest::newRow("one level down, the longest list, nested fields")
        << R"({"data":{"other":[{"a":1}],"list":[{"n":{"n1":1,"n2":2},"ok":true},{"n":{"n1":3},"ok":false}]}})"_ba
        << QStringList{u"JSON 列表“list”"_s, u"0:n1|n2|ok"_s, u"1:1|2|true"_s, u"2:3||false"_s};
}

void tst_SourceFile::json() {
    QFETCH(QByteArray, json);
    QFETCH(QStringList, table);
    const Result<SourceFile> file = SourceFile::open("\xEF\xBB\xBF\n  " + json, u"draws.txt"_s);
    QVERIFY2(file.ok(), qPrintable(file.ok() ? QString() : file.message()));
    QCOMPARE(file->kind(), SourceFile::Kind::Json);
    QCOMPARE(shown(file->tables()), table);
}

void tst_SourceFile::html_data() {
    QTest::addColumn<QString>("html");
    QTest::addColumn<QStringList>("tables");
    QTest::newRow("entities, breaks, nested tags, colspan")
        << uR"(<html><head><style>td{}</style><script>var t="<table><tr><td>x</td></tr></table>";</script></head>
<body><table class="kj"><TR><TH>期号<TH>开奖号码</TH><th colspan="2">特码</th></TR>
<tr><td>2024001</td><td><span class="ball">05</span><span class="ball">18</span>&nbsp;23<br>31&#44;40&#x2C;45</td>
<td><b>07</b></td><td>A &amp; B &lt;c&gt;</td></tr>
<tr></tr><!-- <tr><td>hidden</td></tr> -->
<tr><td>2024002<td>1 2 3 4 5 6<td>7</table></body></html>)"_s
        << QStringList{u"网页表格 1"_s, u"1:期号|开奖号码|特码"_s,
                       u"2:2024001|05 18 23 31,40,45|07|A & B <c>"_s, u"4:2024002|1 2 3 4 5 6|7"_s};
    QTest::newRow("clipboard fragment, a table in a cell, empty layout table")
        << u"<table></table><!--StartFragment--><table><tr><td>外<table><tr><td>内</td></tr></table></td>"
           u"<td>后</td></tr></table><!--EndFragment-->"_s
        << QStringList{u"网页表格 1"_s, u"1:外|后"_s, u"网页表格 2"_s, u"1:内"_s};
}

void tst_SourceFile::html() {
    QFETCH(QString, html);
    QFETCH(QStringList, tables);
    const Result<SourceFile> pasted = SourceFile::fromHtml(html);
    QVERIFY(pasted.ok());
    QCOMPARE(pasted->kind(), SourceFile::Kind::Html);
    QCOMPARE(shown(pasted->tables()), tables);
    const Result<SourceFile> file = SourceFile::open(html.toUtf8(), u"page.htm"_s);
    QVERIFY(file.ok());
    QCOMPARE(shown(file->tables()), tables);
}

void tst_SourceFile::kinds_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<SourceFile::Kind>("kind");
    QTest::newRow("text") << "2024001 01 02 03 04 05 06 07\n"_ba << u"h.txt"_s << SourceFile::Kind::Text;
    QTest::newRow("text named .xlsx")
        << "2024001,1,2,3,4,5,6,7\n"_ba << u"h.xlsx"_s << SourceFile::Kind::Text;
    QTest::newRow("bracketed text") << "[2024001] 01 02 03 04 05 06 07\n"_ba << u"h.txt"_s
                                    << SourceFile::Kind::Text;
    QTest::newRow("UTF-16 text") << QByteArray("\xFF\xFE"
                                               "2\0"
                                               "0\0",
                                               6)
                                 << u"h.txt"_s << SourceFile::Kind::Text;
    QTest::newRow("empty") << QByteArray() << u"h.json"_s << SourceFile::Kind::Text;
    QTest::newRow("table in a page") << "<meta charset=utf-8><table><tr><td>1</td></tr></table>"_ba
                                     << u"h.xls"_s << SourceFile::Kind::Html;
}

void tst_SourceFile::kinds() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, fileName);
    QFETCH(SourceFile::Kind, kind);
    const Result<SourceFile> file = SourceFile::open(bytes, fileName);
    QVERIFY2(file.ok(), qPrintable(file.ok() ? QString() : file.message()));
    QCOMPARE(file->kind(), kind);
}

void tst_SourceFile::refusals_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("message");
    const QString zipPath = m_dir.filePath(u"any.zip"_s);
    const QByteArray xlsx = zipOf({{"xl/workbook.xml", "<workbook/>"}}, zipPath);
    QTest::newRow("zip") << zipOf({{"notes.txt", "2024001 01 02 03 04 05 06 07"}}, zipPath) << u"h.xlsx"_s
                         << u"这是一个 ZIP 压缩包，不是 Excel 工作簿。"_s;
    QTest::newRow("ods") << zipOf({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}}, zipPath)
                         << u"h.ods"_s << u"这是一个 OpenDocument 电子表格（.ods），不能直接读入"_s;
    QTest::newRow("xlsb") << zipOf({{"xl/workbook.bin", "\x83\x01"}}, zipPath) << u"h.xlsb"_s
                          << u"这是一个 Excel 二进制工作簿（.xlsb），不能直接读入"_s;
    QTest::newRow("Excel 2003 XML")
        << "<?xml version=\"1.0\"?>\n<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\">"_ba
        << u"h.xls"_s << u"这是一个 Excel 2003 XML 表格，不能直接读入"_s;
    QTest::newRow("gzip") << "\x1f\x8b\x08\0"_ba << u"h.csv.gz"_s
                          << u"这是一个 GZIP 压缩包，不是历史文件；请先解压。"_s;
    QTest::newRow("damaged workbook")
        << xlsx.left(xlsx.size() - 30) << u"h.xlsx"_s << u"这个 Excel 工作簿已损坏，无法读入。"_s;
    QTest::newRow("compound file without a workbook")
        << xlsWorkbook({{u"a"_s, {{1}}}}, u"WordDocument"_s) << u"h.doc"_s
        << u"这是一个 Office 复合文档（如 Word 97-2003 文档），不是 Excel 工作簿。"_s;
    QTest::newRow("encrypted workbook")
        << xlsWorkbook({{u"a"_s, {{u"EncryptedPackage"_s}}}}, u"EncryptedPackage"_s) << u"h.xlsx"_s
        << u"这个 Excel 工作簿有密码保护"_s;
    // A few kilobytes that claim sheets of 65,536 × 256 cells are refused before any is set aside.
    QList<XlsSheet> huge;
    for (int i = 0; i < 4; ++i)
        huge.append({u"s%1"_s.arg(i), {{1}}, 65536, 256});
    QTest::newRow("workbook declaring millions of cells")
        << xlsWorkbook(huge) << u"h.xls"_s << u"这个 Excel 97-2003 工作簿的单元格超过 500 万个"_s;
    QTest::newRow("png") << "\x89PNG\r\n\x1a\n\0\0\0\rIHDR"_ba << u"h.txt"_s
                         << u"这是一张 PNG 图片，不是历史文件。"_s;
    QTest::newRow("jpeg") << "\xFF\xD8\xFF\xE0\0\x10JFIF"_ba << u"h.txt"_s
                          << u"这是一张 JPEG 图片，不是历史文件。"_s;
    QTest::newRow("gif") << "GIF89a\x01\0\x01\0"_ba << u"h.txt"_s << u"这是一张 GIF 图片，不是历史文件。"_s;
    QTest::newRow("pdf") << "%PDF-1.7\n%\xE2\xE3"_ba << u"h.txt"_s << u"这是一个 PDF 文档，不是历史文件。"_s;
    QTest::newRow("NUL bytes") << QByteArray("2024001 01\0\0 02", 15) << u"h.txt"_s
                               << u"这是一个二进制文件（含有空字节）"_s;
    QTest::newRow("JSON of numbers")
        << "[1, 2, 3]"_ba << u"h.json"_s
        << u"这个 JSON 列表的项不是对象。JSON 文件须是一个由开奖记录对象组成的列表"_s;
    QTest::newRow("empty JSON list") << "{\"draws\": []}"_ba << u"h.json"_s
                                     << u"这个 JSON 文件中没有由对象组成的列表。"_s;
    QTest::newRow("broken JSON") << "{\"draws\": [}"_ba << u"h.json"_s
                                 << u"这个 JSON 文件无法解析（第 12 个字符处有误）"_s;
    QTest::newRow("page without a table")
        << "<!DOCTYPE html><p>2024001</p>"_ba << u"h.html"_s << u"这个网页中没有含文字的表格。"_s;
}

void tst_SourceFile::refusals() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, fileName);
    QFETCH(QString, message);
    const Result<SourceFile> file = SourceFile::open(bytes, fileName);
    QVERIFY(!file.ok());
    QVERIFY2(file.message().startsWith(message), qPrintable(file.message()));
    QVERIFY(file.message().endsWith(SourceFile::readableForms()));
}

void tst_SourceFile::zipBombRefused() {
    const QByteArray zeros(16 * 1024 * 1024, '\0');
    const QString path = m_dir.filePath(u"bomb.xlsx"_s);
    zipFile zip = zipOpen64(QFile::encodeName(path).constData(), APPEND_STATUS_CREATE);
    zipOpenNewFileInZip64(zip, "xl/workbook.xml", nullptr, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, 1, 0);
    zipWriteInFileInZip(zip, "<workbook/>", 11);
    zipCloseFileInZip(zip);
    zipOpenNewFileInZip64(zip, "xl/sharedStrings.xml", nullptr, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                          1, 0);
    for (qint64 written = 0; written <= XlsxSheets::UnpackedLimit; written += zeros.size())
        zipWriteInFileInZip(zip, zeros.constData(), unsigned(zeros.size()));
    zipCloseFileInZip(zip);
    zipClose(zip, nullptr);
    const QByteArray bytes = readAll(path);
    QVERIFY(bytes.size() < 1024 * 1024);
    const Result<SourceFile> file = SourceFile::open(bytes, path);
    QVERIFY(!file.ok());
    QVERIFY2(file.message().startsWith(u"这个 Excel 工作簿解压后超过 200 MB，不像开奖记录，不读入。"_s),
             qPrintable(file.message()));
}

QTEST_GUILESS_MAIN(tst_SourceFile)
#include "tst_sourcefile.moc"
