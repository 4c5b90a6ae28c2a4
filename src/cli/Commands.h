#pragma once

#include "Command.h"

#include <QString>

namespace talven {

// One class per talven-cli command; each lives in the file of its name.

class DemoCommand : public Command {
public:
    QString name() const override { return QStringLiteral("demo"); }
    QString usage() const override {
        return QStringLiteral("demo                      在临时目录读入示例数据并演示");
    }
    bool needsSession() const override { return false; }
    int run(CommandContext& ctx) override;
};

class ImportHistoryCommand : public Command {
public:
    QString name() const override { return QStringLiteral("import-history"); }
    QString usage() const override {
        return QStringLiteral(
            "import-history FILE [--append] [--dry-run [--verbose]] [--force]  读取历史号码文件，覆盖原有历史"
            "（--append 只追加比已有最新一期更新的各期，--dry-run 只显示将读入什么，"
            "--force 不像历史号码文件也读入；FILE 为 - 时读标准输入）");
    }
    QList<QCommandLineOption> options() const override {
        return {flag(QStringLiteral("append"), QString()), flag(QStringLiteral("dry-run"), QString()),
                flag(QStringLiteral("force"), QString()), flag(QStringLiteral("verbose"), QString())};
    }
    int maxArguments() const override { return 1; }
    bool onlyReads(const ProgramArguments& args) const override {
        return args.isSet(QStringLiteral("dry-run"));
    }
    int run(CommandContext& ctx) override;
};

class AddDrawCommand : public Command {
public:
    QString name() const override { return QStringLiteral("add-draw"); }
    QString usage() const override {
        return QStringLiteral("add-draw N1 .. N7 [--period P]  补充输入最新一期历史号码");
    }
    QList<QCommandLineOption> options() const override {
        return {valueOption(QStringLiteral("period"), QStringLiteral("期号"))};
    }
    int maxArguments() const override { return 7; }
    int run(CommandContext& ctx) override;
};

class DeleteLastDrawCommand : public Command {
public:
    QString name() const override { return QStringLiteral("delete-last-draw"); }
    QString usage() const override { return QStringLiteral("delete-last-draw          删除最后一期历史"); }
    int run(CommandContext& ctx) override;
};

class RestoreBackupCommand : public Command {
public:
    QString name() const override { return QStringLiteral("restore-backup"); }
    QString usage() const override {
        return QStringLiteral(
            "restore-backup [N]        用备份恢复数据库（0 为最近一次导入前的备份，1、2 更早）");
    }
    int maxArguments() const override { return 1; }
    int run(CommandContext& ctx) override;
};

class HistoryCommand : public Command {
public:
    QString name() const override { return QStringLiteral("history"); }
    QString usage() const override { return QStringLiteral("history [--json]          列出历史号码"); }
    QList<QCommandLineOption> options() const override { return {flag(QStringLiteral("json"), QString())}; }
    bool onlyReads(const ProgramArguments&) const override { return true; }
    int run(CommandContext& ctx) override;
};

class SettingsCommand : public Command {
public:
    QString name() const override { return QStringLiteral("settings"); }
    QString usage() const override { return QStringLiteral("settings [KEY [VALUE]]    查看或修改软件设置"); }
    int maxArguments() const override { return 2; }
    bool onlyReads(const ProgramArguments& args) const override { return args.positional().size() <= 2; }
    int run(CommandContext& ctx) override;
};

class AddFormulaCommand : public Command {
public:
    QString name() const override { return QStringLiteral("add-formula"); }
    QString usage() const override {
        return QStringLiteral("add-formula TEXT [--kind K] [--keep]  添加所输公式");
    }
    QList<QCommandLineOption> options() const override {
        return {valueOption(QStringLiteral("kind"), QStringLiteral("种类")),
                flag(QStringLiteral("keep"), QString())};
    }
    int maxArguments() const override { return 1; }
    int run(CommandContext& ctx) override;
};

class ImportFormulasCommand : public Command {
public:
    QString name() const override { return QStringLiteral("import-formulas"); }
    QString usage() const override { return QStringLiteral("import-formulas FILE [--keep]  读取公式文本"); }
    QList<QCommandLineOption> options() const override { return {flag(QStringLiteral("keep"), QString())}; }
    int maxArguments() const override { return 1; }
    int run(CommandContext& ctx) override;
};

class FormulasCommand : public Command {
public:
    QString name() const override { return QStringLiteral("formulas"); }
    QString usage() const override {
        return QStringLiteral("formulas [--kind K] [--json]  列出公式及其验算结果");
    }
    QList<QCommandLineOption> options() const override {
        return {valueOption(QStringLiteral("kind"), QStringLiteral("种类")),
                flag(QStringLiteral("json"), QString())};
    }
    bool onlyReads(const ProgramArguments&) const override { return true; }
    int run(CommandContext& ctx) override;
};

class FormulaHistoryCommand : public Command {
public:
    QString name() const override { return QStringLiteral("formula-history"); }
    QString usage() const override {
        return QStringLiteral("formula-history IDX [--last N] [--json]  公式最近各期的对错与近期正确率");
    }
    QList<QCommandLineOption> options() const override {
        return {valueOption(QStringLiteral("last"), QStringLiteral("期数")),
                flag(QStringLiteral("json"), QString())};
    }
    int maxArguments() const override { return 1; }
    bool onlyReads(const ProgramArguments&) const override { return true; }
    int run(CommandContext& ctx) override;
};

class DeleteFormulaCommand : public Command {
public:
    QString name() const override { return QStringLiteral("delete-formula"); }
    QString usage() const override { return QStringLiteral("delete-formula IDX        删除该公式"); }
    int maxArguments() const override { return 1; }
    int run(CommandContext& ctx) override;
};

class PredictCommand : public Command {
public:
    QString name() const override { return QStringLiteral("predict"); }
    QString usage() const override {
        return QStringLiteral("predict [--select I,J,...] [--at PERIOD] [--json]  计算选中公式的下期结果");
    }
    QList<QCommandLineOption> options() const override {
        return {valueOption(QStringLiteral("select"), QStringLiteral("序号")),
                valueOption(QStringLiteral("at"), QStringLiteral("期号")),
                flag(QStringLiteral("json"), QString())};
    }
    int run(CommandContext& ctx) override;
};

class BacktestSelectionCommand : public Command {
public:
    QString name() const override { return QStringLiteral("backtest-selection"); }
    QString usage() const override {
        return QStringLiteral("backtest-selection [--last N|--all] [--select I,J,... | --walk-forward "
                              "--range KEY:LOW:HIGH ...] [--json]  组合验算：所选公式逐期验算，与随机比较"
                              "（--walk-forward 每期按过滤条件只用之前各期重新选择，KEY 为 formulas "
                              "--json 的指标名，可重复）");
    }
    QList<QCommandLineOption> options() const override {
        return {valueOption(QStringLiteral("last"), QStringLiteral("期数")),
                flag(QStringLiteral("all"), QString()),
                valueOption(QStringLiteral("select"), QStringLiteral("序号")),
                flag(QStringLiteral("walk-forward"), QString()),
                valueOption(QStringLiteral("range"), QStringLiteral("条件")),
                flag(QStringLiteral("json"), QString())};
    }
    QStringList repeatableOptions() const override { return {QStringLiteral("range")}; }
    bool onlyReads(const ProgramArguments&) const override { return true; }
    int run(CommandContext& ctx) override;
};

class ExportCommand : public Command {
public:
    QString name() const override { return QStringLiteral("export"); }
    QString usage() const override {
        return QStringLiteral("export history|formulas|errors [--out FILE] [--csv]  导出列表");
    }
    QList<QCommandLineOption> options() const override {
        return {valueOption(QStringLiteral("out"), QStringLiteral("文件")),
                flag(QStringLiteral("csv"), QString())};
    }
    int maxArguments() const override { return 1; }
    int run(CommandContext& ctx) override;
};

class DiscoverCommand : public Command {
public:
    QString name() const override { return QStringLiteral("discover"); }
    QString usage() const override {
        return QStringLiteral(
            "discover [--kind K] [--keep] [--candidates N] [--holdout H] [--top T] [--seed S] "
            "[--json] [--add I,J,...]  公式挖掘：样本内挑选，样本外检验");
    }
    QList<QCommandLineOption> options() const override {
        return {valueOption(QStringLiteral("kind"), QStringLiteral("种类")),
                flag(QStringLiteral("keep"), QString()),
                valueOption(QStringLiteral("candidates"), QStringLiteral("条数")),
                valueOption(QStringLiteral("holdout"), QStringLiteral("期数")),
                valueOption(QStringLiteral("top"), QStringLiteral("条数")),
                valueOption(QStringLiteral("seed"), QStringLiteral("种子")),
                flag(QStringLiteral("json"), QString()),
                valueOption(QStringLiteral("add"), QStringLiteral("名次"))};
    }
    int run(CommandContext& ctx) override;
};

} // namespace talven
