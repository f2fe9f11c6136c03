// The sign list (znaki.txt) and the caption rule on arbitrary bytes: the list as the program loads it,
// the captions of descriptions found in it and of descriptions that are not, and the list's own round
// trip (the lines it writes split back into the same lines).
#include <string>
#include <string_view>
#include <vector>

#include "app/data_set.h"
#include "tests/fuzz/fuzz_targets.h"
#include "text/string_list.h"

namespace velmora::fuzz {

namespace {

// The descriptions a catalogue could hold for this list: what stands before each ".jpg", the first
// field of each line, and a few that hostile hotspot files carry.
std::vector<std::string> Descriptions(const TStringList& list) {
    std::vector<std::string> names{"", "A-1", "../../outside", "/etc/passwd", std::string(300, 'x'), std::string(1, '\0')};
    for (int i = 0; i < list.Count() && i < 64; ++i) {
        const std::string& line = list.Strings(i);
        const size_t jpg = line.find(".jpg");
        if (jpg != std::string::npos) names.push_back(line.substr(0, jpg));
        names.push_back(line.substr(0, line.find('\t')));
    }
    return names;
}

}  // namespace

void FuzzSignList(const uint8_t* data, size_t size) {
    const std::string path = ScratchFile("znaki.txt", data, size);
    TStringList list;
    list.LoadLines(path);
    for (const std::string& line : list.Lines())
        Check(line.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos, "a line holds a line break or NUL");

    for (const std::string& d : Descriptions(list)) {
        const std::string caption = GetOpis(list, d);
        // A caption is always the tail of a line of the list.
        if (caption.empty()) continue;
        bool found = false;
        for (const std::string& line : list.Lines())
            if (line.size() >= caption.size() && line.compare(line.size() - caption.size(), caption.size(), caption) == 0)
                found = true;
        Check(found, "a caption that no line of the list ends with");
    }

    const std::vector<std::string> again = SplitTextLines(list.JoinLines());
    Check(again == list.Lines(), "the lines written split back into other lines");
    list.SaveLines(path);
    TStringList reloaded;
    reloaded.LoadLines(path);
    Check(reloaded.Lines() == list.Lines(), "a saved list reads back changed");
}

}  // namespace velmora::fuzz
