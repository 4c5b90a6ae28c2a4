#include "history/XlsSheets.h"

#include "common/ShownText.h"
#include "history/BiffStream.h"

#include <QTemporaryFile>

#include <freexl.h>

#include <cmath>
#include <optional>

using namespace Qt::StringLiterals;

namespace talven::XlsSheets {

namespace {

// Cells held in memory, gaps included: a history has tens of thousands.
constexpr qint64 MaxCells = 5'000'000;

// Closes the library's handle on every way out.
class Handle {
public:
    ~Handle() {
        if (m_handle)
            freexl_close(m_handle);
    }
    const void** out() { return &m_handle; }
    const void* get() const { return m_handle; }

private:
    const void* m_handle = nullptr;
};

QString numberText(double value) {
    if (std::isfinite(value) && value == std::floor(value) && std::abs(value) < 1e15)
        return QString::number(qint64(value));
    return QString::number(value, 'g', 15);
}

QString cellText(const FreeXL_CellValue& cell) {
    switch (cell.type) {
    case FREEXL_CELL_INT:
        return QString::number(cell.value.int_value);
    case FREEXL_CELL_DOUBLE:
        return numberText(cell.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
    case FREEXL_CELL_TIME:
        return QString::fromUtf8(cell.value.text_value);
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
        // "YYYY-MM-DD HH:MM:SS": the day is what a draw needs.
        return QString::fromUtf8(cell.value.text_value).left(10);
    default:
        return {};
    }
}

Error damaged(int code) {
    return Error{u"这个 Excel 97-2003 工作簿已损坏，无法读入"_s}.withCause(u"FreeXL 错误 %1"_s.arg(code));
}

Error tooManyCells() {
    return Error{
        u"这个 Excel 97-2003 工作簿的单元格超过 %1 万个，不像开奖记录，不读入"_s.arg(MaxCells / 10000)};
}

// Reads the workbook through the library; with a plan, its date cells are the plan's. missed is
// set when a sheet of the plan is not one the library names: its dates would be read as numbers.
Result<QList<SourceTable>> readWith(const QByteArray& bytes, const BiffStream::Plan* plan, bool& missed) {
    // The library reads only from a path.
    QTemporaryFile file;
    if (!file.open() || file.write(bytes) != bytes.size() || !file.flush())
        return Error{u"无法写入临时文件以读取 Excel 97-2003 工作簿"_s, ErrorCode::Io}.withCause(
            file.errorString());
    Handle handle;
    const int opened = freexl_open(QFile::encodeName(file.fileName()).constData(), handle.out());
    if (opened == FREEXL_BIFF_WORKBOOK_NOT_FOUND)
        return Error{u"这是一个 Office 复合文档（如 Word 97-2003 文档），不是 Excel 工作簿"_s};
    if (opened != FREEXL_OK)
        return damaged(opened);
    unsigned int info = 0;
    if (freexl_get_info(handle.get(), FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK &&
        info == FREEXL_BIFF_OBFUSCATED)
        return Error{u"这个 Excel 97-2003 工作簿有密码保护，请先在表格程序中取消密码再读入"_s};
    unsigned int sheets = 0;
    if (const int status = freexl_get_info(handle.get(), FREEXL_BIFF_SHEET_COUNT, &sheets);
        status != FREEXL_OK)
        return damaged(status);

    QList<SourceTable> tables;
    qint64 cellCount = 0;
    qsizetype planned = 0;
    for (unsigned int s = 0; s < sheets && s <= 0xFFFF; ++s) {
        const auto index = static_cast<unsigned short>(s);
        const char* name = nullptr;
        SourceTable table;
        if (freexl_get_worksheet_name(handle.get(), index, &name) == FREEXL_OK && name)
            table.name = u"工作表“%1”"_s.arg(shownText(QString::fromUtf8(name)));
        const QHash<quint32, QString>* dates = nullptr;
        if (plan && name) {
            const auto found = plan->dates.constFind(QString::fromUtf8(name));
            if (found != plan->dates.cend()) {
                dates = &found.value();
                ++planned;
            }
        }
        unsigned int rows = 0;
        unsigned short columns = 0;
        if (const int status = freexl_select_active_worksheet(handle.get(), index); status != FREEXL_OK)
            return damaged(status);
        if (const int status = freexl_worksheet_dimensions(handle.get(), &rows, &columns);
            status != FREEXL_OK)
            return damaged(status);
        if (qint64(rows) * columns > MaxCells - cellCount)
            return tooManyCells();
        cellCount += qint64(rows) * columns;
        for (unsigned int r = 0; r < rows; ++r) {
            SourceRow row{int(r) + 1, {}};
            for (unsigned short c = 0; c < columns; ++c) {
                FreeXL_CellValue cell{};
                if (freexl_get_cell_value(handle.get(), r, c, &cell) != FREEXL_OK)
                    continue;
                const auto date =
                    dates ? dates->constFind(r << 16 | c) : QHash<quint32, QString>::const_iterator();
                const QString text = dates && date != dates->cend() ? date.value() : cellText(cell);
                if (text.isEmpty())
                    continue;
                row.cells.resize(c + 1);
                row.cells[c] = text;
            }
            if (!row.cells.isEmpty())
                table.rows.append(std::move(row));
        }
        tables.append(std::move(table));
    }
    missed = plan && planned != plan->dates.size();
    return tables;
}

} // namespace

Result<QList<SourceTable>> read(const QByteArray& bytes) {
    // The library sets aside every sheet's declared grid when it opens a workbook, before any
    // cell is read: a few kilobytes can declare millions of cells. The sizes are read here first.
    const auto stream = BiffStream::workbook(bytes);
    if (stream && BiffStream::declaredCells(*stream) > MaxCells)
        return tooManyCells();
    bool missed = false;
    if (const auto plan = stream ? BiffStream::plan(bytes, *stream) : std::nullopt) {
        auto tables = readWith(plan->patched, &*plan, missed);
        if (!missed)
            return tables;
    }
    return readWith(bytes, nullptr, missed);
}

} // namespace talven::XlsSheets
