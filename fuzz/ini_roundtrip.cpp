// INI files as people leave them, then one write: reading back gives what was
// written, and values the write does not name read as they did before.
#include <unistd.h>

#include <fstream>
#include <vector>

#include "fuzz_support.h"
#include "textutil/ini.h"

namespace {

using pelko::Text;

std::string folder;

// A name as the reader matches it: cut at a zero byte, leading bytes up to
// 0x20 skipped, trailing blanks cut, ASCII letters folded.  Only names of
// plain ASCII are folded; the probes never hold other bytes.
Text Matched(Text name, bool& ascii) {
    name = name.substr(0, name.find('\0'));
    size_t b = 0;
    while (b < name.size() && static_cast<unsigned char>(name[b]) <= 0x20) ++b;
    name.erase(0, b);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
    ascii = true;
    for (char& c : name) {
        if (static_cast<unsigned char>(c) >= 0x80) ascii = false;
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return name;
}

bool SameName(const Text& a, const Text& b) {
    bool asciiA, asciiB;
    Text ma = Matched(a, asciiA), mb = Matched(b, asciiB);
    return asciiA && asciiB && ma == mb;
}

// Names for the probes: short, plain and often equal to names in the file.
Text ProbeName(FuzzedDataProvider& in) {
    static const char* const kNames[] = {"Pelko", "config", "a", "B", "key", "Services", "x y"};
    if (in.ConsumeBool()) return kNames[in.ConsumeIntegralInRange<size_t>(0, 6)];
    Text name;
    for (char c : in.ConsumeRandomLengthString(6))
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) name += c;
    return name.empty() ? Text("p") : name;
}

void PutFile(const std::string& path, const std::string& bytes) {
    // A new file put in place, as an editor does, so the old one's stamp
    // can never be mistaken for it.
    const std::string temp = path + ".new";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    FUZZ_CHECK(std::rename(temp.c_str(), path.c_str()) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    folder = pelko::fuzz::ScratchFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const int mode = in.ConsumeIntegralInRange<int>(0, 3);  // 0,1 value; 2 key removed; 3 section removed
    struct Probe {
        Text section, key, before;
    };
    std::vector<Probe> probes(in.ConsumeIntegralInRange<size_t>(0, 4));
    for (Probe& p : probes) {
        p.section = ProbeName(in);
        p.key = ProbeName(in);
    }
    const Text section = in.ConsumeRandomLengthString(24);
    const Text key = in.ConsumeRandomLengthString(24);
    Text value = in.ConsumeRandomLengthString(mode == 1 ? 12000 : 200);
    const std::string file = folder + "/t.ini";
    PutFile(file, in.ConsumeRemainingBytesAsString());

    const Text absent = "\x01(absent)";
    for (Probe& p : probes) p.before = pelko::ReadIniValue(file, p.section, p.key, absent);

    bool written;
    if (mode <= 1) written = pelko::WriteIniValue(file, section, key, value);
    else if (mode == 2) written = pelko::WriteIniValue(file, section, key);
    else written = pelko::WriteIniValue(file, section);
    if (!written) return 0;

    if (mode <= 1) {
        Text expected = value.substr(0, value.find('\0')).substr(0, 10239);
        FUZZ_CHECK(pelko::ReadIniValue(file, section, key, absent) == expected);
    } else if (mode == 2) {
        FUZZ_CHECK(pelko::ReadIniValue(file, section, key, absent) == absent);
    }
    for (const Probe& p : probes) {
        bool touched = SameName(p.section, section) && (mode == 3 || SameName(p.key, key));
        if (!touched) FUZZ_CHECK(pelko::ReadIniValue(file, p.section, p.key, absent) == p.before);
    }
    return 0;
}
