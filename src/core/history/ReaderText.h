#pragma once

#include "common/Result.h"
#include "history/HistoryParser.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace talven {

// The words the history reader gives the user: its refusals and its account of skipped lines.
namespace ReaderText {

// A refusal of a file: the sentence, then what the program reads (SourceFile::readableForms).
Error refused(const QString& message, ErrorCode code = ErrorCode::Refused);

// A file name as a message quotes it: native separators, hidden characters escaped.
QString shownPath(const QString& path);

// File text quoted in a reason, hidden characters escaped and a long text shortened.
QString quoted(QStringView text);

// The first `listed` skipped lines one by one ("第 7 行 …：reason"), then one line per reason for
// the rest ("另有 121,934 行：只有1个号码，不足7个"), reasons that differ only in quoted text together.
QStringList skippedSummary(const QList<SkippedLine>& skipped, int listed = 20);

} // namespace ReaderText

} // namespace talven
