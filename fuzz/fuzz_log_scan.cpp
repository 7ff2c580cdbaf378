// The log browser's folder scan on arbitrary file names (and a few folders and links), and the
// view/delete paths built from a name the user could type: the scan lists what it can and
// nothing else, and a delete never touches anything outside the Logs folder.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>

#include "fuzz/FuzzInput.h"
#include "records/LogFolderScan.h"

namespace {

namespace fs = std::filesystem;
using namespace quillon;

// Names the file system can hold: no '/', no NUL, at most 255 bytes, not "." or "..".
std::string Storable(std::string name) {
    std::replace(name.begin(), name.end(), '/', '_');
    std::replace(name.begin(), name.end(), '\0', '_');
    if (name.size() > 250) {
        name.resize(250);
    }
    if (name.empty() || name == "." || name == "..") {
        name += "x";
    }
    return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::FuzzInput in(data, size);
    const std::string app = fuzz::ScratchDir() + "scan/";
    const std::string logs = app + "Logs";
    std::error_code ec;
    fs::remove_all(app, ec);
    fs::create_directories(logs);
    const std::string outside = app + "History.txt";
    fuzz::WriteFile(outside, {'k', 'e', 'e', 'p'});

    size_t made = 0;
    for (int i = 0; i < 8 && !in.Empty(); ++i) {
        const uint8_t what = in.Byte();
        const std::string name = Storable(in.ChunkText());
        const std::string path = logs + "/" + name;
        if (what % 4 == 0) {
            fs::create_directory(path, ec);
        } else if (what % 4 == 1) {
            (void)::symlink("../History.txt", path.c_str());
        } else {
            (void)fuzz::TryWriteFile(path, in.Chunk(), true);
        }
        ++made;
    }
    const std::vector<LogFileRow> rows = ScanLogFiles(logs);
    QUILLON_FUZZ_CHECK(rows.size() <= made);
    for (const LogFileRow& row : rows) {
        (void)FormatLogDate(row);
        (void)FormatLogTime(row);
        (void)FormatLogSize(row);
        (void)MonthName(row.month);
        const std::string file = LogFilePath(logs, row.name);
        QUILLON_FUZZ_CHECK(file.empty() || file.rfind(logs + "/", 0) == 0);
    }

    // A name as typed: the path stays in the folder or is refused; a delete keeps the outside.
    const std::vector<uint8_t> typed = in.Rest();
    const std::string name(typed.begin(), typed.end());
    const std::string file = LogFilePath(logs, name);
    if (IsPlainLogName(name)) {
        QUILLON_FUZZ_CHECK(file == logs + "/" + name + ".txt");
        QUILLON_FUZZ_CHECK(name.find('/') == std::string::npos);
    } else {
        QUILLON_FUZZ_CHECK(file.empty());
    }
    (void)DeleteLogFile(logs, name);
    for (const LogFileRow& row : rows) {
        (void)DeleteLogFile(logs, row.name);
    }
    struct stat st {};
    QUILLON_FUZZ_CHECK(::stat(outside.c_str(), &st) == 0 && st.st_size == 4);
    QUILLON_FUZZ_CHECK(::stat(logs.c_str(), &st) == 0 && S_ISDIR(st.st_mode));
    return 0;
}
