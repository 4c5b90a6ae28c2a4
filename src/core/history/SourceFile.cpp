#include "history/SourceFile.h"

#include "history/HistoryParser.h"
#include "history/HtmlTables.h"
#include "history/JsonDraws.h"
#include "history/XlsSheets.h"
#include "history/XlsxSheets.h"

#include <QFileInfo>
#include <QJsonDocument>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

// How much of the start of a file tells text, JSON and HTML apart.
constexpr qsizetype SniffLength = 64 * 1024;

Error refusal(const QString& what) {
    return Error{what + u"。"_s + SourceFile::readableForms()};
}

bool startsWith(const QByteArray& bytes, const char* magic, qsizetype length) {
    return bytes.size() >= length && std::equal(magic, magic + length, bytes.constData());
}

// What a binary file is, from its first bytes; empty when its signature is none of them.
QString binaryKind(const QByteArray& bytes) {
    struct Signature {
        const char* magic;
        qsizetype length;
        const char16_t* name;
        bool packed = false; // an archive that may hold a history
    };
    static const Signature signatures[] = {
        {"\x89PNG\r\n\x1a\n", 8, u"这是一张 PNG 图片"},
        {"\xff\xd8\xff", 3, u"这是一张 JPEG 图片"},
        {"GIF87a", 6, u"这是一张 GIF 图片"},
        {"GIF89a", 6, u"这是一张 GIF 图片"},
        {"%PDF-", 5, u"这是一个 PDF 文档"},
        {"\x1f\x8b", 2, u"这是一个 GZIP 压缩包", true},
        {"Rar!\x1a\x07", 6, u"这是一个 RAR 压缩包", true},
        {"7z\xbc\xaf\x27\x1c", 6, u"这是一个 7z 压缩包", true},
    };
    for (const Signature& s : signatures)
        if (startsWith(bytes, s.magic, s.length))
            return QString::fromUtf16(s.name) + u"，不是历史文件"_s +
                   (s.packed ? u"；请先解压"_s : QString());
    return {};
}

bool hasUnicodeBom(const QByteArray& bytes) {
    return startsWith(bytes, "\xff\xfe", 2) || startsWith(bytes, "\xfe\xff", 2);
}

// The start of the content after a byte-order mark and blanks, lower-cased: enough to tell text,
// JSON and web pages apart without decoding a whole text file that the text reader decodes anyway.
QString sniffText(const QByteArray& bytes) {
    const QString text = HistoryParser::decodeText(bytes.left(SniffLength));
    qsizetype i = 0;
    while (i < text.size() && (text[i].isSpace() || text[i] == QChar(0xFEFF)))
        ++i;
    return text.mid(i).toLower();
}

} // namespace

QString SourceFile::kindName(Kind kind) {
    switch (kind) {
    case Kind::Xlsx:
        return u"Excel 工作簿"_s;
    case Kind::Xls:
        return u"Excel 97-2003 工作簿"_s;
    case Kind::Json:
        return u"JSON 文件"_s;
    case Kind::Html:
        return u"网页表格"_s;
    case Kind::Text:
        break;
    }
    return u"文本"_s;
}

QString SourceFile::readableForms() {
    return u"可读入的历史：每行一期的文本或表格（如 CSV、制表符分隔），Excel 工作簿（.xlsx、.xls），"
           u"由开奖记录组成的 JSON 列表，以及网页中的表格。"_s;
}

Result<SourceFile> SourceFile::fromHtml(const QString& html) {
    QList<SourceTable> tables = HtmlTables::read(html);
    if (tables.isEmpty())
        return refusal(u"这个网页中没有含文字的表格"_s);
    return SourceFile(Kind::Html, std::move(tables));
}

Result<SourceFile> SourceFile::open(const QByteArray& bytes, const QString& fileName) {
    if (startsWith(bytes, "PK\x03\x04", 4) || startsWith(bytes, "PK\x05\x06", 4)) {
        if (XlsxSheets::isWorkbook(bytes)) {
            Result<QList<SourceTable>> sheets = XlsxSheets::read(bytes);
            if (!sheets)
                return refusal(sheets.message());
            return SourceFile(Kind::Xlsx, std::move(sheets.value()));
        }
        if (bytes.contains("xl/workbook.xml"))
            return refusal(u"这个 Excel 工作簿已损坏，无法读入"_s);
        if (bytes.contains("xl/workbook.bin"))
            return refusal(
                u"这是一个 Excel 二进制工作簿（.xlsb），不能直接读入；请在表格程序中另存为 .xlsx"_s);
        if (bytes.contains("application/vnd.oasis.opendocument.spreadsheet"))
            return refusal(
                u"这是一个 OpenDocument 电子表格（.ods），不能直接读入；请在表格程序中另存为 .xlsx"_s);
        return refusal(u"这是一个 ZIP 压缩包，不是 Excel 工作簿"_s);
    }
    if (startsWith(bytes, "\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1", 8)) {
        // A password-protected .xlsx is such a compound file, holding the encrypted zip.
        static const QByteArray encrypted = QByteArray::fromRawData(
            reinterpret_cast<const char*>(u"EncryptedPackage"), sizeof(u"EncryptedPackage") - 2);
        if (bytes.contains(encrypted))
            return refusal(u"这个 Excel 工作簿有密码保护，请先在表格程序中取消密码再读入"_s);
        Result<QList<SourceTable>> sheets = XlsSheets::read(bytes);
        if (!sheets) {
            Error error = refusal(sheets.message());
            error.code = sheets.code();
            error.cause = sheets.error().cause;
            return error;
        }
        return SourceFile(Kind::Xls, std::move(sheets.value()));
    }
    if (const QString binary = binaryKind(bytes); !binary.isEmpty())
        return refusal(binary);
    if (!hasUnicodeBom(bytes) && bytes.contains('\0'))
        return refusal(u"这是一个二进制文件（含有空字节），不是文本、工作簿、JSON 或网页文件"_s);

    const QString suffix = QFileInfo(fileName).suffix().toLower();
    const QString start = sniffText(bytes);
    if (start.isEmpty()) // the text reader says that the file is empty
        return SourceFile(Kind::Text, {});
    const bool jsonName = suffix == u"json";
    if (start.startsWith(u'{') || start.startsWith(u'[') || jsonName) {
        QJsonParseError parseError{};
        const QByteArray utf8 = HistoryParser::decodeText(bytes).toUtf8();
        const QJsonDocument document = QJsonDocument::fromJson(utf8, &parseError);
        if (parseError.error == QJsonParseError::NoError) {
            Result<SourceTable> table = JsonDraws::read(document);
            if (!table)
                return Error{table.message() + SourceFile::readableForms()};
            return SourceFile(Kind::Json, QList<SourceTable>{std::move(table.value())});
        }
        // A text that merely starts with a bracket stays text; a file named .json is JSON.
        if (jsonName)
            return refusal(u"这个 JSON 文件无法解析（第 %1 个字符处有误）"_s.arg(
                               QString::fromUtf8(utf8.left(parseError.offset)).size()))
                .withCause(parseError.errorString());
    }
    if (start.contains(u"urn:schemas-microsoft-com:office:spreadsheet"))
        return refusal(u"这是一个 Excel 2003 XML 表格，不能直接读入；请在表格程序中另存为 .xlsx"_s);
    const bool htmlName = suffix == u"html" || suffix == u"htm";
    if (start.startsWith(u'<') || htmlName) {
        if (start.contains(u"<table") || start.startsWith(u"<!doctype html") || start.startsWith(u"<html") ||
            htmlName)
            return fromHtml(HistoryParser::decodeText(bytes));
    }
    return SourceFile(Kind::Text, {});
}

} // namespace talven
