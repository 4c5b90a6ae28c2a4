// Times the reading and preview of a 5,000-draw history in every form the reader takes, each
// written here from the same draws; one line per form, each to stay under 100 ms.
#include "../tests/TextGridModel.h"
#include "../tests/core/history/XlsWriter.h"
#include "export/SpreadsheetExport.h"
#include "history/HistoryReader.h"

#include <QAbstractTableModel>

#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <random>

using namespace talven;
using namespace Qt::StringLiterals;

namespace {

constexpr int Draws = 5000;
constexpr int PerYear = 150;
constexpr double LimitMs = 100;

struct Draw {
    int period = 0;
    QDate date;
    std::array<int, 7> numbers{};
};

QList<Draw> drawsOf() {
    std::mt19937 rng(20261208);
    QList<Draw> draws;
    for (int i = 0; i < Draws; ++i) {
        std::vector<int> pool(49);
        for (int n = 0; n < 49; ++n)
            pool[size_t(n)] = n + 1;
        std::shuffle(pool.begin(), pool.end(), rng);
        const int y = 1990 + i / PerYear;
        Draw d{y * 1000 + i % PerYear + 1, QDate(y, 1, 1).addDays((i % PerYear) * 2), {}};
        std::copy(pool.begin(), pool.begin() + 7, d.numbers.begin());
        draws.append(d);
    }
    return draws;
}

QString two(int n) {
    return u"%1"_s.arg(n, 2, 10, QLatin1Char('0'));
}

// One file form: its title row and how it writes one draw.
struct Form {
    const char* name;
    QString titles;
    std::function<QString(const Draw&)> line;
    bool newestFirst = false;
};

QString joined(const Draw& d, QStringView separator, int count = 7) {
    QStringList n;
    for (int k = 0; k < count; ++k)
        n.append(two(d.numbers[size_t(k)]));
    return n.join(separator);
}

// The six numbers as JSON writes them: no leading zeros.
QString plain(const Draw& d) {
    QStringList n;
    for (int k = 0; k < 6; ++k)
        n.append(QString::number(d.numbers[size_t(k)]));
    return n.join(u',');
}

QByteArray fileOf(const Form& form, const QList<Draw>& draws) {
    QStringList lines;
    if (!form.titles.isEmpty())
        lines.append(form.titles);
    for (qsizetype i = 0; i < draws.size(); ++i)
        lines.append(form.line(draws[form.newestFirst ? draws.size() - 1 - i : i]));
    return lines.join(u'\n').toUtf8();
}

// The best of several runs, so that a busy machine does not decide the figure.
template <typename F>
double bestMs(F&& run) {
    double best = 1e9;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer t;
        t.start();
        run();
        best = std::min(best, t.nsecsElapsed() / 1e6);
    }
    return best;
}

using GridModel = talven::test::TextGridModel;

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QList<Draw> draws = drawsOf();
    const QList<Form> forms{
        {"two-digit lines",
         {},
         [](const Draw& d) -> QString { return QString::number(d.period) + u' ' + joined(d, u" "); }},
        {"two-digit lines, newest first",
         {},
         [](const Draw& d) -> QString { return QString::number(d.period) + u' ' + joined(d, u" "); },
         true},
        {"CSV, dates dd/mm/yyyy, newest first", u"Draw Date,num1,num2,num3,num4,num5,num6,num7"_s,
         [](const Draw& d) -> QString { return d.date.toString(u"dd/MM/yyyy"_s) + u',' + joined(d, u","); },
         true},
        {"quoted CSV, month names", u"\"Date\",\"Ball 1\",\"2\",\"3\",\"4\",\"5\",\"6\",\"Bonus\""_s,
         [](const Draw& d) -> QString {
             return u"\"%1\",\""_s.arg(QLocale(QLocale::English).toString(d.date, u"MMMM d, yyyy"_s)) +
                    joined(d, u"\",\"") + u'"';
         }},
        {"web table: tabs, numbers in one cell", u"期号\t日期\t开奖号码\t特别号码"_s,
         [](const Draw& d) -> QString {
             return QString::number(d.period) + u'\t' + d.date.toString(u"yyyy-MM-dd"_s) + u'\t' +
                    joined(d, u",", 6) + u'\t' + two(d.numbers[6]);
         }},
        {"semicolons, Chinese titles, extra column",
         u"期号;开奖日期;号码1;号码2;号码3;号码4;号码5;号码6;特码;销售额"_s,
         [](const Draw& d) -> QString {
             return QString::number(d.period) + u';' + d.date.toString(u"yyyy-MM-dd"_s) + u';' +
                    joined(d, u";") + u";1234567"_s;
         }},
        {"blank separated, yyyymmdd dates",
         {},
         [](const Draw& d) -> QString { return d.date.toString(u"yyyyMMdd"_s) + u' ' + joined(d, u" "); }},
    };

    bool fast = true;
    // Reads and previews the file as the import does; the line says how long and how many draws.
    const auto timeRead = [&fast](const char* name, const QString& path) {
        int stored = 0;
        const double ms = bestMs([&] {
            const auto file = HistoryReader::readFile(path, 2026001, 49);
            stored = file ? int(file->draws.size()) : -1;
            if (!file) {
                std::fprintf(stderr, "%s\n", qPrintable(file.message()));
                return;
            }
            (void)file->previewDraws();
            (void)file->refusal(path);
            (void)file->skippedSummary();
        });
        std::printf("%-42s %6.1f ms (%d draws)\n", name, ms, stored);
        fast = fast && ms < LimitMs && stored == Draws;
    };
    for (const Form& form : forms) {
        const QString path = dir.filePath(u"form%1.txt"_s.arg(&form - forms.data()));
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(fileOf(form, draws));
        f.close();
        timeRead(form.name, path);
    }

    // A workbook as the program's export writes it, read from the file like any other history.
    {
        QList<QStringList> rows;
        for (const Draw& d : draws) {
            QStringList row{QString::number(d.period)};
            for (int n : d.numbers)
                row.append(two(n));
            rows.append(row);
        }
        const QString path = dir.filePath(u"history.xlsx"_s);
        const GridModel grid(
            {u"期号"_s, u"落1码"_s, u"落2码"_s, u"落3码"_s, u"落4码"_s, u"落5码"_s, u"落6码"_s, u"特码"_s},
            rows);
        if (!SpreadsheetExport::writeXlsx(grid, path))
            return 1;
        timeRead("xlsx workbook", path);
    }

    // An Excel 97-2003 workbook with its dates as date cells, as a spreadsheet program saves one.
    {
        QList<QVariantList> rows{
            {u"期号"_s, u"日期"_s, u"平1"_s, u"平2"_s, u"平3"_s, u"平4"_s, u"平5"_s, u"平6"_s, u"特码"_s}};
        for (const Draw& d : draws) {
            QVariantList row{d.period, d.date};
            for (int n : d.numbers)
                row.append(n);
            rows.append(row);
        }
        const QString path = dir.filePath(u"history.xls"_s);
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(xlsWorkbook({{u"开奖"_s, rows}})) < 0)
            return 1;
        out.close();
        timeRead("xls workbook (Excel 97-2003)", path);
    }

    // A JSON list of draws and a web page's table, written whole.
    {
        QStringList items, cells;
        for (const Draw& d : draws) {
            items.append(u"{\"id\":\"%1\",\"date\":\"%2\",\"no\":[%3],\"sno\":%4}"_s.arg(d.period)
                             .arg(d.date.toString(u"yyyy-MM-dd"_s), plain(d))
                             .arg(d.numbers[6]));
            cells.append(u"<tr><td>%1</td><td>%2</td><td>%3</td></tr>"_s.arg(d.period).arg(
                joined(d, u" ", 6), two(d.numbers[6])));
        }
        const QList<std::pair<const char*, QString>> files{
            {"JSON list", u"{\"draws\":["_s + items.join(u",\n") + u"]}"_s},
            {"web page table",
             u"<html><body><table><tr><th>期号</th><th>开奖号码</th><th>特别号码</th></tr>\n"_s +
                 cells.join(u'\n') + u"</table></body></html>"_s}};
        for (const auto& [name, text] : files) {
            const QString path = dir.filePath(QString::fromLatin1(name).replace(u' ', u'_'));
            QFile f(path);
            if (f.open(QIODevice::WriteOnly))
                f.write(text.toUtf8());
            f.close();
            timeRead(name, path);
        }
    }

    // A workbook's sheet as the container hands it over: cells, serial dates.
    SourceTable sheet{u"工作表“历史”"_s, {}};
    sheet.rows.append({1,
                       {u"期号"_s, u"日期"_s, u"平码1"_s, u"平码2"_s, u"平码3"_s, u"平码4"_s, u"平码5"_s,
                        u"平码6"_s, u"特码"_s}});
    for (const Draw& d : draws) {
        QStringList cells{QString::number(d.period), QString::number(QDate(1899, 12, 30).daysTo(d.date))};
        for (int n : d.numbers)
            cells.append(QString::number(n));
        sheet.rows.append({int(sheet.rows.size()) + 1, cells});
    }
    int stored = 0;
    const double ms = bestMs([&] {
        const auto file = HistoryReader::readTables({sheet}, u"Excel 工作簿"_s, 49, 2026001);
        stored = file ? int(file->draws.size()) : -1;
    });
    std::printf("%-42s %6.1f ms (%d draws)\n", "sheet given as cells", ms, stored);
    fast = fast && ms < LimitMs && stored == Draws;
    return fast ? 0 : 1;
}
