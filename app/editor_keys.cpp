#include "app/editor_keys.h"

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

TEditorKeys::TEditorKeys(TMainForm& form) : QObject(&form), FForm(form) {}

bool TEditorKeys::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || QApplication::activeModalWidget() != nullptr)
        return QObject::eventFilter(watched, event);
    // The place is the focus's, whichever control the event has reached on its way up.
    const TKeyPlace place = QApplication::focusWidget() == FForm._opis ? TKeyPlace::EditBox : TKeyPlace::ItemView;
    auto* key = static_cast<QKeyEvent*>(event);
    const TEditorKeyAction action = EditorKeyAction(key->key(), key->modifiers(), place, FForm.EditorMode());
    if (action.Command == TEditorCommand::None) return QObject::eventFilter(watched, event);
    FForm.RunKeyAction(action);
    return true;
}

}  // namespace velmora
