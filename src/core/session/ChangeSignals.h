#pragma once

#include <QFlags>

namespace talven {

// What a completed change tells the views: one flag per part of the state it touched
// (Session::changed). Session inherits the names, so views write Session::HistoryChanged.
struct ChangeSignals {
    enum Change {
        HistoryChanged = 0x1,
        FormulasChanged = 0x2,
        ResultsChanged = 0x4,
        OptionsChanged = 0x8,
        SelectionChanged = 0x10,
        ErrorValuesChanged = 0x20,
        UndoChanged = 0x40, // what undo() would undo
        EverythingChanged = 0x7f,
    };
    Q_DECLARE_FLAGS(Changes, Change)
};

} // namespace talven

Q_DECLARE_OPERATORS_FOR_FLAGS(talven::ChangeSignals::Changes)
