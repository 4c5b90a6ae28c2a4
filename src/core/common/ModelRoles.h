#pragma once

#include <Qt>

namespace talven::ModelRoles {

// A horizontal header's title in exported files, for a model whose exported titles are its own;
// the exports take the shown title from models without it. Above the models' own roles.
inline constexpr int ExportTitle = Qt::UserRole + 100;

} // namespace talven::ModelRoles
