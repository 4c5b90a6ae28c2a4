#pragma once

namespace talven {

// Loads Qt's own Chinese texts (standard buttons, file dialogs) into the running application, so
// that every dialog speaks the program's language whatever the desktop's locale. False when the
// translation is not installed; the dialogs then keep Qt's English.
bool installQtChinese();

} // namespace talven
