#include "app/window_keys.h"

#include <QApplication>
#include <QKeyEvent>

#include "app/main_form.h"

namespace velmora {

namespace {

using enum TEditorCommand;

// Arrow keys as a step of one pixel.
bool ArrowStep(int key, int32_t& dx, int32_t& dy) {
    dx = 0;
    dy = 0;
    switch (key) {
        case Qt::Key_Left: dx = -1; return true;
        case Qt::Key_Right: dx = 1; return true;
        case Qt::Key_Up: dy = -1; return true;
        case Qt::Key_Down: dy = 1; return true;
        default: return false;
    }
}

}  // namespace

TEditorKeyAction EditorKeyAction(int key, Qt::KeyboardModifiers modifiers, TKeyPlace place, bool editorMode) {
    // Arrows may come with the keypad flag; it means nothing here.
    modifiers &= Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    const bool ctrl = modifiers & Qt::ControlModifier;
    const bool shift = modifiers & Qt::ShiftModifier;
    if (modifiers & (Qt::AltModifier | Qt::MetaModifier)) return {};

    if (!editorMode) return ctrl && !shift && key == Qt::Key_0 && place == TKeyPlace::ItemView ? TEditorKeyAction{ZoomReset} : TEditorKeyAction{};

    if (place == TKeyPlace::EditBox) {
        if (ctrl && !shift && key == Qt::Key_S) return {Save};
        if (!ctrl && !shift && key == Qt::Key_Escape) return {LeaveEditBox};
        return {};
    }

    int32_t dx = 0, dy = 0;
    if (ArrowStep(key, dx, dy)) {
        const int32_t by = shift ? 10 : 1;
        return {ctrl ? Resize : Move, dx * by, dy * by};
    }
    if (ctrl) {
        switch (key) {
            case Qt::Key_Z: return {shift ? Redo : Undo};
            case Qt::Key_Y: return shift ? TEditorKeyAction{} : TEditorKeyAction{Redo};
            case Qt::Key_D: return shift ? TEditorKeyAction{} : TEditorKeyAction{Duplicate};
            case Qt::Key_S: return shift ? TEditorKeyAction{} : TEditorKeyAction{Save};
            case Qt::Key_0: return shift ? TEditorKeyAction{} : TEditorKeyAction{ZoomReset};
            default: return {};
        }
    }
    switch (key) {
        case Qt::Key_Tab: return {shift ? SelectPrevious : SelectNext};
        case Qt::Key_Backtab: return {SelectPrevious};
        case Qt::Key_Delete: return shift ? TEditorKeyAction{} : TEditorKeyAction{Delete};
        case Qt::Key_Escape: return shift ? TEditorKeyAction{} : TEditorKeyAction{ClearSelection};
        default: return {};
    }
}

TReaderKeyAction ReaderKeyAction(int key, Qt::KeyboardModifiers modifiers, const TReaderKeyContext& context) {
    using enum TReaderCommand;
    // Digits and arrows may come with the keypad flag; it means nothing here.
    modifiers &= Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    // Search works on every screen and in both modes; "/" is typed into the description edit box.
    if (key == Qt::Key_F && modifiers == Qt::ControlModifier) return {Search};
    if (key == Qt::Key_Slash && (modifiers & ~Qt::ShiftModifier) == Qt::NoModifier)
        return context.Place == TKeyPlace::EditBox ? TReaderKeyAction{} : TReaderKeyAction{Search};
    if (context.Place == TKeyPlace::EditBox) return {};
    const bool page = context.Screen == TScreenKind::Page;
    // Shift+Tab arrives as Backtab with Shift; Backtab means the same without it.
    if (key == Qt::Key_Backtab) {
        key = Qt::Key_Tab;
        modifiers |= Qt::ShiftModifier;
    }
    if (key == Qt::Key_Tab && (modifiers & ~Qt::ShiftModifier) == Qt::NoModifier)
        return page && !context.EditorMode ? TReaderKeyAction{modifiers ? FocusPrevious : FocusNext} : TReaderKeyAction{};
    if (modifiers != Qt::NoModifier) return {};
    switch (key) {
        case Qt::Key_Right:
        case Qt::Key_Left:
            // The editor's arrows move the selected hotspot.
            if (!page || (context.EditorMode && context.HotspotSelected)) return {};
            return {key == Qt::Key_Right ? NextItem : PreviousItem};
        case Qt::Key_PageDown: return page ? TReaderKeyAction{NextItem} : TReaderKeyAction{};
        case Qt::Key_PageUp: return page ? TReaderKeyAction{PreviousItem} : TReaderKeyAction{};
        case Qt::Key_Home: return {Index};
        case Qt::Key_Escape: return page && !context.EditorMode ? TReaderKeyAction{Index} : TReaderKeyAction{};
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space: return context.HotspotFocused && page ? TReaderKeyAction{OpenFocused} : TReaderKeyAction{};
        default: break;
    }
    if (key >= Qt::Key_1 && key <= Qt::Key_9) return {Chapter, key - Qt::Key_0};
    if (key == Qt::Key_0) return {Chapter, 10};
    return {};
}

TWindowKeys::TWindowKeys(TMainForm& form) : QObject(&form), FForm(form) {}

bool TWindowKeys::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    // A Ctrl let go in another window never comes here.
    if (type == QEvent::WindowDeactivate && watched == &FForm) FForm.ShowHotspotOutlines(false);
    if ((type != QEvent::KeyPress && type != QEvent::KeyRelease) || QApplication::activeModalWidget() != nullptr)
        return QObject::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Control) {
        FForm.ShowHotspotOutlines(type == QEvent::KeyPress);
        return QObject::eventFilter(watched, event);
    }
    if (type != QEvent::KeyPress || FForm.SearchHasFocus()) return QObject::eventFilter(watched, event);
    // The place is the focus's, whichever control the event has reached on its way up.
    const TKeyPlace place = QApplication::focusWidget() == FForm._opis ? TKeyPlace::EditBox : TKeyPlace::ItemView;
    const bool selected = FForm.SelectedLayer != nullptr;
    TEditorKeyAction action = EditorKeyAction(key->key(), key->modifiers(), place, FForm.EditorMode());
    // Arrows with nothing selected would move nothing: they are the reader's then.
    if ((action.Command == Move || action.Command == Resize) && !selected) action = {};
    if (action.Command != TEditorCommand::None) {
        FForm.RunKeyAction(action);
        return true;
    }
    const TReaderKeyContext context{FForm.ShownScreen(), place, FForm.EditorMode(), selected, FForm.HotspotFocused()};
    const TReaderKeyAction reader = ReaderKeyAction(key->key(), key->modifiers(), context);
    if (reader.Command == TReaderCommand::None) return QObject::eventFilter(watched, event);
    FForm.RunReaderKey(reader);
    return true;
}

}  // namespace velmora
