#pragma once
// One section of an item's hotspot file, as the editor writes it, for tests that build catalogues.
// The text overload takes any bytes, so a test can write numbers no save would produce.
#include <string>

namespace velmora::testing {

// Built by appending: g++ 12 warns falsely about a chain of string additions.
inline std::string HotspotSection(int n, const std::string& left, const std::string& top, const std::string& width,
                                  const std::string& height, const std::string& opis) {
    std::string text = "[";
    text += std::to_string(n);
    text += "]\r\nleft=";
    text += left;
    text += "\r\ntop=";
    text += top;
    text += "\r\nwidth=";
    text += width;
    text += "\r\nheight=";
    text += height;
    text += "\r\nopis=";
    text += opis;
    text += "\r\n";
    return text;
}

inline std::string HotspotSection(int n, int left, int top, int width, int height, const std::string& opis) {
    return HotspotSection(n, std::to_string(left), std::to_string(top), std::to_string(width), std::to_string(height),
                          opis);
}

}  // namespace velmora::testing
