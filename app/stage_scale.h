#pragma once
// The stage's scale on large screens. The stage is drawn for 1024 x 768 pixels; on a screen at least
// twice that in both directions it is enlarged by the largest whole number that fits the screen's
// device pixels, so every pixel becomes an N x N block and nothing is smoothed. The enlargement is
// Qt's own scale factor, set before the application object is made: every widget, mouse position,
// tooltip and window of the program then works in stage pixels, and Qt draws them N times larger.
// A device pixel ratio the desktop asks for is part of that scale, not added to it: Qt keeps its own
// ratio (so text stays at the stage's 96 dpi) and the factor on top makes the whole exactly N.
#include <QSize>
#include <QString>
#include <QtGlobal>
#include <cstdint>

#include "app/display_connection.h"

namespace velmora {

// The scale for a screen of that size in Qt's (logical) pixels at that device pixel ratio; forced
// (1 to MaxStageScale) wins when given, 0 lets the screen decide.
int32_t StageScale(QSize logical, qreal devicePixelRatio, int32_t forced = 0);

// Qt's scale factor that, times the platform's ratio as Qt multiplies them, gives exactly scale, so that
// pixels fall on whole device pixels (the plain quotient may be a unit in the last place off); 0 where
// no such factor exists.
double StageFactor(int32_t scale, double platformRatio);

// Chooses the stage's scale, then, where Qt needs telling, sets Qt's scale factor for the application
// about to be made and puts the environment back once it is made, so that programs started from here
// (the browser of the web link) do not inherit it.
class TStageScaleEnvironment {
public:
    // Without forced, the screen decides. Where the answer is certain without Qt (Qt's offscreen
    // platform; an X display smaller than twice the stage both ways, with no font resolution but
    // 96 dpi set and none of Qt's scaling variables), it is taken from there at once; otherwise
    // Probe has a short-lived application ask the platform for the primary screen. argv is kept for
    // it and left as it is. Nothing of the environment changes yet.
    TStageScaleEnvironment(int argc, char** argv, int32_t forced);
    // Whether Probe has work to do: milliseconds that other work may overlap.
    bool ProbeNeeded() const { return FProbeNeeded; }
    void Probe();
    ~TStageScaleEnvironment() { Restore(); }
    TStageScaleEnvironment(const TStageScaleEnvironment&) = delete;
    TStageScaleEnvironment& operator=(const TStageScaleEnvironment&) = delete;

    // Scale and NeedsChange are known once Probe has run (or was not needed).
    int32_t Scale() const { return FScale; }
    // False where nothing is forced and Qt's own ratio is already the stage's scale (most often 1 : 1):
    // the environment need not change at all.
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
    TSaved FSaved[3] = {{"QT_ENABLE_HIGHDPI_SCALING", false, {}}, {"QT_SCALE_FACTOR", false, {}}, {"QT_FONT_DPI", false, {}}};
    // Held from before a probe's application closes its connection until the program's application
    // has opened one: an X server left without a client resets, and refuses a connection meanwhile.
    TDisplayConnection FDisplay;
    bool FNeedsChange = true;
    double FFactor = 1;      // Qt's scale factor to set
    bool FProbeNeeded = false;
    int FArgc = 0;
    char** FArgv = nullptr;
    bool FRatioOff = false;  // the desktop's ratio and font resolution are set aside
    bool FApplied = false;
    int32_t FScale = 1;
};

}  // namespace velmora
