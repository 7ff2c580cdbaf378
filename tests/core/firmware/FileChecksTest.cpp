#include "firmware/FileChecks.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <tuple>

#include "settings/SettingsKeys.h"
#include "tests/core/firmware/FileTestHelpers.h"
#include "tests/support/RecordingReporter.h"
#include "tests/support/TempDir.h"

namespace quillon {
namespace {

using test::RecordingReporter;

using Validator = std::function<int32_t(const std::string&, bool, ErrorReporter&)>;

constexpr const char* kCommMarker = "Comm is in Bank0";
constexpr const char* kReaderMarker = "EESegFlags != AMD_ALL_BANKS_VALID";
constexpr uint64_t kContentOffset = 40000;  // inside every file that can pass the size test

Validator ValidatorFor(const std::string& kind) {
    return kind == "COMM"     ? ValidateCommFile
           : kind == "READER" ? ValidateReaderFile
                              : ValidateSpeechFile;
}

struct ValidateCase {
    const char* kind;
    bool validate;
    uint64_t size;
    std::string content;  // put at kContentOffset
    int32_t blocks = 0;   // the result when accepted
    int error = 0;        // 0: accepted
    const char* text = "";
};

// The size errors end with the size and the limits of the kind.
std::string SizeError(const char* what, uint64_t size, const char* limits) {
    return std::string("File size test failed.\n\n") + what + "\n\n" + std::to_string(size) +
           " bytes; " + limits;
}

TEST(FileChecksTest, BoardFilesBySizeAndContent) {
    const char* board = "a COMM file is 64 to 512 KiB (65536 to 524288 bytes) in whole KiB.";
    const char* speech = "a SPEECH file is 300 to 6144 KiB (307200 to 6292479 bytes).";
    const std::string tooSmall = SizeError("COMM File is too small", 65535, board);
    const std::string tooLarge = SizeError("COMM File is too large", 525312, board);
    const std::string tooLargeToRead =
        SizeError("COMM File is too large", 4294967296ull + 65536, board);
    const std::string notMultiple = SizeError("COMM File is not a multiple of 1024", 524289, board);
    const std::string speechSmall = SizeError("SPEECH File is too small", 307199, speech);
    const std::string speechLarge = SizeError("SPEECH File is too large", 6292480, speech);
    const ValidateCase cases[] = {
        {"COMM", true, 65535, kCommMarker, 0, 105, tooSmall.c_str()},
        {"COMM", true, 65536, kCommMarker, 32},
        {"COMM", true, 524288, kCommMarker, 480},
        {"COMM", true, 524289, kCommMarker, 0, 105, notMultiple.c_str()},
        {"COMM", true, 525312, kCommMarker, 0, 105, tooLarge.c_str()},
        // Beyond 4 GB the size is not cut to 32 bits: 4 GB + 64 KB is too large, not 64 KB.
        {"COMM", true, 4294967296ull + 65536, kCommMarker, 0, 105, tooLargeToRead.c_str()},
        {"READER", true, 65536, kReaderMarker, 32},
        {"SPEECH", true, 307199, "", 0, 107, speechSmall.c_str()},
        {"SPEECH", true, 307200, "", 300},
        {"SPEECH", true, 6292479, "", 6144},
        {"SPEECH", true, 6292480, "", 0, 107, speechLarge.c_str()},
        // The marker in any case, as 16-bit text, or with NULs inside.
        {"COMM", true, 65536, "COMM IS IN BANK0", 32},
        {"COMM", true, 65536, test::Wide(kCommMarker), 32},
        {"COMM", true, 65536, std::string("Comm is\0\0 in Ba\0nk0", 19), 32},
        // The other board's marker, and all but the last letter of the right one, do not count.
        {"COMM", true, 131072, kReaderMarker + std::string(" Comm is in Bank"), 0, 120,
         "The file is not a valid \"COMM\" file!"},
        {"READER", true, 131072, kCommMarker + std::string(" EESegFlags != AMD_ALL_BANKS_VALI"), 0,
         121, "The file is not a valid \"READER\" file!"},
        // Unvalidated, any size passes and counts the whole blocks after the boot area.
        {"COMM", false, 0, ""},
        {"COMM", false, 32768, ""},
        {"COMM", false, 40000, "", 7},
        {"COMM", false, 525312, "", 481},
        {"READER", false, 33792, "", 1},
        {"SPEECH", false, 1023, ""},
        {"SPEECH", false, 6292480, "", 6145},
        // What no board takes is not read into memory, validated or not.
        {"SPEECH", false, 4398046511104ull, "", 0, 102,
         "Failed to open file!\n\nLarger than 64 MiB (4398046511104 bytes)."},
    };
    test::TempDir dir;
    for (const ValidateCase& c : cases) {
        SCOPED_TRACE(std::string(c.kind) + " " + std::to_string(c.size) + " " + c.content);
        const std::string path = test::MakeSizedFile(dir.File("f.bin"), c.size);
        if (!c.content.empty()) {
            test::PutBytes(path, kContentOffset, c.content);
        }
        RecordingReporter errors;
        EXPECT_EQ(ValidatorFor(c.kind)(path, c.validate, errors),
                  c.error == 0 ? c.blocks : kFileRejected);
        EXPECT_EQ(errors.shown,
                  c.error == 0 ? "" : std::to_string(c.error) + " " + path + ": " + c.text + "\n");
    }
}

#ifndef _WIN32  // FIFOs, links and /dev/zero
TEST(FileChecksTest, ValidatedOrNotABoardFileMustOpenAndTheErrorSaysWhy) {
    test::TempDir dir;
    ASSERT_EQ(::mkfifo(dir.File("fifo.bin").c_str(), 0600), 0);
    ASSERT_TRUE(std::filesystem::create_directory(dir.File("folder.bin")));
    std::filesystem::create_symlink(dir.File("gone.bin"), dir.File("link.bin"));
    const char* notRegular = "Not a regular file (a FIFO, device or socket).";
    const std::pair<std::string, const char*> notFiles[] = {
        {dir.File("missing.bin"), "No such file."},
        {dir.File("fifo.bin"), notRegular},
        {dir.File("folder.bin"), "A folder, not a file."},
        {dir.File("link.bin"), "A link to a file that does not exist."},
        {"/dev/zero", notRegular},
        {dir.Dir() + std::string(300, 'n') + ".bin", "File name too long."}};
    const std::pair<const char*, int> kinds[] = {{"COMM", 100}, {"READER", 101}, {"SPEECH", 102}};
    for (const auto& [kind, openError] : kinds) {
        for (const auto& [path, why] : notFiles) {
            for (bool validate : {false, true}) {
                SCOPED_TRACE(std::string(kind) + " " + path + " " + std::to_string(validate));
                RecordingReporter errors;
                EXPECT_EQ(ValidatorFor(kind)(path, validate, errors), kFileRejected);
                EXPECT_EQ(errors.shown, std::to_string(openError) + " " + path +
                                            ": Failed to open file!\n\n" + why + "\n");
            }
        }
    }
}
#endif

// The search reads W - L fresh bytes per window (W = max(2L, 128)), so read k covers the file
// offsets [k(W-L), (k+1)(W-L)). Each text, plain and as 16-bit characters (2L bytes, more than
// the L carried into the next window: NULs are dropped before the carry), is put on every offset
// across two such boundaries.
TEST(FileChecksTest, MarkerStraddlingTwoReadsIsFound) {
    const std::string texts[] = {kCommMarker, "Tamarack Line Railroad", kReaderMarker,
                                 std::string(100, 'Q') + "!"};
    test::TempDir dir;
    for (const std::string& text : texts) {
        const uint64_t fresh = std::max<uint64_t>(2 * text.size(), 128) - text.size();
        for (const std::string& form : {text, test::Wide(text)}) {
            for (uint64_t boundary : {fresh, 7 * fresh}) {
                for (uint64_t at = boundary - std::min(boundary, form.size()); at <= boundary;
                     ++at) {
                    SCOPED_TRACE(text + " at " + std::to_string(at) + " of " +
                                 std::to_string(form.size()));
                    const std::string path = dir.Write("s.bin", std::string(8 * fresh, 'x'));
                    test::PutBytes(path, at, form);
                    EXPECT_TRUE(FileContainsText(path, text));
                }
            }
        }
    }
}

TEST(FileChecksTest, FileContainsTextEdges) {
    test::TempDir dir;
    std::string path = dir.Write("t.bin", std::string("abc\0def", 7));
    EXPECT_FALSE(FileContainsText(path, ""));
    EXPECT_TRUE(FileContainsText(path, "ABCDEF"));
    EXPECT_TRUE(FileContainsText(path, "f"));
    EXPECT_FALSE(FileContainsText(path, "abcdefg"));
    EXPECT_FALSE(FileContainsText(dir.File("missing"), "abc"));
    EXPECT_FALSE(FileContainsText(dir.Write("empty", ""), "abc"));
    // The marker at the very end of a file whose last read is short.
    std::string tail = test::MakeSizedFile(dir.File("tail.bin"), 1000);
    test::PutBytes(tail, 1000 - 16, kCommMarker);
    EXPECT_TRUE(FileContainsText(tail, kCommMarker));
    // Blanks carried into the first window must not complete a marker that starts with text.
    EXPECT_FALSE(FileContainsText(dir.Write("lead.bin", "Line Railroad"), " Line Railroad!"));
}

TEST(FileChecksTest, ExtensionRule) {
    const std::tuple<const char*, bool, bool> cases[] = {
        // path, KX2 mode, accepted
        {"/home/t/COMM.BIN", false, true}, {"/home/t/x.bin/comm.txt", false, true},  // anywhere
        {"/home/t/comm.bn", false, false}, {"/home/t/comm.kx", false, false},
        {"/home/t/UNIT.KX2", true, true},  {"/home/t/unit.bin", true, false}};
    for (const auto& [path, kx2Mode, accepted] : cases) {
        SCOPED_TRACE(path);
        EXPECT_EQ(HasProgramFileExtension(path, kx2Mode), accepted);
        RecordingReporter errors;
        EXPECT_EQ(CheckProgramFileExtension(path, kx2Mode, errors), accepted);
        const std::string rule = kx2Mode ? "KX2 files have a \".kx\" file extension."
                                         : "Program files have a \".bin\" file extension.";
        EXPECT_EQ(errors.shown,
                  accepted ? "" : "210 -: \n\nIncorrect file type selected\n" + rule + "\n");
    }
}

TEST(FileChecksTest, TamarackMarkerPerKind) {
    test::TempDir dir;
    std::string comm = dir.Write("c.bin", "..TAMARACK LINE RAILROAD..");
    std::string reader = dir.Write("r.bin", test::Wide("built #2101/01/01"));
    EXPECT_TRUE(SearchTamarackMarker(comm, FileKind::kComm));
    EXPECT_FALSE(SearchTamarackMarker(comm, FileKind::kReader));
    EXPECT_TRUE(SearchTamarackMarker(reader, FileKind::kReader));
    EXPECT_FALSE(SearchTamarackMarker(reader, FileKind::kComm));
    EXPECT_FALSE(SearchTamarackMarker(comm, FileKind::kSpeech));
    std::string error;
    EXPECT_TRUE(ImageHasTamarackMarker(*ReadFirmwareImage(reader, &error), FileKind::kReader));
}

TEST(FileChecksTest, TamarackSettingChangesOnlyWhenItDiffers) {
    test::TempDir dir;
    IniFile ini(dir.File("Quillon.ini"));
    EXPECT_FALSE(UpdateTamarackSetting(false, ini)) << "missing key reads as 0";
    EXPECT_FALSE(ini.Exists()) << "nothing written when nothing changed";
    EXPECT_TRUE(UpdateTamarackSetting(true, ini));
    EXPECT_EQ(ini.Find("MISC", "Tamarack Line"), "1");
    EXPECT_FALSE(UpdateTamarackSetting(true, ini));
    ASSERT_TRUE(ini.WriteString("MISC", "Tamarack Line", "2"));
    EXPECT_TRUE(UpdateTamarackSetting(false, ini));
    EXPECT_EQ(ini.Find("MISC", "Tamarack Line"), "0");
}

}  // namespace
}  // namespace quillon
