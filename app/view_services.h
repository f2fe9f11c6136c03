#pragma once
// What the navigator needs of the main window's widgets. The main window implements these; tests use
// a recording fake, so the navigator runs without any window.
#include <string>
#include <string_view>

namespace velmora {

class TViewServices {
public:
    virtual ~TViewServices() = default;

    // True when a file exists at path; a directory counts as missing.
    virtual bool FileExists(const std::string& path) = 0;
    // Decode a picture into the bitmap of the stage image MainImage; failures raise.
    virtual void LoadStagePicture(const std::string& path) = 0;
    // Decode a picture into the bitmap of the item view sub_image; failures raise.
    virtual void LoadItemPicture(const std::string& path) = 0;
    // The item picture that the LoadItemPicture following the next LoadStagePicture will ask for: the
    // window may begin decoding it now. Must not throw.
    virtual void PrefetchItemPicture(const std::string& path) = 0;
    // Show or hide the control of that name ("opis", "SubPrevBtn", "spis_1", ...).
    virtual void SetControlVisible(std::string_view name, bool visible) = 0;
    // The text of the item counter InfoLabel.
    virtual void SetCounterText(const std::string& text) = 0;
    // The application-wide cursor: crHourGlass while busy, else crDefault. Must not throw.
    virtual void SetBusyCursor(bool busy) = 0;
    // Remove every hotspot of the item view and clear the editor's selection.
    virtual void ClearLayers() = 0;
    // Build the hotspots of the current item in viewing mode.
    virtual void LoadZnaki() = 0;
    // The editor's load of the current item's hotspots, without a sender.
    virtual void L_LoadClick() = 0;
    // The editor's save of the current item's hotspots, without a sender; nothing outside editor mode.
    virtual void L_SaveClick() = 0;
    // Close the main window, which ends the program.
    virtual void CloseMainWindow() = 0;
};

}  // namespace velmora
