#include "HistoryFile.h"

#include "history/DrawNumbering.h"
#include "history/ReaderText.h"

#include <QHash>

using namespace Qt::StringLiterals;

namespace talven {

std::optional<Error> HistoryFile::refusal(const QString& path) const {
    const QString shown = ReaderText::shownPath(path);
    if (draws.isEmpty())
        return ReaderText::refused(u"文件 %1 中没有可读入的历史号码"_s.arg(shown));
    if (skipped.size() * 2 > lines)
        return ReaderText::refused(
            u"文件 %1 不像历史号码文件：%2 行中有 %3 行无法读入，只能读入 %4 期"_s.arg(shown)
                .arg(lines)
                .arg(skipped.size())
                .arg(draws.size()),
            ErrorCode::NotHistory);
    return std::nullopt;
}

QList<ParsedDraw> HistoryFile::previewDraws(int each) const {
    if (draws.size() <= 2 * each)
        return draws;
    return draws.first(each) + draws.last(each);
}

QStringList HistoryFile::skippedSummary(int listed) const {
    return ReaderText::skippedSummary(skipped, listed);
}

Result<QList<ParsedDraw>> HistoryFile::newerThan(const QList<ParsedDraw>& stored, const QString& path) const {
    const QString shown = ReaderText::shownPath(path);
    if (draws.isEmpty())
        return Error{u"文件 %1 中没有可读入的历史号码"_s.arg(shown)};
    if (numbering != Numbering::FromFile) {
        auto newer = DrawNumbering::following(draws, stored);
        if (!newer)
            return Error{u"文件 %1 没有期号，无法接上已有历史：%2"_s.arg(shown, newer.message())};
        return newer;
    }
    // Counted periods would only guess where the file meets the stored history.
    if (!everyLineDated)
        return Error{u"文件 %1 不是每行都有期号或日期，无法追加新开奖"_s.arg(shown)};
    if (stored.isEmpty())
        return draws;

    QHash<int, const ParsedDraw*> inFile;
    for (const ParsedDraw& d : draws)
        inFile.insert(d.period, &d);
    QStringList differences;
    for (const ParsedDraw& s : stored) {
        const auto it = inFile.constFind(s.period);
        if (it != inFile.constEnd() && (*it)->numbers != s.numbers)
            differences.append(u"第 %1 期：已有 %2，文件第 %3 行为 %4"_s.arg(s.period)
                                   .arg(HistoryParser::shownNumbers(s.numbers))
                                   .arg((*it)->lineNumber)
                                   .arg(HistoryParser::shownNumbers((*it)->numbers)));
    }
    const int newest = stored.last().period;
    if (!inFile.contains(newest))
        differences.prepend(u"文件中没有已有的最新一期（第 %1 期）"_s.arg(newest));
    if (!differences.isEmpty()) {
        Error refused{
            u"文件 %1 与已有历史不符（%2 处），无法追加新开奖"_s.arg(shown).arg(differences.size())};
        refused.detail = differences.join(u'\n');
        return refused;
    }
    QList<ParsedDraw> newer;
    for (const ParsedDraw& d : draws)
        if (d.period > newest)
            newer.append(d);
    return newer;
}

} // namespace talven
