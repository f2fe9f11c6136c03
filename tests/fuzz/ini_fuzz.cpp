// The INI store on arbitrary bytes: every look-up the program makes of info.ini and of a hotspot file,
// then a save and a reload. The round trip asserted is the one the reading rules allow:
// - the text a loaded store writes is read back into the very same store (the same text again, the
//   same answer to every look-up): a first load may lose what the rules drop (lines before the first
//   section, so also a first section hidden behind a UTF-8 byte-order mark; comments; blank lines;
//   blanks around lines, names and values; everything after a NUL byte), a second loses nothing;
// - a value set and saved reads back the same, except that the blanks (bytes 0..32) around it are
//   trimmed on reading, and a value holding CR, LF or NUL is split into lines by the rules, so it is
//   not expected back.
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "app/data_set.h"
#include "tests/fuzz/fuzz_targets.h"
#include "text/mem_ini_file.h"

namespace velmora::fuzz {

namespace {

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= 32) s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= 32) s.remove_suffix(1);
    return s;
}

// Every answer the program could get from the store, in one comparable list.
std::vector<std::string> LookUps(const TMemIniFile& store) {
    std::vector<std::string> answers;
    for (int32_t page : {0, 1, 2, 3, 9, 10, 99, -1, 2147483647})
        answers.push_back(std::to_string(PageItemCount(store, page)));
    const int32_t count = store.GetNumber("info", "count", 0);
    answers.push_back(std::to_string(count));
    const int32_t sections = std::clamp<int32_t>(count, 0, 64);
    for (int32_t i = 1; i <= sections; ++i) {
        const std::string section = std::to_string(i);
        for (const char* key : {"top", "left", "width", "height"})
            answers.push_back(std::to_string(store.GetNumber(section, key, 0)));
        answers.push_back(store.GetValue(section, "opis", ""));
    }
    // And every name the store holds, as the store itself lists them.
    const THashedStringList& all = store.Sections();
    for (int s = 0; s < all.Count() && s < 256; ++s) {
        const THashedStringList* lines = all.Lines(s);
        for (int i = 0; i < lines->Count() && i < 256; ++i) {
            const std::string& line = lines->Strings(i);
            const size_t eq = line.find('=');
            if (eq != std::string::npos) answers.push_back(store.GetValue(all.Strings(s), line.substr(0, eq), "?"));
        }
    }
    return answers;
}

}  // namespace

void FuzzIni(const uint8_t* data, size_t size) {
    const std::string path = ScratchFile("store.ini", data, size);
    TMemIniFile first(path);
    const std::vector<std::string> answers = LookUps(first);
    const std::string text = first.FileText();
    first.SaveFile();

    const TMemIniFile second(path);
    Check(second.FileText() == text, "a saved store reads back as another text");
    Check(LookUps(second) == answers, "a saved store answers a look-up differently");

    // A value taken from the input, set where the program sets values, saved and read back.
    const size_t take = std::min<size_t>(size, 40);
    const std::string value(reinterpret_cast<const char*>(data) + (size - take), take);
    TMemIniFile third(path);
    third.SetValue("info", "count", value);
    third.SetValue("1", "opis", value);
    third.SaveFile();
    const TMemIniFile fourth(path);
    if (value.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos) {
        const std::string expected(TrimBlanks(value));
        Check(fourth.GetValue("info", "count", "?") == expected, "a value set under [info] reads back changed");
        Check(fourth.GetValue("1", "opis", "?") == expected, "a value set under [1] reads back changed");
    }
}

}  // namespace velmora::fuzz
