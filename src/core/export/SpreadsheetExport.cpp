#include "SpreadsheetExport.h"

#include "common/ModelRoles.h"
#include "common/Platform.h"
#include "export/ErrorValueExportModel.h"

#include <QAbstractItemModel>
#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <QStringEncoder>
#include <QTemporaryFile>

#include <xlsxwriter.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <functional>
#include <optional>
#include <system_error>
#include <vector>

using namespace Qt::StringLiterals;

namespace talven::SpreadsheetExport {

namespace {

constexpr int maxCellText = 32767; // characters a spreadsheet cell holds

struct Cell {
    enum class Type { Empty, Number, Text };
    Type type = Type::Empty;
    double number = 0;
    QString text;

    static Cell fromNumber(double value) { return {Type::Number, value, {}}; }
    static Cell fromText(QString value) {
        return value.isEmpty() ? Cell{} : Cell{Type::Text, 0, std::move(value)};
    }
};

using CellSource = std::function<Cell(int row, int column)>;

bool isNumericVariant(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

// The cell a model's display value becomes: numbers stay numbers, numeric texts become numbers.
Cell modelCell(const QAbstractItemModel& model, int row, int column) {
    const QVariant value = model.data(model.index(row, column), Qt::DisplayRole);
    if (isNumericVariant(value)) {
        const double number = value.toDouble();
        if (std::isfinite(number))
            return Cell::fromNumber(number);
    }
    QString text = value.toString();
    if (isPlainDecimal(text))
        return Cell::fromNumber(text.toDouble());
    return Cell::fromText(std::move(text));
}

QString headerText(const QAbstractItemModel& model, int column) {
    const QVariant exported = model.headerData(column, Qt::Horizontal, ModelRoles::ExportTitle);
    return (exported.isValid() ? exported : model.headerData(column, Qt::Horizontal, Qt::DisplayRole))
        .toString();
}

// UTF-8 of a cell text in a buffer reused across cells, without the control characters that XML
// cannot hold and that would make the workbook unreadable.
class Utf8Buffer {
public:
    const char* convert(QStringView text) {
        m_bytes.resize(static_cast<size_t>(text.size()) * 3 + 1);
        char* out = m_bytes.data();
        for (qsizetype i = 0; i < text.size();) {
            qsizetype end = i;
            while (end < text.size() && !isForbidden(text[end]))
                ++end;
            out = m_encoder.appendToBuffer(out, text.sliced(i, end - i));
            i = end + 1;
        }
        *out = '\0';
        return m_bytes.data();
    }

private:
    static bool isForbidden(QChar ch) {
        return ch.unicode() < 0x20 && ch != u'\t' && ch != u'\n' && ch != u'\r';
    }

    QStringEncoder m_encoder{QStringEncoder::Utf8};
    std::vector<char> m_bytes;
};

std::filesystem::path fsPath(const QString& path) {
    return std::filesystem::path(QDir::toNativeSeparators(path).toStdU16String());
}

// The file an export replaces: a symbolic link is written through, so the link stays and its
// target gets the new content.
QString resolvedTarget(const QString& path) {
    QFileInfo info(QFileInfo(path).absoluteFilePath());
    for (int hops = 0; info.isSymLink() && hops < 40; ++hops)
        info.setFile(info.symLinkTarget());
    return info.absoluteFilePath();
}

// Longest file name the file systems we run on take, in bytes.
constexpr qsizetype MaxNameBytes = 255;

// Qt reports a full disk on a buffered write as "Unknown error"; the free space tells the cause.
bool diskFull(const QString& path) {
    QStorageInfo storage(QFileInfo(path).absolutePath());
    return storage.isValid() && storage.bytesAvailable() < 1024 * 1024;
}

QString writeProblem(const QString& path, const QString& systemText) {
    return diskFull(path) ? u"磁盘已满"_s : systemText;
}

// A temporary file beside the target that replaces the target only when committed; otherwise it
// is removed.
class PendingFile {
public:
    explicit PendingFile(const QString& path) : m_target(resolvedTarget(path)) {}

    Result<void> create() {
        const QFileInfo target(m_target);
        if (target.isDir())
            return Error{u"导出文件名“%1”是一个目录"_s.arg(QDir::toNativeSeparators(m_target)),
                         ErrorCode::Io};
        // A device or a pipe would be replaced by a plain file; a file without write permission
        // would be replaced through its folder although its owner protected it.
        if (target.exists() && !target.isFile())
            return Error{u"导出目标“%1”不是普通文件（设备、管道或套接字），不能写入"_s.arg(
                             QDir::toNativeSeparators(m_target)),
                         ErrorCode::Io};
        if (target.exists() && !(target.permissions() & QFileDevice::WriteOwner))
            return Error{u"导出文件“%1”是只读的，不能覆盖；请先去掉它的只读属性或另选文件名"_s.arg(
                             QDir::toNativeSeparators(m_target)),
                         ErrorCode::ReadOnly};
        if (target.fileName().toUtf8().size() > MaxNameBytes)
            return Error{u"导出文件名“%1”太长，最多 %2 个字节"_s.arg(target.fileName()).arg(MaxNameBytes),
                         ErrorCode::Io};
        // A folder name or path beyond the system's limit reads as a missing folder below.
        if (const QString tooLong = Platform::overLong(m_target); !tooLong.isEmpty())
            return Error{u"无法导出到这个位置：%1"_s.arg(tooLong), ErrorCode::Io};
        const QDir dir = target.absoluteDir();
        if (!dir.exists())
            return Error{u"导出目录“%1”不存在"_s.arg(QDir::toNativeSeparators(dir.path())), ErrorCode::Io};
        // The temporary name is cut so that it fits too: "." + name + ".XXXXXX".
        QString stem = target.fileName();
        while (stem.toUtf8().size() > MaxNameBytes - 8)
            stem.chop(1);
        m_temp.setFileTemplate(dir.filePath(u"."_s + stem + u".XXXXXX"_s));
        if (!m_temp.open() || m_temp.fileName().isEmpty())
            return Error{u"无法在目录“%1”中创建导出文件：%2"_s.arg(QDir::toNativeSeparators(dir.path()),
                                                                   m_temp.errorString()),
                         ErrorCode::Io};
        m_temp.close();
        return {};
    }

    QString tempName() const { return m_temp.fileName(); }

    Result<void> commit() {
        const QFileInfo target(m_target);
        // A replaced export keeps its permissions; a new one gets the usual ones, not the
        // owner-only permissions of a temporary file.
        m_temp.setPermissions(target.exists() ? target.permissions()
                                              : QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                    QFileDevice::ReadGroup | QFileDevice::ReadOther);
        std::error_code ec;
        std::filesystem::rename(fsPath(m_temp.fileName()), fsPath(m_target), ec);
        if (ec)
            return Error{u"无法保存导出文件“%1”：%2"_s.arg(QDir::toNativeSeparators(m_target),
                                                           QString::fromLocal8Bit(ec.message())),
                         ErrorCode::Io};
        m_temp.setAutoRemove(false);
        return {};
    }

private:
    QString m_target;
    QTemporaryFile m_temp;
};

// Reports the rows written now and then: a history with every formula column takes seconds.
void reportRow(const ProgressFn& progress, qsizetype row, qsizetype rows) {
    if (progress && rows > 0 && (row % 256 == 0 || row + 1 == rows))
        progress(double(row + 1) / double(rows), u"导出第 %1/%2 行"_s.arg(row + 1).arg(rows));
}

Result<void> writeSheet(const QString& path, qsizetype rows, qsizetype columns, const CellSource& cellAt,
                        const ProgressFn& progress) {
    if (columns > LXW_COL_MAX)
        return Error{u"表格有 %1 列，超过电子表格的上限 %2 列"_s.arg(columns).arg(LXW_COL_MAX)};
    if (rows > LXW_ROW_MAX)
        return Error{u"表格有 %1 行，超过电子表格的上限 %2 行"_s.arg(rows).arg(LXW_ROW_MAX)};
    PendingFile file(path);
    if (auto created = file.create(); !created)
        return created;
    // The workbook library prints its own English errors when the disk fills up; refuse first
    // when there is clearly no room for the cells (compressed, a cell takes a few bytes).
    {
        QStorageInfo storage(QFileInfo(file.tempName()).absolutePath());
        const qint64 needed = qint64(rows) * qint64(columns) * 4 + 256 * 1024;
        if (storage.isValid() && storage.bytesAvailable() < needed)
            return Error{u"磁盘已满：无法写入导出文件“%1”"_s.arg(QDir::toNativeSeparators(path)),
                         ErrorCode::Io};
    }

    const QByteArray tempName = QFile::encodeName(file.tempName());
    // Rows are written in order, so the workbook can stream them instead of holding every cell.
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* workbook = workbook_new_opt(tempName.constData(), &options);
    lxw_worksheet* sheet = workbook ? workbook_add_worksheet(workbook, nullptr) : nullptr;
    if (!sheet) {
        if (workbook)
            workbook_close(workbook);
        return Error{u"无法创建电子表格“%1”"_s.arg(QDir::toNativeSeparators(path))};
    }

    Utf8Buffer utf8;
    std::optional<Error> cellError;
    for (qsizetype r = 0; r < rows && !cellError; ++r) {
        reportRow(progress, r, rows);
        for (qsizetype c = 0; c < columns && !cellError; ++c) {
            const Cell cell = cellAt(static_cast<int>(r), static_cast<int>(c));
            const auto row = static_cast<lxw_row_t>(r);
            const auto col = static_cast<lxw_col_t>(c);
            lxw_error result = LXW_NO_ERROR;
            if (cell.type == Cell::Type::Number) {
                result = worksheet_write_number(sheet, row, col, cell.number, nullptr);
            } else if (cell.type == Cell::Type::Text) {
                if (cell.text.size() > maxCellText) {
                    cellError = Error{
                        u"第 %1 行第 %2 列的文字有 %3 个字符，超过电子表格单元格的上限 %4 个"_s.arg(r + 1)
                            .arg(c + 1)
                            .arg(cell.text.size())
                            .arg(maxCellText)};
                    break;
                }
                result = worksheet_write_string(sheet, row, col, utf8.convert(cell.text), nullptr);
            }
            if (result != LXW_NO_ERROR)
                cellError = Error{u"无法写入第 %1 行第 %2 列：%3"_s.arg(r + 1).arg(c + 1).arg(
                    QString::fromUtf8(lxw_strerror(result)))};
        }
    }
    // Closing writes the file; it also frees the workbook, so it runs even after a cell failed.
    const lxw_error closed = workbook_close(workbook);
    if (cellError)
        return *cellError;
    if (closed != LXW_NO_ERROR)
        return Error{u"写入导出文件“%1”失败：%2"_s.arg(
            QDir::toNativeSeparators(path),
            writeProblem(file.tempName(), QString::fromUtf8(lxw_strerror(closed))))};
    return file.commit();
}

} // namespace

QString fileName(Target target) {
    switch (target) {
    case Target::History:
        return u"lishi.xlsx"_s;
    case Target::Formulas:
        return u"gongshi.xlsx"_s;
    case Target::ErrorValues:
        return u"ErrArr.xlsx"_s;
    }
    return {};
}

QString resolvePath(const QString& directoryOrPath, Target target) {
    if (QFileInfo(directoryOrPath).isDir())
        return QDir(directoryOrPath).filePath(fileName(target));
    return directoryOrPath;
}

QStringList errorValueTitles() {
    QStringList titles;
    for (const char16_t* title : errorValueTitleTexts)
        titles.append(QString::fromUtf16(title));
    return titles;
}

bool isPlainDecimal(QStringView text) {
    qsizetype i = 0;
    if (i < text.size() && text[i] == u'-')
        ++i;
    const qsizetype intStart = i;
    while (i < text.size() && text[i].isDigit() && text[i].unicode() < 128)
        ++i;
    const qsizetype intDigits = i - intStart;
    if (intDigits == 0)
        return false;
    // "07" is shown with its zero; as a number it would lose it.
    if (intDigits > 1 && text[intStart] == u'0')
        return false;
    qsizetype fracDigits = 0;
    if (i < text.size() && text[i] == u'.') {
        ++i;
        const qsizetype fracStart = i;
        while (i < text.size() && text[i].isDigit() && text[i].unicode() < 128)
            ++i;
        fracDigits = i - fracStart;
        if (fracDigits == 0)
            return false;
    }
    if (i != text.size())
        return false;
    // "-0" would come back as 0; more than 15 digits would come back rounded.
    if (text[0] == u'-' && intDigits == 1 && text[intStart] == u'0' && fracDigits == 0)
        return false;
    return intDigits + fracDigits <= 15;
}

QString csvField(const QString& text) {
    const bool quote = text.contains(u',') || text.contains(u'"') || text.contains(u'\n') ||
                       text.contains(u'\r') || text.startsWith(u' ') || text.endsWith(u' ');
    if (!quote)
        return text;
    QString quoted = text;
    quoted.replace(u"\""_s, u"\"\""_s);
    return u'"' + quoted + u'"';
}

Result<void> writeXlsx(const QAbstractItemModel& model, const QString& path, const ProgressFn& progress) {
    const int rows = model.rowCount();
    const int columns = model.columnCount();
    return writeSheet(
        path, qsizetype(rows) + 1, columns,
        [&model](int row, int column) {
            if (row == 0)
                return Cell::fromText(headerText(model, column));
            return modelCell(model, row - 1, column);
        },
        progress);
}

Result<void> writeCsv(const QAbstractItemModel& model, const QString& path, const ProgressFn& progress) {
    PendingFile pending(path);
    if (auto created = pending.create(); !created)
        return created;
    QFile file(pending.tempName());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return Error{u"无法创建导出文件“%1”：%2"_s.arg(QDir::toNativeSeparators(path), file.errorString()),
                     ErrorCode::Io};
    bool written = file.write("\xEF\xBB\xBF") == 3;
    const int rows = model.rowCount();
    const int columns = model.columnCount();
    for (int r = -1; r < rows && written; ++r) {
        reportRow(progress, r + 1, rows + 1);
        QString line;
        for (int c = 0; c < columns; ++c) {
            if (c > 0)
                line += u',';
            line += csvField(r < 0 ? headerText(model, c)
                                   : model.data(model.index(r, c), Qt::DisplayRole).toString());
        }
        line += u"\r\n"_s;
        written = file.write(line.toUtf8()) >= 0;
    }
    written = written && file.flush();
    const QString problem = writeProblem(pending.tempName(), file.errorString());
    file.close();
    if (!written)
        return Error{u"写入导出文件“%1”失败：%2"_s.arg(QDir::toNativeSeparators(path), problem),
                     ErrorCode::Io};
    return pending.commit();
}

Result<void> writeErrorValuesXlsx(const ErrorValueTable& values, const QString& path) {
    return writeXlsx(ErrorValueExportModel(values), path);
}

Result<void> writeErrorValuesCsv(const ErrorValueTable& values, const QString& path) {
    return writeCsv(ErrorValueExportModel(values), path);
}

} // namespace talven::SpreadsheetExport
