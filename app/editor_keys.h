#pragma once
// The main window's keys, all in one place: which key does what (EditorKeyAction, a pure table) and
// the event filter that catches them before the focused widget does (so Tab selects hotspots
// instead of moving the focus) and hands them to the window. In viewing mode only Ctrl+0 works; in
// the editor the keys act while the item view, a button or nothing in particular has the focus,
// while in the description edit box only Ctrl+S (save) and Escape (back to the item view) do.
#include <QObject>
#include <cstdint>

namespace velmora {

class TMainForm;

enum class TEditorCommand : uint8_t {
    None,
    Move,             // the selected hotspot by Dx, Dy
    Resize,           // its right and bottom edges by Dx, Dy
    Delete,           // as the delete button
    Duplicate,        // a copy 10 px right and down, selected
    SelectNext,       // in layer order, round the end
    SelectPrevious,
    ClearSelection,
    Save,             // as the save button
    Undo,
    Redo,
    ZoomReset,        // the item view back to 1 : 1
    LeaveEditBox,     // the focus from the edit box back to the item view
};

struct TEditorKeyAction {
    TEditorCommand Command = TEditorCommand::None;
    int32_t Dx = 0;
    int32_t Dy = 0;
    friend bool operator==(const TEditorKeyAction&, const TEditorKeyAction&) = default;
};

// Where the keyboard focus is when a key comes.
enum class TKeyPlace : uint8_t { ItemView, EditBox };

// What a key (a Qt::Key with its modifiers) does; None leaves it to the widget.
TEditorKeyAction EditorKeyAction(int key, Qt::KeyboardModifiers modifiers, TKeyPlace place, bool editorMode);

// Installed on the window and its focusable controls; passes what EditorKeyAction names to
// TMainForm::RunKeyAction and swallows it.
class TEditorKeys : public QObject {
public:
    explicit TEditorKeys(TMainForm& form);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TMainForm& FForm;
};

}  // namespace velmora
