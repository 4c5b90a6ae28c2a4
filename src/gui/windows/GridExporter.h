#pragma once

#include <QObject>

#include <functional>
#include <memory>

class QAbstractItemModel;
class QAbstractItemView;
class QSettings;
class QWidget;

namespace talven {

class Prompts;
class Session;

// Writes a grid to a spreadsheet on the session's worker, with progress, so that the window stays
// responsive; the grid's model is made for the job and only read while no change can run.
class GridExporter : public QObject {
    Q_OBJECT
public:
    using ModelFactory = std::function<std::shared_ptr<QAbstractItemModel>()>;

    // settings keeps the folder of the last file chosen (none: kept for the run only).
    GridExporter(Session& session, Prompts& prompts, QWidget* window, QSettings* settings = nullptr);

    // The file of its fixed name in the data directory ("lishi.xlsx"), then opened in the
    // desktop's spreadsheet application.
    void exportToDataDirectory(const ModelFactory& model, const QString& fileName);
    // A file and type the user chooses (xlsx or CSV).
    void exportAs(const ModelFactory& model, const QString& suggestedName);
    // Has a double-click on the view call exportToDataDirectory, and says so in its tooltip.
    void offerExportOnDoubleClick(QAbstractItemView* view, const ModelFactory& model,
                                  const QString& fileName);
    // Gives the view the context menu "导出为…", which calls exportAs.
    void offerExportAs(QAbstractItemView* view, const ModelFactory& model, const QString& suggestedName);

signals:
    void exported(const QString& path);

private:
    void write(const ModelFactory& model, const QString& path, bool csv, bool open);

    Session& m_session;
    Prompts& m_prompts;
    QWidget* m_window;
    QSettings* m_settings;
};

} // namespace talven
