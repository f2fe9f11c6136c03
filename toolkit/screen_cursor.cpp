#include "toolkit/screen_cursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace velmora {

Qt::CursorShape CursorShapeOf(TCursor cursor) {
    switch (cursor) {
        case crHandPoint: return Qt::PointingHandCursor;
        case crHourGlass: return Qt::WaitCursor;
        case crSizeNESW: return Qt::SizeBDiagCursor;
        case crSizeNS: return Qt::SizeVerCursor;
        case crSizeNWSE: return Qt::SizeFDiagCursor;
        case crSizeWE: return Qt::SizeHorCursor;
        default: return Qt::ArrowCursor;
    }
}

void TScreen::SetCursor(TCursor cursor) {
    if (cursor == FCursor) return;
    FCursor = cursor;
    if (qGuiApp == nullptr) {
        FPushed = false;
        return;
    }
    // Someone else may have popped our entry (tests clear the stack between cases): only a cursor we
    // can still see on the stack is ours to change or pop.
    if (FPushed && QGuiApplication::overrideCursor() == nullptr) FPushed = false;
    if (cursor == crDefault) {
        if (FPushed) QGuiApplication::restoreOverrideCursor();
        FPushed = false;
    } else if (FPushed) {
        QGuiApplication::changeOverrideCursor(QCursor(CursorShapeOf(cursor)));
    } else {
        QGuiApplication::setOverrideCursor(QCursor(CursorShapeOf(cursor)));
        FPushed = true;
    }
}

TScreen& Screen() {
    static TScreen screen;
    return screen;
}

}  // namespace velmora
