#pragma once
// An INI store held in memory: the whole file is read when the store is created, look-ups are answered
// from memory, and SaveFile writes the whole store back.
//
// Reading: every line is trimmed of bytes 0..32; blank lines and lines starting with ";" are skipped;
// "[name]" opens a new section (even when the name occurs already); before the first section every
// line is skipped; "name = value" is kept as "name=value" (both trimmed); any other line is kept as
// it stands and written back, but is never found as a key. Section and key names match regardless of
// letter case, and of equal names the last one counts. Nothing is ever sorted.
// Writing: "[name]", the section's lines as held, then an empty line, each ended by CR LF.
#include <string>
#include <string_view>

#include "text/custom_ini_file.h"
#include "text/hashed_string_list.h"
#include "text/string_list.h"

namespace velmora {

class TMemIniFile : public TCustomIniFile {
public:
    // Loads the file; an empty path, a missing file or a directory give an empty store.
    // EFileOpenError when the file exists but cannot be read.
    explicit TMemIniFile(std::string fileName);

    std::string GetValue(std::string_view section, std::string_view key,
                         std::string_view defaultValue) const override;
    // Sets key=value exactly as given (nothing trimmed), creating section and key as needed.
    void SetValue(std::string_view section, std::string_view key, std::string_view value) override;
    // Writes the whole store to the file name; EFileCreateError when that fails, the old file then
    // stays as it was and the store is unchanged.
    void SaveFile() override;

    // Removes every section and its lines.
    void ClearAll();

    // The sections in order; each entry's nested list holds the section's lines.
    const THashedStringList& Sections() const { return FSections; }

    // The text SaveFile writes.
    std::string FileText() const;

private:
    TStringList FileLines() const;
    void LoadFromText(std::string_view text);

    THashedStringList FSections;
};

}  // namespace velmora
