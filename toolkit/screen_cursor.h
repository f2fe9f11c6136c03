#pragma once
// The application-wide screen cursor. crDefault lets every control show its own cursor; any other id
// overrides the cursor of every control of the program until it is set back to crDefault.
// It rides on QGuiApplication's override-cursor stack, which it pushes at most once: the first
// non-default id pushes, later ids change the top entry, and crDefault pops exactly once.
// Without a QGuiApplication (tests of code that only records cursors) the id is merely stored.
#include <Qt>

#include "core/input.h"

namespace velmora {

// The Qt cursor shape shown for a cursor id; unknown ids show the arrow.
Qt::CursorShape CursorShapeOf(TCursor cursor);

class TScreen {
public:
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor cursor);

private:
    TCursor FCursor = crDefault;
    bool FPushed = false;
};

// The one screen of the program.
TScreen& Screen();

}  // namespace velmora
