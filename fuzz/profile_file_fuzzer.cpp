// The INI reader and its write-back. Input: the file's bytes, optionally
// followed by a line "#writes" and lines "section<TAB>key<TAB>value", each a
// write. Whatever the file holds: a value written reads back exactly, before
// and after the commit; other keys keep their values; what the commit puts on
// disk reads as what was in memory; a second commit changes nothing.

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/text.h"
#include "fuzz_support.h"
#include "settings/profile_file.h"

namespace tarnfold::fuzz {
namespace {

struct Write {
    std::string section, key, value;
};

// Names as the program writes them: UTF-8 that reads back as the same name.
bool UsableName(const std::string& name) {
    if (name.empty() || Trim(name) != name || ReplaceBrokenUtf8(name) != name) return false;
    return name.find_first_of("=[];\r\n") == std::string::npos;
}

std::vector<Write> ParseWrites(std::string_view text) {
    std::vector<Write> writes;
    for (std::string_view line : SplitAt(text, "\n")) {
        const auto fields = SplitAt(line, "\t");
        if (fields.size() < 3 || writes.size() >= 64) continue;
        Write w{std::string(fields[0]), std::string(fields[1]), ReplaceBrokenUtf8(fields[2])};
        if (UsableName(w.section) && UsableName(w.key)) writes.push_back(std::move(w));
    }
    return writes;
}

std::string OneLine(std::string value) {
    for (char& c : value)
        if (c == '\r' || c == '\n') c = ' ';
    return value;
}

constexpr std::string_view kAbsent =
    "\x01"
    "absent";

using Probe = std::pair<std::string, std::string>;

std::string Read(const ProfileFile& ini, const Probe& p) { return ini.ReadString(p.first, p.second, kAbsent); }

}  // namespace
}  // namespace tarnfold::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarnfold;
    using namespace tarnfold::fuzz;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    constexpr std::string_view kMarker = "\n#writes\n";
    const std::size_t marker = input.rfind(kMarker);
    const std::string_view file = input.substr(0, marker);
    const std::vector<Write> writes =
        marker == std::string_view::npos ? std::vector<Write>{} : ParseWrites(input.substr(marker + kMarker.size()));

    ClearScratch();
    const std::string path = (ScratchFolder() / "a.ini").string();
    WriteFile(path, file);

    std::vector<Probe> probes = {{"REPORT", "Forma"}, {"REPORT", "LPU"}, {"BASE", "PathBase"}, {"S", "K"}};
    for (const Write& w : writes) probes.emplace_back(w.section, w.key);

    ProfileFile ini(path);
    std::map<Probe, std::string> before;
    for (const Probe& p : probes) before[p] = Read(ini, p);

    // The last value written to each key, keys told apart as the reader does.
    std::map<Probe, std::string> expected;
    for (const Write& w : writes) {
        ini.WriteString(w.section, w.key, w.value);
        const std::string value = OneLine(w.value);
        expected[{FoldCase(w.section), FoldCase(w.key)}] = value;
        Check(ini.ReadString(w.section, w.key, kAbsent) == value, "a value written reads back at once");
        Check(ini.SectionExists(w.section), "a section written to exists");
    }
    std::map<Probe, std::string> inMemory;
    for (const Probe& p : probes) {
        const auto written = expected.find({FoldCase(p.first), FoldCase(p.second)});
        const std::string value = Read(ini, p);
        Check(value == (written != expected.end() ? written->second : before[p]),
              "a value reads as last written, or as before when not written");
        inMemory[p] = value;
    }

    ini.Commit();
    const std::string committed = ReadFile(path);
    const ProfileFile back(path);
    for (const Probe& p : probes) {
        Check(Read(back, p) == inMemory[p], "the file on disk reads as the values in memory");
        Check(back.SectionExists(p.first) == ini.SectionExists(p.first), "sections survive the commit");
    }

    ProfileFile again(path);
    again.Commit();
    Check(ReadFile(path) == committed, "a file read and committed unchanged stays as it is");
    return 0;
}
