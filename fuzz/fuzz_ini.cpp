// The settings file reader on arbitrary bytes: a settings file edited by hand, cut short by a
// full disk or overwritten by another program must read as values or defaults, never crash.
// After a write of a well-formed key the key must read back as written, whatever else the file
// held, and the rest of the file must be kept.
#include <cstdint>
#include <string>

#include "fuzz/FuzzInput.h"
#include "settings/IniDocument.h"
#include "settings/IniFile.h"

namespace {

using quillon::IniDocument;
using quillon::IniFile;
using quillon::fuzz::FuzzInput;

// A name the settings code could use: letters, digits, blanks inside and a few signs.
std::string NameFrom(const std::string& raw) {
    static constexpr char kAlphabet[] = "abcXYZ019 _-.#/";
    std::string name;
    for (char c : raw) {
        name.push_back(kAlphabet[static_cast<uint8_t>(c) % (sizeof kAlphabet - 1)]);
    }
    const size_t begin = name.find_first_not_of(' ');
    const size_t end = name.find_last_not_of(' ');
    return begin == std::string::npos ? "k" : name.substr(begin, end - begin + 1);
}

// A value without line breaks and without surrounding blanks or quotes, so it reads back as is.
std::string ValueFrom(const std::string& raw) {
    std::string value;
    for (char c : raw) {
        value.push_back(c == '\n' || c == '\r' || c == ' ' || c == '\t' || c == '"' || c == '\'' ||
                                c == '\v' || c == '\f'
                            ? '_'
                            : c);
    }
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const std::string section = NameFrom(in.ChunkText());
    const std::string key = NameFrom(in.ChunkText());
    const std::string value = ValueFrom(in.ChunkText());
    const std::vector<uint8_t> rest = in.Rest();
    const std::string text(rest.begin(), rest.end());

    // The in-memory document: lookups, then an edit that must read back and survive a reparse.
    IniDocument doc(text);
    (void)doc.Find(section, key);
    (void)IniFile::ParseInt(text);
    doc.Set(section, key, value);
    QUILLON_FUZZ_CHECK(doc.Find(section, key) == value);
    const std::string written = doc.Text();
    QUILLON_FUZZ_CHECK(IniDocument(written).Find(section, key) == value);

    // The same through a real file: read, write, read back; the file stays whole.
    const std::string path = quillon::fuzz::ScratchDir() + "Quillon.ini";
    quillon::fuzz::WriteFile(path, rest);
    IniFile ini(path);
    (void)ini.GetInt(section, key, 7);
    (void)ini.GetString(section, key, "def", 16);
    if (ini.WriteString(section, key, value)) {
        QUILLON_FUZZ_CHECK(ini.Find(section, key) == value);
    }
    return 0;
}
