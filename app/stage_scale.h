#pragma once
// The stage's scale on large screens. The stage is drawn for 1024 x 768 pixels; on a screen at least
// twice that in both directions it is enlarged by the largest whole number that fits the screen's
// device pixels, so every pixel becomes an N x N block and nothing is smoothed. The enlargement is
// Qt's own scale factor, set before the application object is made: every widget, mouse position,
// tooltip and window of the program then works in stage pixels, and Qt draws them N times larger.
// A device pixel ratio the desktop asks for is part of that scale, not added to it.
#include <QSize>
#include <QString>
#include <QtGlobal>
#include <cstdint>

namespace velmora {

// The scale for a screen of that size in Qt's (logical) pixels at that device pixel ratio; forced
// (1 to MaxStageScale) wins when given, 0 lets the screen decide.
int32_t StageScale(QSize logical, qreal devicePixelRatio, int32_t forced = 0);

// A connection to the X display of its own, held from before the probe's application closes its
// connection until the program's application has opened one: an X server left without a client
// resets, and a connection tried meanwhile is refused, so the program would not start.
class TDisplayHold {
public:
    TDisplayHold() = default;
    ~TDisplayHold() { Release(); }
    TDisplayHold(const TDisplayHold&) = delete;
    TDisplayHold& operator=(const TDisplayHold&) = delete;
    void Open();
    void Release();

private:
    using TDisconnect = void (*)(void*);
    void* FLibrary = nullptr;
    void* FConnection = nullptr;
    TDisconnect FDisconnect = nullptr;
};

// Chooses the stage's scale, then, where Qt needs telling, sets Qt's scale factor for the application
// about to be made and puts the environment back once it is made, so that programs started from here
// (the browser of the web link) do not inherit it.
class TStageScaleEnvironment {
public:
    // Without forced, a short-lived application asks the platform for the primary screen; argv is
    // left as it is. Nothing of the environment changes yet.
    TStageScaleEnvironment(int argc, char** argv, int32_t forced);
    ~TStageScaleEnvironment() { Restore(); }
    TStageScaleEnvironment(const TStageScaleEnvironment&) = delete;
    TStageScaleEnvironment& operator=(const TStageScaleEnvironment&) = delete;

    int32_t Scale() const { return FScale; }
    // False on a screen at 1 : 1 with nothing forced and nothing of Qt's scaling set: Qt then draws the
    // stage as it is, and the environment need not change at all.
    bool NeedsChange() const { return FNeedsChange; }
    // Call once the application object exists: the display is its to keep open from then on.
    void ReleaseDisplay() { FDisplay.Release(); }
    // Sets Qt's variables. A change of the environment races with any reader of it on another thread
    // (the font configuration and libjpeg read it), so call this while no other thread runs.
    void Apply();
    // Call once the application object exists (Qt has read the factor by then), again while no other
    // thread runs; nothing happens when nothing was applied.
    void Restore();

private:
    struct TSaved {
        const char* Name;
        bool Set = false;
        QByteArray Value;
    };
    TSaved FSaved[2] = {{"QT_ENABLE_HIGHDPI_SCALING", false, {}}, {"QT_SCALE_FACTOR", false, {}}};
    TDisplayHold FDisplay;
    bool FNeedsChange = true;
    bool FApplied = false;
    int32_t FScale = 1;
};

}  // namespace velmora
