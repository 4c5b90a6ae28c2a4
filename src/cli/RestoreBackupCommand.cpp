#include "Commands.h"

#include "common/Limits.h"
#include "session/DataFiles.h"
#include "session/Session.h"

#include <QDir>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace talven {

int RestoreBackupCommand::run(CommandContext& ctx) {
    bool ok = true;
    const int generation = ctx.args.isEmpty() ? 0 : ctx.args.first().toInt(&ok);
    if (!ok || generation < 0 || generation >= BackupGenerations)
        return fail(ctx, u"用法：talven-cli restore-backup [N]，N 为 0、1 或 2"_s);
    const QString chosen = DataFiles::backupPath(ctx.dataDir, generation);
    if (auto restored = ctx.session->restoreBackup(generation).wait(); !restored)
        return fail(ctx, restored.error().shown());
    ctx.out << u"已用 %1 恢复数据库，共 %2 期历史号码、%3 条公式；恢复前的数据库已备份为 %4。"_s
                   .arg(QDir::toNativeSeparators(chosen))
                   .arg(ctx.session->draws().size())
                   .arg(ctx.session->formulas().size())
                   .arg(QDir::toNativeSeparators(DataFiles::backupPath(ctx.dataDir, 0)))
            << Qt::endl;
    // Restored rows that no change can follow are said at once, with the reason.
    if (const QString& reason = ctx.session->readOnlyReason(); !reason.isEmpty())
        ctx.err << u"注意：恢复的备份中，%1"_s.arg(reason) << Qt::endl;
    return 0;
}

} // namespace talven
