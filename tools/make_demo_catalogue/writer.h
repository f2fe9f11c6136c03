#pragma once
// Writes the demo catalogue: every picture, hotspot file, the page list, the caption list and the
// introduction, into one directory laid out as the program reads its `dane` folder.
#include <string>

#include "core/exception.h"

namespace velmora::demo {

// A file of the catalogue could not be written.
class EDemoWriteError : public Exception {
public:
    using Exception::Exception;
};

// The introduction as RTF: code page 1250, letters outside ASCII as \'hh escapes.
std::string IntroductionRtf();

// Writes the catalogue into directory, creating it and its "znaki" folder when missing; files of the
// same names are replaced, other files are left alone. Needs a QGuiApplication for the fonts.
// Output is the same byte for byte on every run.
void WriteDemoCatalogue(const std::string& directory);

}  // namespace velmora::demo
