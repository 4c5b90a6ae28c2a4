#include "ReaderText.h"

#include "common/ShownText.h"
#include "history/SourceFile.h"

#include <QDir>
#include <QLocale>

using namespace Qt::StringLiterals;

namespace talven::ReaderText {

namespace {

constexpr qsizetype LongestQuote = 60;

// The reason with every quoted part left out, so that "“4a”不是号码" and "“x”不是号码" count together.
QString reasonGroup(const QString& reason) {
    QString group;
    bool inQuote = false;
    for (const QChar c : reason) {
        if (c == u'“') {
            inQuote = true;
            group += u"“…"_s;
        } else if (c == u'”') {
            inQuote = false;
            group += c;
        } else if (!inQuote) {
            group += c;
        }
    }
    return group;
}

} // namespace

Error refused(const QString& message, ErrorCode code) {
    return Error{message + u"。"_s + SourceFile::readableForms(), code};
}

QString shownPath(const QString& path) {
    return shownText(QDir::toNativeSeparators(path));
}

QString quoted(QStringView text) {
    const QString shown = shownText(text.toString());
    return shown.size() > LongestQuote ? shown.left(LongestQuote) + u"…"_s : shown;
}

QStringList skippedSummary(const QList<SkippedLine>& skipped, int listed) {
    QStringList out;
    for (qsizetype i = 0; i < skipped.size() && i < listed; ++i)
        out.append(u"第 %1 行 %2：%3"_s.arg(skipped[i].lineNumber)
                       .arg(quoted(QStringView(skipped[i].text).trimmed()), skipped[i].reason));
    QStringList groups;
    QList<int> counts;
    for (qsizetype i = listed; i < skipped.size(); ++i) {
        const QString group = reasonGroup(skipped[i].reason);
        const qsizetype at = groups.indexOf(group);
        if (at < 0) {
            groups.append(group);
            counts.append(1);
        } else {
            ++counts[at];
        }
    }
    const QLocale grouped(QLocale::English);
    for (qsizetype g = 0; g < groups.size(); ++g)
        out.append(u"另有 %1 行：%2"_s.arg(grouped.toString(counts[g]), groups[g]));
    return out;
}

} // namespace talven::ReaderText
