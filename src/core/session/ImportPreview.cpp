#include "ImportPreview.h"

#include "history/HistoryParser.h"
#include "history/HistoryReader.h"
#include "lottery/Draw.h"
#include "session/SessionState.h"

#include <QSet>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

QList<ImportPreview::ShownDraw> shown(const QList<ParsedDraw>& draws) {
    QList<ImportPreview::ShownDraw> out;
    for (const ParsedDraw& d : draws)
        out.append({d.lineNumber, d.period, d.numbers});
    return out;
}

// The reader speaks of the file; what it means for the history is the session's to say.
Error keepsHistory(Error error) {
    error.message += error.message.endsWith(u'。') ? u"原有历史未改动。"_s : u"，原有历史未改动"_s;
    return error;
}

} // namespace

QString ImportPreview::numbersText(const std::array<int, 7>& numbers) {
    return HistoryParser::shownNumbers(numbers);
}

QList<ParsedDraw> ImportPreview::storedDraws(const std::vector<DrawValues>& draws) {
    QList<ParsedDraw> parsed;
    parsed.reserve(static_cast<qsizetype>(draws.size()));
    for (const DrawValues& v : draws) {
        const Draw draw(v);
        ParsedDraw d;
        d.period = draw.period().value();
        d.numbers = draw.numbers();
        parsed.append(d);
    }
    return parsed;
}

Result<ImportPreview> ImportPreview::read(const ImportSource& source, const SessionState& state) {
    const QString& path = source.path;
    auto read = source.inMemory
                    ? HistoryReader::read(source.bytes, state.nextPeriod().value(), state.options().bit, path)
                    : HistoryReader::readFile(path, state.nextPeriod().value(), state.options().bit);
    if (!read)
        return keepsHistory(read.error());
    const HistoryFile& file = read.value();
    ImportPreview p;
    p.path = path;
    p.form = file.form;
    p.sourceName = file.sourceName;
    p.warnings = file.warnings;
    if (file.repeatedTitles > 0)
        p.warnings.append(u"表中重复出现的标题行 %1 行已跳过。"_s.arg(file.repeatedTitles));
    p.skippedSummary = file.skippedSummary(20);
    p.lines = file.lines;
    p.fileDraws = static_cast<int>(file.draws.size());
    p.storedCount = static_cast<int>(state.draws().size());
    if (auto refused = file.refusal(path)) {
        if (refused->code != ErrorCode::NotHistory)
            return keepsHistory(*refused);
        p.notHistory = refused;
    }
    QSet<int> filePeriods;
    for (const ParsedDraw& d : file.draws)
        filePeriods.insert(d.period);
    for (const DrawValues& v : state.draws())
        if (!filePeriods.contains(Draw::periodOf(v).value()))
            if (++p.replaceDrops <= 10)
                p.droppedPeriods.append(Draw::periodOf(v).value());
    p.firstAndLast = shown(file.previewDraws());
    for (const SkippedLine& s : file.skipped)
        p.skipped.append({s.lineNumber, s.text, s.reason});
    const auto newer = file.newerThan(storedDraws(state.draws()), path);
    if (newer) {
        p.appendCount = static_cast<int>(newer->size());
        HistoryFile appended;
        appended.draws = newer.value();
        p.appended = shown(appended.previewDraws());
    } else {
        p.appendRefusal = newer.error();
    }
    p.file = std::make_shared<const HistoryFile>(std::move(read.value()));
    return p;
}

} // namespace talven
