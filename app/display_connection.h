#pragma once
// A connection of the program's own to the X display, apart from Qt's: libxcb is looked up at run time
// (it is there wherever Qt's X platform runs, and nothing else of the program needs it). It answers the
// few questions that decide the stage's scale before any application object exists, and, held open, it
// keeps an X server that resets when its last client leaves from doing so while Qt connects.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace velmora {

class TDisplayConnection {
public:
    TDisplayConnection() = default;
    ~TDisplayConnection() { Release(); }
    TDisplayConnection(const TDisplayConnection&) = delete;
    TDisplayConnection& operator=(const TDisplayConnection&) = delete;

    // Connects to the display of $DISPLAY; false when there is no library or no display.
    bool Open();
    void Release();
    bool IsOpen() const { return FConnection != nullptr; }

    // The size in device pixels of the default screen's root window, which holds every monitor.
    struct TSize {
        int32_t Width = 0;
        int32_t Height = 0;
    };
    TSize RootSize() const;
    // The font resolution the desktop asks for: "Xft.dpi" in the root window's resources, and
    // "Xft/DPI" of the settings manager. Empty where it is not given; nothing at all when the
    // question could not be answered.
    struct TResolutions {
        std::optional<double> Resources;
        std::optional<double> Settings;
    };
    std::optional<TResolutions> FontResolutions() const;

    // The library's functions, found when the connection opens.
    struct TLibrary;

private:
    const TLibrary* FLib = nullptr;
    void* FHandle = nullptr;
    void* FConnection = nullptr;
    int FScreen = 0;
};

// The value of "Xft.dpi" in an X resource string, left empty where the resources do not set it; false
// when they set it to something that is no number.
bool ResourceResolution(const std::string& resources, std::optional<double>* dpi);
// The value of "Xft/DPI" (an integer of 1/1024 dots per inch) in a settings manager's property, in the
// byte layout of the X settings protocol, left empty where it is not there; false when the property is
// malformed or the setting is no integer.
bool SettingsResolution(const uint8_t* data, size_t size, std::optional<double>* dpi);

}  // namespace velmora
