#include "windows/GridExporter.h"

#include "export/SpreadsheetExport.h"
#include "prompts/DialogFolder.h"
#include "prompts/Prompts.h"
#include "session/Session.h"

#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

const QString xlsxFilter = u"Excel 工作簿 (*.xlsx)"_s;
const QString csvFilter = u"CSV 文件（UTF-8，逗号分隔） (*.csv)"_s;

} // namespace

GridExporter::GridExporter(Session& session, Prompts& prompts, QWidget* window, QSettings* settings)
    : QObject(window), m_session(session), m_prompts(prompts), m_window(window), m_settings(settings) {}

void GridExporter::exportToDataDirectory(const ModelFactory& model, const QString& fileName) {
    write(model, QDir(m_session.dataDir()).filePath(fileName), false, true);
}

void GridExporter::exportAs(const ModelFactory& model, const QString& suggestedName) {
    QString filter;
    QString path = m_prompts.saveFile(m_window, u"导出为"_s,
                                      QDir(DialogFolder::start(m_settings)).filePath(suggestedName),
                                      xlsxFilter + u";;"_s + csvFilter, &filter);
    if (path.isEmpty())
        return;
    DialogFolder::remember(m_settings, path);
    const bool csv = filter == csvFilter || path.endsWith(u".csv"_s, Qt::CaseInsensitive);
    if (QFileInfo(path).suffix().isEmpty())
        path += csv ? u".csv"_s : u".xlsx"_s;
    write(model, path, csv, false);
}

void GridExporter::offerExportOnDoubleClick(QAbstractItemView* view, const ModelFactory& model,
                                            const QString& fileName) {
    view->setToolTip(u"鼠标双击列表可以将列表导出到EXCEL"_s);
    connect(view, &QAbstractItemView::doubleClicked, view,
            [this, model, fileName] { exportToDataDirectory(model, fileName); });
}

void GridExporter::offerExportAs(QAbstractItemView* view, const ModelFactory& model,
                                 const QString& suggestedName) {
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, view,
            [this, view, model, suggestedName](const QPoint& pos) {
                auto* menu = new QMenu(view);
                menu->setAttribute(Qt::WA_DeleteOnClose);
                menu->addActions(view->actions()); // the view's own commands first (粘贴开奖号码)
                menu->addAction(u"导出为…"_s, this,
                                [this, model, suggestedName] { exportAs(model, suggestedName); });
                menu->popup(view->viewport()->mapToGlobal(pos));
            });
}

void GridExporter::write(const ModelFactory& makeModel, const QString& path, bool csv, bool open) {
    // Made here, on the window's thread; the worker only reads it, and it is freed back here.
    std::shared_ptr<QAbstractItemModel> model = makeModel();
    auto job = [model, path, csv](const ProgressFn& progress) {
        return csv ? SpreadsheetExport::writeCsv(*model, path, progress)
                   : SpreadsheetExport::writeXlsx(*model, path, progress);
    };
    m_session.runReading(job).then(this, [this, model, path, open](const Result<void>& done) {
        if (!done) {
            m_prompts.warning(m_window, u"导出失败"_s, done.error().shown());
            return;
        }
        emit exported(path);
        if (open)
            m_prompts.openOrOfferFolder(m_window, u"导出完成"_s, path);
    });
}

} // namespace talven
