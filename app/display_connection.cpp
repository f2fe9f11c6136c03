#include "app/display_connection.h"

#include <dlfcn.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace velmora {

// The library's functions that the questions need, found once.
struct TDisplayConnection::TLibrary {
    decltype(&xcb_connect) Connect;
    decltype(&xcb_disconnect) Disconnect;
    decltype(&xcb_connection_has_error) HasError;
    decltype(&xcb_get_setup) GetSetup;
    decltype(&xcb_setup_roots_iterator) RootsIterator;
    decltype(&xcb_screen_next) ScreenNext;
    decltype(&xcb_intern_atom) InternAtom;
    decltype(&xcb_intern_atom_reply) InternAtomReply;
    decltype(&xcb_get_property) GetProperty;
    decltype(&xcb_get_property_reply) GetPropertyReply;
    decltype(&xcb_get_property_value) PropertyValue;
    decltype(&xcb_get_property_value_length) PropertyValueLength;
    decltype(&xcb_get_selection_owner) GetSelectionOwner;
    decltype(&xcb_get_selection_owner_reply) GetSelectionOwnerReply;
};

namespace {

template <typename T>
bool Find(void* handle, const char* name, T* out) {
    *out = reinterpret_cast<T>(dlsym(handle, name));
    return *out != nullptr;
}

// Replies of the library are malloc'd.
struct TFree {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using TReply = std::unique_ptr<T, TFree>;

uint32_t Read32(const uint8_t* p, bool bigEndian) {
    return bigEndian ? (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3]
                     : (uint32_t(p[3]) << 24) | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
}

size_t Padded(size_t n) { return (n + 3) & ~size_t(3); }

}  // namespace

bool TDisplayConnection::Open() {
    Release();
    FHandle = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
    if (FHandle == nullptr) return false;
    static TLibrary lib;
    const bool found = Find(FHandle, "xcb_connect", &lib.Connect) && Find(FHandle, "xcb_disconnect", &lib.Disconnect) &&
                       Find(FHandle, "xcb_connection_has_error", &lib.HasError) &&
                       Find(FHandle, "xcb_get_setup", &lib.GetSetup) &&
                       Find(FHandle, "xcb_setup_roots_iterator", &lib.RootsIterator) &&
                       Find(FHandle, "xcb_screen_next", &lib.ScreenNext) &&
                       Find(FHandle, "xcb_intern_atom", &lib.InternAtom) &&
                       Find(FHandle, "xcb_intern_atom_reply", &lib.InternAtomReply) &&
                       Find(FHandle, "xcb_get_property", &lib.GetProperty) &&
                       Find(FHandle, "xcb_get_property_reply", &lib.GetPropertyReply) &&
                       Find(FHandle, "xcb_get_property_value", &lib.PropertyValue) &&
                       Find(FHandle, "xcb_get_property_value_length", &lib.PropertyValueLength) &&
                       Find(FHandle, "xcb_get_selection_owner", &lib.GetSelectionOwner) &&
                       Find(FHandle, "xcb_get_selection_owner_reply", &lib.GetSelectionOwnerReply);
    if (!found) {
        Release();
        return false;
    }
    FLib = &lib;
    FConnection = lib.Connect(nullptr, &FScreen);
    // A failed connection is still an object to disconnect; it holds nothing open.
    if (lib.HasError(static_cast<xcb_connection_t*>(FConnection)) != 0) {
        Release();
        return false;
    }
    return true;
}

void TDisplayConnection::Release() {
    if (FConnection != nullptr && FLib != nullptr) FLib->Disconnect(static_cast<xcb_connection_t*>(FConnection));
    FConnection = nullptr;
    FLib = nullptr;
    if (FHandle != nullptr) dlclose(FHandle);
    FHandle = nullptr;
}

namespace {

const xcb_screen_t* DefaultScreen(const TDisplayConnection::TLibrary* lib, xcb_connection_t* c, int number) {
    xcb_screen_iterator_t it = lib->RootsIterator(lib->GetSetup(c));
    for (int i = 0; it.rem > 0 && i < number; ++i) lib->ScreenNext(&it);
    return it.rem > 0 ? it.data : nullptr;
}

}  // namespace

TDisplayConnection::TSize TDisplayConnection::RootSize() const {
    if (FConnection == nullptr) return {};
    const xcb_screen_t* screen = DefaultScreen(FLib, static_cast<xcb_connection_t*>(FConnection), FScreen);
    if (screen == nullptr) return {};
    return {screen->width_in_pixels, screen->height_in_pixels};
}

std::optional<TDisplayConnection::TResolutions> TDisplayConnection::FontResolutions() const {
    if (FConnection == nullptr) return std::nullopt;
    auto* c = static_cast<xcb_connection_t*>(FConnection);
    const xcb_screen_t* screen = DefaultScreen(FLib, c, FScreen);
    if (screen == nullptr) return std::nullopt;
    // Every request goes out before the first reply is awaited: one round trip for the three.
    const std::string selection = "_XSETTINGS_S" + std::to_string(FScreen);
    const char* settingsName = "_XSETTINGS_SETTINGS";
    const xcb_intern_atom_cookie_t selectionCookie =
        FLib->InternAtom(c, 1, static_cast<uint16_t>(selection.size()), selection.c_str());
    const xcb_intern_atom_cookie_t settingsCookie =
        FLib->InternAtom(c, 0, static_cast<uint16_t>(std::strlen(settingsName)), settingsName);
    const xcb_get_property_cookie_t resourcesCookie =
        FLib->GetProperty(c, 0, screen->root, XCB_ATOM_RESOURCE_MANAGER, XCB_ATOM_STRING, 0, 1 << 20);
    TReply<xcb_intern_atom_reply_t> selectionAtom(FLib->InternAtomReply(c, selectionCookie, nullptr));
    TReply<xcb_intern_atom_reply_t> settingsAtom(FLib->InternAtomReply(c, settingsCookie, nullptr));
    TReply<xcb_get_property_reply_t> resources(FLib->GetPropertyReply(c, resourcesCookie, nullptr));
    if (!selectionAtom || !settingsAtom || !resources || resources->bytes_after != 0) return std::nullopt;

    TResolutions out;
    const auto* text = static_cast<const char*>(FLib->PropertyValue(resources.get()));
    if (!ResourceResolution(std::string(text, static_cast<size_t>(FLib->PropertyValueLength(resources.get()))),
                            &out.Resources))
        return std::nullopt;
    // An atom that does not exist yet was never a selection: no settings manager runs.
    if (selectionAtom->atom == XCB_ATOM_NONE) return out;
    TReply<xcb_get_selection_owner_reply_t> owner(
        FLib->GetSelectionOwnerReply(c, FLib->GetSelectionOwner(c, selectionAtom->atom), nullptr));
    if (!owner) return std::nullopt;
    if (owner->owner == XCB_WINDOW_NONE) return out;
    TReply<xcb_get_property_reply_t> settings(FLib->GetPropertyReply(
        c, FLib->GetProperty(c, 0, owner->owner, settingsAtom->atom, settingsAtom->atom, 0, 1 << 20), nullptr));
    if (!settings || settings->bytes_after != 0) return std::nullopt;
    if (!SettingsResolution(static_cast<const uint8_t*>(FLib->PropertyValue(settings.get())),
                            static_cast<size_t>(FLib->PropertyValueLength(settings.get())), &out.Settings))
        return std::nullopt;
    return out;
}

bool ResourceResolution(const std::string& resources, std::optional<double>* dpi) {
    dpi->reset();
    size_t start = 0;
    while (start < resources.size()) {
        size_t end = resources.find('\n', start);
        if (end == std::string::npos) end = resources.size();
        const std::string line = resources.substr(start, end - start);
        start = end + 1;
        const size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        const size_t nameStart = line.find_first_not_of(" \t");
        const size_t nameEnd = line.find_last_not_of(" \t", colon - 1);
        if (nameStart >= colon || nameEnd == std::string::npos || line.compare(nameStart, nameEnd + 1 - nameStart, "Xft.dpi") != 0)
            continue;
        const std::string value = line.substr(colon + 1);
        char* rest = nullptr;
        const double number = std::strtod(value.c_str(), &rest);
        if (rest == value.c_str() || value.find_first_not_of(" \t", static_cast<size_t>(rest - value.c_str())) != std::string::npos)
            return false;
        // The last one set wins, as the resource database has it.
        *dpi = number;
    }
    return true;
}

bool SettingsResolution(const uint8_t* data, size_t size, std::optional<double>* dpi) {
    dpi->reset();
    if (size < 12) return false;
    const bool big = data[0] != 0;
    const uint32_t count = Read32(data + 8, big);
    size_t at = 12;
    for (uint32_t i = 0; i < count; ++i) {
        if (size - at < 4) return false;
        const uint8_t type = data[at];
        const size_t nameLength = big ? (size_t(data[at + 2]) << 8) | data[at + 3] : (size_t(data[at + 3]) << 8) | data[at + 2];
        at += 4;
        if (size - at < Padded(nameLength) + 4) return false;
        const bool isDpi = nameLength == 7 && std::memcmp(data + at, "Xft/DPI", 7) == 0;
        at += Padded(nameLength) + 4;  // the name, then the serial of its last change
        size_t valueLength = 0;
        switch (type) {
            case 0: valueLength = 4; break;
            case 1:
                if (size - at < 4) return false;
                valueLength = 4 + Padded(Read32(data + at, big));
                break;
            case 2: valueLength = 8; break;
            default: return false;
        }
        if (size - at < valueLength) return false;
        if (isDpi) {
            if (type != 0) return false;
            *dpi = static_cast<int32_t>(Read32(data + at, big)) / 1024.0;
        }
        at += valueLength;
    }
    return true;
}

}  // namespace velmora
