#include "Command.h"

#include "Commands.h"
#include "common/FormulaKind.h"

#include <QTextStream>

namespace talven {

std::vector<std::unique_ptr<Command>> Command::all() {
    std::vector<std::unique_ptr<Command>> list;
    list.push_back(std::make_unique<DemoCommand>());
    list.push_back(std::make_unique<ImportHistoryCommand>());
    list.push_back(std::make_unique<AddDrawCommand>());
    list.push_back(std::make_unique<DeleteLastDrawCommand>());
    list.push_back(std::make_unique<RestoreBackupCommand>());
    list.push_back(std::make_unique<HistoryCommand>());
    list.push_back(std::make_unique<SettingsCommand>());
    list.push_back(std::make_unique<AddFormulaCommand>());
    list.push_back(std::make_unique<ImportFormulasCommand>());
    list.push_back(std::make_unique<FormulasCommand>());
    list.push_back(std::make_unique<FormulaHistoryCommand>());
    list.push_back(std::make_unique<DeleteFormulaCommand>());
    list.push_back(std::make_unique<PredictCommand>());
    list.push_back(std::make_unique<BacktestSelectionCommand>());
    list.push_back(std::make_unique<ExportCommand>());
    list.push_back(std::make_unique<DiscoverCommand>());
    return list;
}

std::optional<int> Command::parseKind(const QString& text, int absent) {
    if (text.isNull())
        return absent;
    bool ok = false;
    const int kind = text.toInt(&ok);
    if (!ok || !isFormulaKind(kind))
        return std::nullopt;
    return kind;
}

std::optional<QList<int>> Command::parseOrdinals(const QString& text, int formulaCount) {
    QList<int> ordinals;
    for (const QString& part : text.split(u',')) {
        bool ok = false;
        const int k = part.trimmed().toInt(&ok);
        if (!ok || k < 1 || k > formulaCount)
            return std::nullopt;
        ordinals.append(k);
    }
    return ordinals;
}

int Command::fail(CommandContext& ctx, const QString& message) {
    ctx.err << message << Qt::endl;
    return 1;
}

} // namespace talven
