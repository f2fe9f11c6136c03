#pragma once
// The main window's keys, all in one place: which key does what (EditorKeyAction and ReaderKeyAction,
// pure tables) and the event filter that catches them before the focused widget does (so Tab walks
// hotspots instead of moving the focus) and hands them to the window. The editor's keys act while
// the item view, a button or nothing in particular has the focus; in the description edit box only
// Ctrl+S (save) and Escape (back to the item view) do. The reader's keys (the links of the stage, the
// hotspots by keyboard) work in both modes wherever the editor does not take the key: in the editor,
// Tab and Escape stay the editor's, and so do the arrows while a hotspot is selected.
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

enum class TReaderCommand : uint8_t {
    None,
    NextItem,          // as the next-item link
    PreviousItem,      // as the previous-item link
    Index,             // as the index link
    Chapter,           // as the chapter link Number (1 .. 10, top to bottom in the chapter column)
    FocusNext,         // the keyboard focus to the next hotspot with a sign picture, round the end
    FocusPrevious,
    OpenFocused,       // the preview of the focused hotspot
    Search,            // the search panel over the stage
};

struct TReaderKeyAction {
    TReaderCommand Command = TReaderCommand::None;
    int32_t Number = 0;
    friend bool operator==(const TReaderKeyAction&, const TReaderKeyAction&) = default;
};

enum class TScreenKind : uint8_t { Menu, Index, Page };

// What the reader's keys depend on besides the key.
struct TReaderKeyContext {
    TScreenKind Screen = TScreenKind::Menu;
    TKeyPlace Place = TKeyPlace::ItemView;
    bool EditorMode = false;
    bool HotspotSelected = false;  // the editor's selection
    bool HotspotFocused = false;   // the reader's keyboard focus
};

// What a key does for the reader; None where the editor takes it, where it would do nothing on the
// screen shown, or where it is the widget's.
TReaderKeyAction ReaderKeyAction(int key, Qt::KeyboardModifiers modifiers, const TReaderKeyContext& context);

// Installed on the window and its focusable controls; passes what EditorKeyAction names to
// TMainForm::RunKeyAction and what ReaderKeyAction names to TMainForm::RunReaderKey, and swallows it.
// Ctrl pressed and released (never swallowed) shows and hides the hotspot outlines.
class TWindowKeys : public QObject {
public:
    explicit TWindowKeys(TMainForm& form);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TMainForm& FForm;
};

}  // namespace velmora
