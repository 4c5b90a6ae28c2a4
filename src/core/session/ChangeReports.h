#pragma once

#include <QList>
#include <QString>

#include <utility>

namespace talven {

// What a history import stored and which lines it skipped.
struct ImportReport {
    int stored = 0;
    struct Skipped {
        int line = 0;
        QString text;
        QString reason;
    };
    QList<Skipped> skipped; // every skipped line; callers show the first 20
    QString backupPath;
    // Set when the history was stored but the copy of the database it replaced could not join the
    // backups: what went wrong, for the user to hear alongside the success.
    QString backupProblem;
};

// What a formula file import added and what it could not.
struct FormulaImportReport {
    int added = 0;
    QList<std::pair<int, QString>> unrecognised; // line number, text
    QList<int> overLimit;                        // lines not added because the list is full
    QString reportPath;                          // "无法识别公式.txt", empty when every line was read
    int uncomputable = 0; // added formulas that cannot be computed on any draw of the history

    // The line the window's status bar and the command line show.
    QString summary() const {
        if (uncomputable == 0)
            return QStringLiteral("已添加 %1 条公式。").arg(added);
        return QStringLiteral("已添加 %1 条公式，其中 %2 条在每一期都无法计算。")
            .arg(added)
            .arg(uncomputable);
    }
};

} // namespace talven
