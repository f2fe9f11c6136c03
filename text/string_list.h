#pragma once
// An ordered list of single-byte text lines, read from and written to whole text files.
//
// Splitting: a line ends at CR, LF, CR LF or the end of the text; LF CR ends two lines; a NUL byte
// ends the whole text; a final line break adds no empty line. Joining ends every line with CR LF.
#include <string>
#include <string_view>
#include <vector>

#include "core/list_error.h"

namespace velmora {

class TStringList {
public:
    TStringList() = default;
    virtual ~TStringList() = default;
    TStringList(const TStringList&) = default;
    TStringList& operator=(const TStringList&) = default;

    int Count() const { return static_cast<int>(FLines.size()); }
    // The line at index; EListError outside 0 .. Count() - 1.
    const std::string& Strings(int index) const;
    void SetStrings(int index, std::string line);
    // Appends a line and returns its index.
    int Add(std::string line);
    void Clear();
    const std::vector<std::string>& Lines() const { return FLines; }

    // Replaces the list by the lines of text.
    void SplitLines(std::string_view text);
    // Every line followed by CR LF, the last one too.
    std::string JoinLines() const;
    // Reads the whole file and splits it; EFileOpenError when it cannot be read.
    void LoadLines(const std::string& path);
    // Writes JoinLines to path, replacing the file only once the new contents are safely on disk;
    // EFileCreateError when it cannot be written, the old file then stays as it was.
    void SaveLines(const std::string& path) const;

private:
    std::vector<std::string> FLines;
};

// The lines of text by the rule above, for callers that need no list object.
std::vector<std::string> SplitTextLines(std::string_view text);

}  // namespace velmora
