#pragma once

#include "session/ImportPreview.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace talven {

// The clipboard as a history to preview: a table copied from a web page as its HTML (one cell a
// field), anything else as its text.
inline ImportSource clipboardHistory() {
    const QString name = QStringLiteral("剪贴板");
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data)
        return ImportSource::text({}, name);
    if (data->hasHtml() && data->html().contains(QStringLiteral("<table"), Qt::CaseInsensitive))
        return ImportSource::text(data->html().toUtf8(), name);
    return ImportSource::text(data->text().toUtf8(), name);
}

} // namespace talven
