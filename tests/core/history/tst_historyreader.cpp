#include "TextGridModel.h"
#include "history/HistoryReader.h"
#include "history/ReaderText.h"
#include "history/SourceFile.h"

#include "XlsWriter.h"
#include "core/history/DrawText.h"
#include "export/SpreadsheetExport.h"

#include <QAbstractTableModel>
#include <QFile>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <xlsxwriter.h>

using namespace Qt::StringLiterals;
using namespace talven;

namespace {

// "period:n1 … n7" per draw, line numbers left out: the forms put the same draw on different lines.
QStringList describe(const QList<ParsedDraw>& draws) {
    QStringList out;
    for (const ParsedDraw& d : draws)
        out.append(u"%1:%2"_s.arg(d.period).arg(numbersText(d)));
    return out;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray gbk(const QString& text) {
    QStringEncoder encoder("GBK");
    return encoder.isValid() ? QByteArray(encoder(text)) : QByteArray();
}

// The three draws as cells: period, date, six numbers, special.
const QList<QVariantList> threeRows{{2024001, QDate(2024, 1, 2), 1, 8, 13, 24, 35, 43, 33},
                                    {2024002, QDate(2024, 1, 4), 2, 9, 14, 25, 36, 44, 49},
                                    {2024003, QDate(2024, 1, 6), 5, 6, 7, 10, 11, 12, 40}};

QByteArray xlsxOfThreeDraws() {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"draws.xlsx"_s);
    lxw_workbook* workbook = workbook_new(QFile::encodeName(path).constData());
    lxw_format* date = workbook_add_format(workbook);
    format_set_num_format_index(date, 14);
    workbook_add_worksheet(workbook, "说明");
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, "2024");
    const char* titles[] = {"Draw", "Draw Date", "Ball 1", "2", "3", "4", "5", "6", "Bonus"};
    for (int c = 0; c < 9; ++c)
        worksheet_write_string(sheet, 0, lxw_col_t(c), titles[c], nullptr);
    for (int r = 0; r < 3; ++r) {
        const QVariantList& row = threeRows[r];
        const QDate d = row[1].toDate();
        lxw_datetime when{d.year(), d.month(), d.day(), 0, 0, 0};
        worksheet_write_number(sheet, lxw_row_t(r + 1), 0, row[0].toInt(), nullptr);
        worksheet_write_datetime(sheet, lxw_row_t(r + 1), 1, &when, date);
        for (int c = 2; c < 9; ++c)
            worksheet_write_number(sheet, lxw_row_t(r + 1), lxw_col_t(c), row[c].toInt(), nullptr);
    }
    workbook_close(workbook);
    return readAll(path);
}

QByteArray xlsOfThreeDraws() {
    XlsSheet sheet{u"历史"_s,
                   {{u"期号"_s, u"开奖日期"_s, u"平码1"_s, u"平码2"_s, u"平码3"_s, u"平码4"_s, u"平码5"_s,
                     u"平码6"_s, u"特码"_s}}};
    // Newest first, as many published sheets are.
    for (qsizetype r = threeRows.size() - 1; r >= 0; --r)
        sheet.rows.append(threeRows[r]);
    return xlsWorkbook({sheet});
}

using GridModel = talven::test::TextGridModel;

const QStringList threeDraws{u"2024001:1 8 13 24 35 43 33"_s, u"2024002:2 9 14 25 36 44 49"_s,
                             u"2024003:5 6 7 10 11 12 40"_s};

} // namespace

class TestHistoryReader : public QObject {
    Q_OBJECT

private slots:
    // Every form users bring reads to the same three draws of 2024, oldest first.
    void formsReadToTheSameDraws_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("form"); // a part of the form's description
        QTest::newRow("published CSV: dates d/m/y, newest first")
            << QByteArray("Draw Date,num1,num2,num3,num4,num5,num6,num7\r\n"
                          "06/01/2024,5,6,7,10,11,12,40\r\n04/01/2024,2,9,14,25,36,44,49\r\n"
                          "02/01/2024,1,8,13,24,35,43,33\r\n")
            << u"逗号分隔表格，有标题行，日期列，按年份编期号，日月先后未能确定，按日在前，由新到旧排列，已倒转"_s;
        QTest::newRow("plain lines without leading zeros")
            << QByteArray(
                   "2024001 1 8 13 24 35 43 33\n2024002 2 9 14 25 36 44 49\n2024003 5 6 7 10 11 12 40\n")
            << u"每行期号和七个号码"_s;
        QTest::newRow("semicolons, Chinese titles, extra columns")
            << u"期号;开奖日期;号码1;号码2;号码3;号码4;号码5;号码6;特码;销售额\n"
               u"2024001;2024-01-02;01;08;13;24;35;43;33;1234567\n"
               u"2024002;2024-01-04;02;09;14;25;36;44;49;7654321\n"
               u"2024003;2024-01-06;05;06;07;10;11;12;40;1000000\n"_s.toUtf8()
            << u"分号分隔表格，有标题行，期号列"_s;
        QTest::newRow("tabs, draw numbers YY/NNN, no header")
            << QByteArray("24/001\t1\t8\t13\t24\t35\t43\t33\n24/002\t2\t9\t14\t25\t36\t44\t49\n"
                          "24/003\t5\t6\t7\t10\t11\t12\t40\n")
            << u"制表符分隔表格，期号列"_s;
        QTest::newRow("UTF-8 mark, titled columns out of order, yyyy/mm/dd")
            << QByteArray("\xEF\xBB\xBF") +
                   "Date,Special,Ball1,Ball2,Ball3,Ball4,Ball5,Ball6\n2024/01/02,33,1,8,13,24,35,43\n"
                   "2024/01/04,49,2,9,14,25,36,44\n2024/01/06,40,5,6,7,10,11,12\n"
            << u"日期列"_s;
        QTest::newRow("GBK, written dates, blank separated")
            << gbk(u"开奖日期 平码1 平码2 平码3 平码4 平码5 平码6 特别号码\n"
                   u"2024年1月2日 01 08 13 24 35 43 33\n2024年1月4日 02 09 14 25 36 44 49\n"
                   u"2024年1月6日 05 06 07 10 11 12 40\n"_s)
            << u"空格分隔表格，有标题行，日期列"_s;
        QTest::newRow("shuffled draw numbers YYYY/NNN")
            << QByteArray("issue,n1,n2,n3,n4,n5,n6,bonus\n2024/002,2,9,14,25,36,44,49\n"
                          "2024/003,5,6,7,10,11,12,40\n2024/001,1,8,13,24,35,43,33\n")
            << u"未按先后排列，已按期号排序"_s;
        QTest::newRow("numbers only, counted from the proposed period")
            << QByteArray("1 8 13 24 35 43 33\n2 9 14 25 36 44 49\n5 6 7 10 11 12 40\n")
            << u"没有期号，自第 2024001 期起依次编号"_s;
        QTest::newRow("web table: tabs, numbers in one cell, special beside")
            << u"期号\t日期\t开奖号码\t特别号码\n2024001\t2024-01-02\t01,08,13,24,35,43\t33\n"
               u"2024002\t2024-01-04\t02,09,14,25,36,44\t49\n2024003\t2024-01-06\t05,06,07,10,11,12\t40\n"_s
                   .toUtf8()
            << u"制表符分隔表格，有标题行，号码同在一格，期号列"_s;
        QTest::newRow("web table: blanks and 、 in the cell, no titles")
            << u"2024001\t1 8 13 24 35 43\t33\n2024002\t2、9、14、25、36、44\t49\n"
               u"2024003\t5 6 7 10 11 12\t40\n"_s.toUtf8()
            << u"号码同在一格，期号列"_s;
        QTest::newRow("seven in one cell, special after +")
            << QByteArray("Draw Date\tWinning Numbers\n2024-01-02\t01-08-13-24-35-43 + 33\n"
                          "2024-01-04\t02-09-14-25-36-44 + 49\n2024-01-06\t05-06-07-10-11-12 + 40\n")
            << u"号码同在一格，日期列"_s;
        QTest::newRow("quoted CSV: month names, quotes and a line break inside quotes")
            << QByteArray("Date,Note,n1,n2,n3,n4,n5,n6,Bonus\n"
                          "\"January 2, 2024\",\"said \"\"hi\"\", then\nleft\",1,8,13,24,35,43,33\n"
                          "\"4 Jan 2024\",,2,9,14,25,36,44,49\n"
                          "\"JAN-06-2024\",\"a,b\",5,6,7,10,11,12,40\n")
            << u"逗号分隔表格，有标题行，日期列"_s;
        QTest::newRow("month names cut by the separator")
            << QByteArray("June 2, 2024,01,08,13,24,35,43,33\nJune 4, 2024,02,09,14,25,36,44,49\n"
                          "June 6, 2024,05,06,07,10,11,12,40\n")
            << u"逗号分隔表格，日期列，按年份编期号"_s;
        QTest::newRow("month names cut by blanks")
            << QByteArray("2 Jun 2024 01 08 13 24 35 43 33\nJun 4, 2024 02 09 14 25 36 44 49\n"
                          "June 6 2024 05 06 07 10 11 12 40\n")
            << u"空格分隔表格，日期列，按年份编期号"_s;
        QTest::newRow("semicolons quoted, dd.mm.yyyy decided by the column")
            << QByteArray("\"02.01.2024\";\"1\";\"8\";\"13\";\"24\";\"35\";\"43\";\"33\"\n"
                          "\"04.01.2024\";\"2\";\"9\";\"14\";\"25\";\"36\";\"44\";\"49\"\n"
                          "\"06.01.2024\";\"5\";\"6\";\"7\";\"10\";\"11\";\"12\";\"40\"\n")
            << u"分号分隔表格，日期列，按年份编期号"_s;
        QTest::newRow("dates with a time part")
            << QByteArray("2024-01-02 21:30,1,8,13,24,35,43,33\n2024-01-04T21:30:00,2,9,14,25,36,44,49\n"
                          "2024-01-06 21:30:15,5,6,7,10,11,12,40\n")
            << u"日期列"_s;
        QTest::newRow("yyyymmdd dates")
            << QByteArray("20240102 01 08 13 24 35 43 33\n20240104 02 09 14 25 36 44 49\n"
                          "20240106 05 06 07 10 11 12 40\n")
            << u"空格分隔表格，日期列"_s;
        QTest::newRow("English titles, the first carrying the words")
            << QByteArray("Draw,Date,Winning Number 1,2,3,4,5,6,Extra Number\n"
                          "24/001,02/01/2024,1,8,13,24,35,43,33\n24/002,04/01/2024,2,9,14,25,36,44,49\n"
                          "24/003,06/01/2024,5,6,7,10,11,12,40\n")
            << u"有标题行，期号列"_s;
        QTest::newRow("a counter titled as the draw number is no number")
            << QByteArray("draw_number,Draw Date,N1,N2,N3,N4,N5,N6,Extra\n1,2024-01-02,1,8,13,24,35,43,33\n"
                          "2,2024-01-04,2,9,14,25,36,44,49\n3,2024-01-06,5,6,7,10,11,12,40\n")
            << u"日期列，按年份编期号"_s;
        QTest::newRow("title row repeated for each year")
            << u"日期,正码1,正码2,正码3,正码4,正码5,正码6,特号\n2024-01-02,01,08,13,24,35,43,33\n"
               u"日期,正码1,正码2,正码3,正码4,正码5,正码6,特号\n2024-01-04,02,09,14,25,36,44,49\n"
               u"2024-01-06,05,06,07,10,11,12,40\n"_s.toUtf8()
            << u"略过 1 行重复的标题行"_s;
        QTest::newRow("this program's own export")
            << u"\uFEFF期号,落1码,落2码,落3码,落4码,落5码,落6码,特码,特肖,特波,特行,公式1\r\n"
               u"2024001,01,08,13,24,35,43,33,鼠,红,金,12\r\n2024002,02,09,14,25,36,44,49,牛,绿,木,07\r\n"
               u"2024003,05,06,07,10,11,12,40,虎,蓝,水,30\r\n"_s.toUtf8()
            << u"逗号分隔表格，有标题行，期号列"_s;
        QTest::newRow("xlsx workbook: notes sheet first, date cells, chained titles")
            << xlsxOfThreeDraws() << u"Excel 工作簿，工作表“2024”，有标题行，期号列"_s;
        QTest::newRow("xls workbook, newest first")
            << xlsOfThreeDraws()
            << u"Excel 97-2003 工作簿，工作表“历史”，有标题行，期号列，由新到旧排列，已倒转"_s;
        QTest::newRow("JSON list, numbers as a list")
            << QByteArray(
                   R"({"draws":[{"id":"24/001","date":"2024-01-02","no":["1","8","13","24","35","43"],"sno":"33"},
                          {"id":"24/002","date":"2024-01-04","no":[2,9,14,25,36,44],"sno":49},
                          {"id":"24/003","date":"2024-01-06","no":[5,6,7,10,11,12],"sno":"40"}]})")
            << u"JSON 文件，JSON 列表“draws”，有标题行，号码同在一格，期号列"_s;
        QTest::newRow("web page table")
            << u"<html><body><table><tr><th>期号</th><th>开奖号码</th><th>特别号码</th></tr>"
               u"<tr><td>2024001</td><td>01 08 13 24 35 43</td><td>33</td></tr>"
               u"<tr><td>2024002</td><td>02 09 14 25 36 44</td><td>49</td></tr>"
               u"<tr><td>2024003</td><td>05 06 07 10 11 12</td><td>40</td></tr></table></body></html>"_s
                   .toUtf8()
            << u"网页表格，"_s;
    }
    void formsReadToTheSameDraws() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, form);
        if (bytes.isEmpty())
            QSKIP("no GBK encoder on this platform");
        const auto file = HistoryReader::read(bytes, 2024001, 49);
        QVERIFY2(file.ok(), qPrintable(file.ok() ? QString() : file.message()));
        QCOMPARE(describe(file->draws), threeDraws);
        QVERIFY2(file->form.contains(form), qPrintable(file->form));
        QVERIFY(file->skipped.isEmpty());
        QVERIFY(!file->twoDigitLines);
        QVERIFY(!file->refusal(u"f"_s));
    }

    // Dates count the draws of each year from one, whatever the order of the lines.
    void datesNumberEachYear() {
        const auto file = HistoryReader::read("date,a,b,c,d,e,f,g\n"
                                              "2024-01-04,2,9,14,25,36,44,49\n2024-01-02,1,8,13,24,35,43,33\n"
                                              "2023-12-30,5,6,7,10,11,12,40\n2023-12-28,1,2,3,4,5,6,7\n",
                                              2000001, 49);
        QVERIFY(file.ok());
        QCOMPARE(describe(file->draws),
                 (QStringList{u"2023001:1 2 3 4 5 6 7"_s, u"2023002:5 6 7 10 11 12 40"_s,
                              u"2024001:1 8 13 24 35 43 33"_s, u"2024002:2 9 14 25 36 44 49"_s}));
        QCOMPARE(file->draws.first().lineNumber, 5);
        QVERIFY(file->everyLineDated);
    }

    void duplicatesAndRefusals_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("draws");
        QTest::addColumn<int>("skipped");
        QTest::addColumn<int>("code");     // -1: accepted; else the ErrorCode of the read or the refusal
        QTest::addColumn<QString>("text"); // a part of the message or of the first skipped line's reason
        QTest::newRow("identical line kept once")
            << QByteArray(
                   "2024001 1 8 13 24 35 43 33\n2024002 2 9 14 25 36 44 49\n2024001 1 8 13 24 35 43 33\n")
            << 2 << 1 << -1 << u"与第 1 行相同"_s;
        QTest::newRow("differing lines for one period")
            << QByteArray(
                   "2024001 1 8 13 24 35 43 33\n2024002 2 9 14 25 36 44 49\n2024001 1 8 13 24 35 43 34\n")
            << 0 << 0 << int(ErrorCode::Refused) << u"第 1 行与第 3 行都是第 2024001 期"_s;
        QTest::newRow("prose with a few draws")
            << QByteArray("Our club's numbers\nwe played these last year\n2024001 1 8 13 24 35 43 33\n"
                          "and these\n2024002 2 9 14 25 36 44 49\nnothing more to say\nreally\n")
            << 2 << 5 << int(ErrorCode::NotHistory) << u"7 行中有 5 行无法读入，只能读入 2 期"_s;
        QTest::newRow("a line of prose is no header")
            << QByteArray("hello\nworld\n2024001 1 8 13 24 35 43 33\nfoo\n") << 1 << 3
            << int(ErrorCode::NotHistory) << u"4 行中有 3 行无法读入"_s;
        QTest::newRow("no draw at all") << QByteArray("nothing here\n1 2 3\n") << 0 << 2
                                        << int(ErrorCode::Refused) << u"没有可读入的历史号码"_s;
        QTest::newRow("bad number skipped with its reason")
            << QByteArray(
                   "2024001 1 8 13 24 35 43 33\n2024002 2 9 14 25 36 44 50\n2024003 5 6 7 10 11 12 40\n")
            << 2 << 1 << -1 << u"号码50不在01到49之间"_s;
        const QByteArray good2 = "2024002 02 09 14 25 36 44 49\n2024003 05 06 07 10 11 12 40\n";
        QTest::newRow("line form: ten digits for the last number")
            << "2024001 01 08 13 24 35 43 4294967303\n" + good2 << 2 << 1 << -1
            << u"“4294967303”不是两位数字的号码"_s;
        QTest::newRow("line form: digits joined to letters")
            << "2024001 01 08 13 24 35 43 42abc\n" + good2 << 2 << 1 << -1 << u"“42abc”不是号码"_s;
        QTest::newRow("line form: an eighth number")
            << "2024001 01 08 13 24 35 43 33 07\n" + good2 << 2 << 1 << -1 << u"第七个号码之后还有“07”"_s;
        QTest::newRow("line form: six leading digits are no numbers")
            << "203002 08 13 24 35 43 33 01\n" + good2 << 2 << 1 << -1 << u"“203002”不是有效的期号"_s;
        QTest::newRow("line form: eight-digit period")
            << "20240001 01 08 13 24 35 43 33\n" + good2 << 2 << 1 << -1 << u"“20240001”不是有效的期号"_s;
        QTest::newRow("line form: draw 000")
            << "2024000 01 08 13 24 35 43 33\n" + good2 << 2 << 1 << -1 << u"“2024000”不是有效的期号"_s;
        QTest::newRow("eight-digit periods keep their column")
            << QByteArray("20240001,1,8,13,24,35,43,33\n20240002,2,9,14,25,36,44,49\n") << 0 << 2
            << int(ErrorCode::Refused) << u"没有可读入的历史号码"_s;
        QTest::newRow("dates of year 0001 keep their column")
            << QByteArray("2024-01-02,1,8,13,24,35,43,33\n0001-01-04,2,9,14,25,36,44,49\n"
                          "2024-01-06,5,6,7,10,11,12,40\n")
            << 2 << 1 << -1 << u"“0001-01-04”不是有效的日期"_s;
        QTest::newRow("impossible date names the date")
            << QByteArray("02/01/2024,1,8,13,24,35,43,33\n31/02/2024,2,9,14,25,36,44,49\n"
                          "06/01/2024,5,6,7,10,11,12,40\n")
            << 2 << 1 << -1 << u"“31/02/2024”不是有效的日期"_s;
        QTest::newRow("control characters shown escaped")
            << QByteArray("2024-01-02,1,8,13,24,35,43,33\n2024-01-04,2,9,14,25,36,44,4\x1b"
                          "9\n"
                          "2024-01-06,5,6,7,10,11,12,40\n")
            << 2 << 1 << -1 << u"“4\\u001B9”不是号码"_s;
        QTest::newRow("two draws for one date")
            << QByteArray("2024-01-02,1,8,13,24,35,43,33\n2024-01-04,2,9,14,25,36,44,49\n"
                          "2024-01-02,5,6,7,10,11,12,40\n")
            << 0 << 0 << int(ErrorCode::Refused) << u"第 1 行与第 3 行都是 2024-01-02 的开奖"_s;
        QTest::newRow("titles: six numbers, no special column")
            << QByteArray("期号,号码1,号码2,号码3,号码4,号码5,号码6\n2024001,1,8,13,24,35,43\n") << 0 << 0
            << int(ErrorCode::Refused) << u"没有特别号码列"_s;
        QTest::newRow("titles: a counter and six numbers")
            << QByteArray("draw_number,n1,n2,n3,n4,n5,n6\n1,1,8,13,24,35,43\n2,2,9,14,25,36,44\n") << 0 << 0
            << int(ErrorCode::Refused) << u"没有特别号码列"_s;
        QTest::newRow("titles: some numbers only")
            << QByteArray("date,ball1,ball2,ball3\n2024-01-02,1,8,13\n") << 0 << 0 << int(ErrorCode::Refused)
            << u"标题行中没有平码4、平码5、平码6、特别号码列"_s;
        QTest::newRow("titles: six in one cell, no special column")
            << u"日期\t开奖号码\n2024-01-02\t01,08,13,24,35,43\n2024-01-04\t02,09,14,25,36,44\n"_s.toUtf8()
            << 0 << 0 << int(ErrorCode::Refused) << u"没有特别号码列"_s;
    }
    void duplicatesAndRefusals() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, draws);
        QFETCH(int, skipped);
        QFETCH(int, code);
        QFETCH(QString, text);
        const auto file = HistoryReader::read(bytes, 2024001, 49);
        if (!file.ok()) {
            QCOMPARE(int(file.code()), code);
            QVERIFY2(file.message().contains(text), qPrintable(file.message()));
            QVERIFY(file.message().endsWith(SourceFile::readableForms()));
            return;
        }
        QCOMPARE(file->draws.size(), draws);
        QCOMPARE(file->skipped.size(), skipped);
        const auto refusal = file->refusal(u"f"_s);
        QCOMPARE(refusal ? int(refusal->code) : -1, code);
        const QString said = refusal ? refusal->message : file->skipped.value(0).reason;
        QVERIFY2(said.contains(text), qPrintable(said));
        QVERIFY(!refusal || said.endsWith(SourceFile::readableForms()));
    }

    // The program's own history exports read back to exactly the draws exported.
    void ownExportsReadBack() {
        const QStringList titles{u"期号"_s,  u"落1码"_s, u"落2码"_s, u"落3码"_s, u"落4码"_s, u"落5码"_s,
                                 u"落6码"_s, u"特码"_s,  u"特肖"_s,  u"特波"_s,  u"特行"_s,  u"公式1"_s};
        QList<QStringList> rows;
        for (const QString& draw : threeDraws) {
            QStringList row{draw.section(u':', 0, 0)};
            for (const QString& n : draw.section(u':', 1).split(u' '))
                row.append(u"%1"_s.arg(n.toInt(), 2, 10, QChar(u'0')));
            rows.append(row + QStringList{u"鼠"_s, u"红"_s, u"金"_s, u"12"_s});
        }
        // Without formula columns the CSV is read by the line reader, which passes the titles over.
        QList<QStringList> withoutFormulas;
        for (const QStringList& row : rows)
            withoutFormulas.append(row.first(11));
        const GridModel grid(titles, rows);
        const GridModel plainGrid(titles.first(11), withoutFormulas);
        QTemporaryDir dir;
        for (const QString& name : {u"lishi.xlsx"_s, u"lishi.csv"_s, u"plain.csv"_s}) {
            const QString path = dir.filePath(name);
            const auto written = name == u"plain.csv"_s     ? SpreadsheetExport::writeCsv(plainGrid, path)
                                 : name.endsWith(u".csv"_s) ? SpreadsheetExport::writeCsv(grid, path)
                                                            : SpreadsheetExport::writeXlsx(grid, path);
            QVERIFY(written.ok());
            const auto file = HistoryReader::readFile(path, 2026001, 49);
            QVERIFY2(file.ok(), qPrintable(file.ok() ? QString() : file.message()));
            QCOMPARE(describe(file->draws), threeDraws);
            QVERIFY(file->skipped.isEmpty());
        }
    }

    // A line-format file running newest first keeps every draw.
    void newestFirstLinesTurnedRound() {
        QByteArray bytes;
        for (int n = 500; n >= 1; --n)
            bytes +=
                u"%1 %2 02 03 04 05 06 07\n"_s.arg(2024000 + n).arg(n % 40 + 8, 2, 10, QChar(u'0')).toUtf8();
        const auto file = HistoryReader::read(bytes, 2026001, 49);
        QVERIFY(file.ok());
        QCOMPARE(file->draws.size(), 500);
        QVERIFY(file->skipped.isEmpty());
        QCOMPARE(file->draws.first().period, 2024001);
        QCOMPARE(file->draws.first().lineNumber, 500);
        QVERIFY2(file->form.contains(u"已倒转"_s), qPrintable(file->form));
    }

    // Sheets and lists given as cells: the first holding draws is read and named; serial dates.
    void tablesGivenAsCells() {
        const SourceTable notes{u"工作表“说明”"_s, {{1, {u"本表为开奖记录"_s}}, {2, {u"2024 年"_s}}}};
        const SourceTable sheet{
            u"工作表“2024”"_s,
            {{1, {u"Date"_s, u"N1"_s, u"N2"_s, u"N3"_s, u"N4"_s, u"N5"_s, u"N6"_s, u"Bonus"_s}},
             {2, {u"45293"_s, u"1"_s, u"8"_s, u"13"_s, u"24"_s, u"35"_s, u"43"_s, u"33"_s}},
             {3, {u"45295"_s, u"2"_s, u"9"_s, u"14"_s, u"25"_s, u"36"_s, u"44"_s, u"49"_s}},
             {4, {u"45297"_s, u"5"_s, u"6"_s, u"7"_s, u"10"_s, u"11"_s, u"12"_s, u"40"_s}}}};
        const auto file = HistoryReader::readTables({notes, sheet}, u"Excel 工作簿"_s, 49);
        QVERIFY2(file.ok(), qPrintable(file.ok() ? QString() : file.message()));
        QCOMPARE(describe(file->draws), threeDraws);
        QCOMPARE(file->sourceName, sheet.name);
        QVERIFY2(file->form.startsWith(u"Excel 工作簿，工作表“2024”，有标题行，日期列"_s),
                 qPrintable(file->form));

        const SourceTable json{u"JSON 列表“draws”"_s,
                               {{1, {u"id"_s, u"date"_s, u"no"_s, u"sno"_s}},
                                {2, {u"24/001"_s, u"2024-01-02"_s, u"1,8,13,24,35,43"_s, u"33"_s}},
                                {3, {u"24/002"_s, u"2024-01-04"_s, u"2,9,14,25,36,44"_s, u"49"_s}},
                                {4, {u"24/003"_s, u"2024-01-06"_s, u"5,6,7,10,11,12"_s, u"40"_s}}}};
        const auto listed = HistoryReader::readTables({json}, u"JSON 文件"_s, 49);
        QVERIFY(listed.ok());
        QCOMPARE(describe(listed->draws), threeDraws);

        const auto none = HistoryReader::readTables({notes}, u"Excel 工作簿"_s, 49);
        QVERIFY(!none.ok());
        QVERIFY2(none.message().startsWith(u"这是一个 Excel 工作簿，但没有一张工作表含有开奖号码"_s),
                 qPrintable(none.message()));
        QVERIFY(none.message().endsWith(SourceFile::readableForms()));
    }

    // Periods counted from dates are said aloud: how, a late first draw, a line skipped inside a
    // year with the draws it shifts, and day first assumed.
    void datesNumberingSaidAloud() {
        const auto file = HistoryReader::read("03/02/2024,1,8,13,24,35,43,33\n05/02/2024,2,9,14,25,36,44\n"
                                              "07/02/2024,5,6,7,10,11,12,40\n09/02/2024,1,2,3,4,5,6,7\n"
                                              "11/02/2024,1,2,3,4,5,6,8\n",
                                              2026001, 49);
        QVERIFY(file.ok());
        QCOMPARE(file->numbering, HistoryFile::Numbering::FromDates);
        QCOMPARE(file->draws.size(), 4);
        QCOMPARE(file->draws.first().date, QDate(2024, 2, 3));
        const QString said = file->warnings.join(u'\n');
        QVERIFY2(said.contains(u"期号按日期先后为每年的开奖从第 001 期数起"_s), qPrintable(said));
        QVERIFY2(said.contains(u"第一年（2024 年）的第一期开奖在 2 月 3 日"_s), qPrintable(said));
        QVERIFY2(said.contains(u"2024 年中第 2 行无法读入：若它是一期开奖，该年其后 3 期的期号都少算 1"_s),
                 qPrintable(said));
        QVERIFY2(said.contains(u"已按日在前读"_s), qPrintable(said));

        const auto decided =
            HistoryReader::read("01/02/2024,1,8,13,24,35,43,33\n01/13/2024,2,9,14,25,36,44,49\n"
                                "01/20/2024,5,6,7,10,11,12,40\n",
                                2026001, 49);
        QVERIFY(decided.ok());
        QCOMPARE(decided->draws.first().date, QDate(2024, 1, 2));
        QVERIFY(!decided->warnings.join(u'\n').contains(u"已按日在前读"_s));
    }

    // An append from a file without draw numbers finds the newest stored draws by their numbers.
    void appendWithoutDrawNumbers_data() {
        QTest::addColumn<QStringList>("stored"); // "period:numbers", oldest first
        QTest::addColumn<QStringList>("newer");  // what the append stores; empty with `refused`
        QTest::addColumn<QString>("refused");
        const QString d1 = u"1 8 13 24 35 43 33"_s, d2 = u"2 9 14 25 36 44 49"_s, d3 = u"5 6 7 10 11 12 40"_s;
        QTest::newRow("none stored: an import") << QStringList{} << threeDraws << QString();
        QTest::newRow("one stored, numbered on in its year")
            << QStringList{u"2024051:"_s + d2} << QStringList{u"2024052:"_s + d3, u"2024053:1 2 3 4 5 6 8"_s}
            << QString();
        QTest::newRow("the new year starts at 001")
            << QStringList{u"2023150:1 2 3 4 5 6 7"_s, u"2023151:"_s + d1}
            << QStringList{u"2024001:"_s + d2, u"2024002:"_s + d3, u"2024003:1 2 3 4 5 6 8"_s} << QString();
        QTest::newRow("newest stored draw missing")
            << QStringList{u"2023151:"_s + d1, u"2023152:1 2 3 4 5 6 9"_s} << QStringList{}
            << u"找不到已有的第 2023152 期（01 02 03 04 05 06 + 09）紧接在第 2023151 期之后"_s;
        QTest::newRow("not consecutive") << QStringList{u"2023151:"_s + d1, u"2023152:"_s + d3}
                                         << QStringList{} << u"找不到已有的第 2023152 期"_s;
    }
    void appendWithoutDrawNumbers() {
        QFETCH(QStringList, stored);
        QFETCH(QStringList, newer);
        QFETCH(QString, refused);
        const auto file = HistoryReader::read("2023-12-28,1,2,3,4,5,6,7\n2023-12-30,1,8,13,24,35,43,33\n"
                                              "2024-01-02,2,9,14,25,36,44,49\n2024-01-04,5,6,7,10,11,12,40\n"
                                              "2024-01-06,1,2,3,4,5,6,8\n",
                                              2026001, 49);
        QVERIFY(file.ok());
        QList<ParsedDraw> draws;
        for (const QString& s : stored) {
            ParsedDraw d;
            d.period = s.section(u':', 0, 0).toInt();
            const QStringList n = s.section(u':', 1).split(u' ');
            for (size_t i = 0; i < 7; ++i)
                d.numbers[i] = n[qsizetype(i)].toInt();
            draws.append(d);
        }
        const auto result = file->newerThan(draws, u"f"_s);
        if (!refused.isEmpty()) {
            QVERIFY(!result.ok());
            QVERIFY2(result.message().contains(refused), qPrintable(result.message()));
            return;
        }
        QVERIFY2(result.ok(), qPrintable(result.ok() ? QString() : result.message()));
        QCOMPARE(describe(result.value()), stored.isEmpty() ? describe(file->draws) : newer);
    }

    // Twenty skipped lines one by one, then a count per reason; quoted text does not split a reason.
    void skippedSummaryCountsPerReason() {
        QList<SkippedLine> skipped;
        for (int i = 1; i <= 25; ++i)
            skipped.append({i, u"x\u202E"_s, i % 2 ? u"只有1个号码，不足7个"_s : u"“%1a”不是号码"_s.arg(i)});
        skipped.append({26, u"y"_s, u"“b”不是号码"_s});
        const QStringList summary = ReaderText::skippedSummary(skipped);
        QCOMPARE(summary.size(), 22);
        QCOMPARE(summary.first(), u"第 1 行 x\\u202E：只有1个号码，不足7个"_s);
        QCOMPARE(summary.mid(20),
                 (QStringList{u"另有 3 行：只有1个号码，不足7个"_s, u"另有 3 行：“…”不是号码"_s}));
    }

    // A file the two-digit reader mostly accepts keeps exactly that reading: the sample, and
    // samples with lines damaged at random.
    void twoDigitFilesReadAsBefore() {
        const QByteArray sample = readAll(QStringLiteral(TALVEN_SOURCE_DIR "/samples/history.txt"));
        QVERIFY(!sample.isEmpty());
        QList<QByteArray> files{sample};
        QRandomGenerator rng(17);
        const QList<QByteArray> lines = sample.split('\n').mid(0, 400);
        for (int f = 0; f < 20; ++f) {
            QList<QByteArray> damaged = lines;
            for (QByteArray& line : damaged) {
                switch (rng.bounded(10)) {
                case 0:
                    line.truncate(rng.bounded(int(line.size()) + 1));
                    break;
                case 1:
                    line.insert(rng.bounded(int(line.size()) + 1), "x7 ");
                    break;
                case 2:
                    line = "junk";
                    break;
                default:
                    break;
                }
            }
            files.append(damaged.join(f % 2 ? "\r\n" : "\n"));
        }
        for (const QByteArray& bytes : files) {
            const QStringList text = HistoryParser::splitLines(HistoryParser::decodeText(bytes));
            const HistoryParseResult before = HistoryParser::parseLines(text, 2000001, std::nullopt, 49);
            const auto file = HistoryReader::read(bytes, 2000001, 49);
            QVERIFY(file.ok());
            QVERIFY(file->twoDigitLines);
            QVERIFY(file->draws == before.draws);
            QCOMPARE(file->skipped.size(), before.skipped.size());
            for (qsizetype i = 0; i < before.skipped.size(); ++i) {
                QCOMPARE(file->skipped[i].lineNumber, before.skipped[i].lineNumber);
                QCOMPARE(file->skipped[i].reason, before.skipped[i].reason);
            }
            QVERIFY(!file->refusal(u"f"_s));
        }
    }

    // The published-table sample holds the same draws as the two-digit sample.
    void csvSampleMatchesTextSample() {
        const auto text = HistoryReader::read(
            readAll(QStringLiteral(TALVEN_SOURCE_DIR "/samples/history.txt")), 2000001, 49);
        const auto csv = HistoryReader::read(
            readAll(QStringLiteral(TALVEN_SOURCE_DIR "/samples/history.csv")), 2000001, 49);
        QVERIFY(text.ok() && csv.ok());
        QVERIFY(csv->skipped.isEmpty());
        QCOMPARE(describe(csv->draws), describe(text->draws));
        QCOMPARE(describe(csv->previewDraws()),
                 describe(text->draws.first(3)) + describe(text->draws.last(3)));
    }
};

QTEST_GUILESS_MAIN(TestHistoryReader)
#include "tst_historyreader.moc"
