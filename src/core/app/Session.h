#pragma once

#include "app/Options.h"
#include "evaluation/BacktestEngine.h"
#include "lottery/NumberModel.h"
#include "prediction/ErrorValues.h"
#include "store/Database.h"
#include "store/Result.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class QSettings;

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
};

// What a formula file import added and what it could not.
struct FormulaImportReport {
    int added = 0;
    QList<std::pair<int, QString>> unrecognised; // line number, text
    QList<int> overLimit;                        // lines not added because the list is full
    QString reportPath;                          // "无法识别公式.txt", empty when every line was read
};

// The run-wide state of the program: options, number model, history, formulas, selection and
// back-test results, with the change chains that keep the database and the figures in step.
class Session {
public:
    ~Session();

    // Opens (or creates) the database in the data directory and brings stored rows in line with
    // the number model in force.
    static Result<std::unique_ptr<Session>> open(const QString& dataDir, QSettings& settings);

    const QString& dataDir() const { return m_dataDir; }
    const Options& options() const { return m_options; }
    const NumberModel& model() const { return *m_model; }
    Database& database() { return *m_db; }

    // History.
    const std::vector<DrawValues>& draws() const { return m_draws; }
    int nextPeriod() const;
    int currentYear() const { return nextPeriod() / 1000; }
    Result<ImportReport> importHistory(const QString& path);
    Status addDraw(const std::array<int, 7>& numbers, std::optional<int> period = std::nullopt);
    // Removes the newest draw; does nothing with an empty history.
    Status deleteLastDraw();

    // Options: validated and saved; a changed code base or "YEAR" rewrites the stored rows and
    // re-runs the back-test, "MaAddIni" re-runs the back-test. "BIT" and "SxSetup" take effect at
    // the next start.
    Status setOption(const QString& key, const QString& value);
    QString optionText(const QString& key) const;

    // Formulas.
    const std::vector<FormulaRow>& formulas() const { return m_formulas; }
    Status addFormula(const QString& text, int kind, bool kill);
    Result<FormulaImportReport> importFormulas(const QString& path, bool kill);
    Status deleteFormula(int idx);
    const std::vector<bool>& selection() const { return m_selected; }
    void setSelected(int ordinal, bool selected);
    void selectAll();
    void invertSelection();

    // Error values of the selected formulas for the next draw, or as they stood right after the
    // draw of a chosen period; with a kind filter only the formulas of that kind take part.
    Result<ErrorValueTable> errorValues(std::optional<int> atPeriod = std::nullopt,
                                        std::optional<int> kindFilter = std::nullopt) const;
    // The run of "计算选中公式": the error values as errorValues() gives them, stored into Errarr.
    Result<ErrorValueTable> predict(std::optional<int> atPeriod = std::nullopt,
                                    std::optional<int> kindFilter = std::nullopt);
    // Stores the values of numbers 1..N into Errarr; the stored values.
    Status storeErrorValues(const ErrorValueTable& values);
    Result<ErrorValueTable> storedErrorValues() const;

    // Back-test results and figures of formula ordinal 1..n.
    const FormulaResult& result(int ordinal) const;
    const BacktestEngine& engine() const { return *m_engine; }
    // A formula's predicted value and hit flag at a draw, as the history grid shows them.
    QString resultText(int ordinal, int draw) const;
    bool resultHit(int ordinal, int draw) const;

private:
    Session(QString dataDir, QSettings& settings);
    Status load();
    Status readDatabaseState();
    void rebuildModel();
    DrawValues recompute(const DrawValues& stored) const;
    std::vector<DrawValues> recomputeAll(const std::vector<DrawValues>& draws) const;
    // Brings memory and the database in line after a change of draws, formulas or options,
    // in one transaction; on failure memory is restored from the database.
    enum class Change { Full, AppendDraw, RemoveLastDraw, AddFormulas, RemoveFormula };
    Status commitChange(std::vector<DrawValues> draws, const std::function<Status()>& formulaWrites,
                        Change change);
    QList<FormulaDefinition> formulaDefinitions(size_t from) const;
    Status syncDatabase();
    Status restoreFromDatabase(const Error& error);
    void runBacktest(Change change);

    QString m_dataDir;
    QSettings& m_settings;
    Options m_options;
    std::unique_ptr<NumberModel> m_model;
    std::unique_ptr<Database> m_db;
    std::vector<DrawValues> m_draws;
    std::vector<FormulaRow> m_formulas;
    std::vector<bool> m_selected; // by formula ordinal - 1
    // Per-formula hit flags and predicted-value texts per draw, as the back-test gives them
    // (wanted) and as the history tables hold them (stored). Texts are ids into m_texts.
    struct Results {
        std::vector<std::vector<qint8>> hits;    // by ordinal - 1, then draw
        std::vector<std::vector<quint16>> texts; // 0 = empty
    };
    quint16 textId(const QString& text);
    quint16 textIdOfUtf8(std::string_view utf8);
    void loadStoredResults();

    std::unique_ptr<BacktestEngine> m_engine;
    static constexpr quint16 NoTextId = 0xffff;
    quint16 valueTextId(int kind, std::uint8_t predicted);
    std::array<quint16, 16 * 256> m_valueTextIds{}; // (kind, packed prediction) -> text id
    int m_removedOrdinal = -1;
    std::vector<DrawValues> m_storedDraws; // rows of every synced history table
    std::vector<bool> m_tableSynced;       // per history table: holds exactly m_storedDraws
    Results m_wanted;
    Results m_stored; // by table * 50 + slot
    // Per slot, the first draw whose wanted result may differ from the stored one.
    std::vector<size_t> m_resultsDirtyFrom =
        std::vector<size_t>(Database::HistoryTableCount * Database::FormulasPerTable, 0);
    void markDirty(size_t fromSlot, size_t fromDraw);
    QStringList m_texts{QString()};
    QList<QByteArray> m_textsUtf8{QByteArray()}; // the same texts, ready for binding
    struct Utf8Hash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    std::unordered_map<std::string, quint16, Utf8Hash, std::equal_to<>> m_textIdsByUtf8;
    QHash<QString, quint16> m_textIds;
};

} // namespace talven
