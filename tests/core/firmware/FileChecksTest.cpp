#include "firmware/FileChecks.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "settings/SettingsKeys.h"
#include "tests/core/firmware/FileTestHelpers.h"
#include "tests/support/TempDir.h"

namespace quillon {
namespace {

struct Report {
    int number;
    std::optional<std::string> fileName;
    std::string text;
};

class RecordingReporter : public ErrorReporter {
  public:
    void ShowError(int number, const std::optional<std::string>& fileName,
                   const std::string& text) override {
        reports.push_back({number, fileName, text});
    }
    std::vector<Report> reports;
};

using Validator = std::function<int32_t(const std::string&, bool, ErrorReporter&)>;

constexpr const char* kCommMarker = "Comm is in Bank0";
constexpr const char* kReaderMarker = "EESegFlags != AMD_ALL_BANKS_VALID";
constexpr uint64_t kMarkerOffset = 40000;  // inside every file that can pass the size test

struct SizeCase {
    const char* kind;
    uint64_t size;
    int error;         // 0: accepted
    const char* text;  // the report's text when rejected
    int32_t blocks;    // the result when accepted
};

Validator ValidatorFor(const std::string& kind) {
    if (kind == "COMM") {
        return ValidateCommFile;
    }
    if (kind == "READER") {
        return ValidateReaderFile;
    }
    return ValidateSpeechFile;
}

const char* MarkerFor(const std::string& kind) {
    return kind == "COMM" ? kCommMarker : kind == "READER" ? kReaderMarker : "";
}

TEST(FileChecksTest, SizeBoundaries) {
    const SizeCase cases[] = {
        {"COMM", 65535, 105, "File size test failed.\n\nCOMM File is too small", 0},
        {"COMM", 65536, 0, nullptr, 32},
        {"COMM", 524288, 0, nullptr, 480},
        {"COMM", 524289, 105, "File size test failed.\n\nCOMM File is not a multiple of 1024", 0},
        {"COMM", 525312, 105, "File size test failed.\n\nCOMM File is too large", 0},
        {"READER", 65535, 106, "File size test failed.\n\nREADER File is too small", 0},
        {"READER", 65536, 0, nullptr, 32},
        {"READER", 524288, 0, nullptr, 480},
        {"READER", 524289, 106, "File size test failed.\n\nREADER File is not a multiple of 1024",
         0},
        {"READER", 525312, 106, "File size test failed.\n\nREADER File is too large", 0},
        {"SPEECH", 307199, 107, "File size test failed.\n\nSPEECH File is too small", 0},
        {"SPEECH", 307200, 0, nullptr, 300},
        {"SPEECH", 6292479, 0, nullptr, 6144},
        {"SPEECH", 6292480, 107, "File size test failed.\n\nSPEECH File is too large", 0},
        // Beyond 4 GB the size is not cut to 32 bits: 4 GB + 64 KB is too large, not 64 KB.
        {"COMM", 4294967296ull + 65536, 105, "File size test failed.\n\nCOMM File is too large", 0},
    };
    test::TempDir dir;
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(std::string(c.kind) + " " + std::to_string(c.size));
        std::string path = test::MakeSizedFile(dir.File("f.bin"), c.size);
        if (*MarkerFor(c.kind) != '\0') {
            test::PutBytes(path, kMarkerOffset, MarkerFor(c.kind));
        }
        RecordingReporter errors;
        int32_t result = ValidatorFor(c.kind)(path, true, errors);
        if (c.error == 0) {
            EXPECT_EQ(result, c.blocks);
            EXPECT_TRUE(errors.reports.empty());
        } else {
            EXPECT_EQ(result, kFileRejected);
            ASSERT_EQ(errors.reports.size(), 1u);
            EXPECT_EQ(errors.reports[0].number, c.error);
            EXPECT_EQ(errors.reports[0].fileName, path);
            EXPECT_EQ(errors.reports[0].text, c.text);
        }
    }
}

TEST(FileChecksTest, MarkerFormsThatPassTheContentTest) {
    const std::string forms[] = {
        "xx Comm is in Bank0 yy",
        "COMM IS IN BANK0",
        "comm is in bank0",
        test::Wide("Comm is in Bank0"),
        std::string("Comm is\0\0 in Ba\0nk0", 19),
    };
    test::TempDir dir;
    for (const std::string& form : forms) {
        SCOPED_TRACE(form);
        std::string path = test::MakeSizedFile(dir.File("c.bin"), 65536);
        test::PutBytes(path, kMarkerOffset, form);
        RecordingReporter errors;
        EXPECT_EQ(ValidateCommFile(path, true, errors), 32);
        EXPECT_TRUE(errors.reports.empty());
    }
}

TEST(FileChecksTest, MissingMarkerIsReported) {
    test::TempDir dir;
    struct Case {
        const char* kind;
        const char* otherMarker;
        int error;
        const char* text;
    } cases[] = {
        {"COMM", kReaderMarker, 120, "The file is not a valid \"COMM\" file!"},
        {"READER", kCommMarker, 121, "The file is not a valid \"READER\" file!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        std::string path = test::MakeSizedFile(dir.File("m.bin"), 131072);
        test::PutBytes(path, kMarkerOffset, c.otherMarker);
        // All but the last letter of the right marker must not count either.
        std::string cut = MarkerFor(c.kind);
        test::PutBytes(path, 90000, cut.substr(0, cut.size() - 1));
        RecordingReporter errors;
        EXPECT_EQ(ValidatorFor(c.kind)(path, true, errors), kFileRejected);
        ASSERT_EQ(errors.reports.size(), 1u);
        EXPECT_EQ(errors.reports[0].number, c.error);
        EXPECT_EQ(errors.reports[0].fileName, path);
        EXPECT_EQ(errors.reports[0].text, c.text);
    }
}

// The search reads W - L fresh bytes per window (W = max(2L, 128)), so read k covers the file
// offsets [k(W-L), (k+1)(W-L)). Markers are placed on every offset across two such boundaries.
TEST(FileChecksTest, MarkerStraddlingTwoReadsIsFound) {
    const std::string texts[] = {"Comm is in Bank0", "Tamarack Line Railroad",
                                 "EESegFlags != AMD_ALL_BANKS_VALID", std::string(100, 'Q') + "!"};
    test::TempDir dir;
    for (const std::string& text : texts) {
        const uint64_t l = text.size();
        const uint64_t fresh = std::max<uint64_t>(2 * l, 128) - l;
        for (uint64_t boundary : {fresh, 7 * fresh}) {
            for (uint64_t offset = boundary - l; offset <= boundary; ++offset) {
                SCOPED_TRACE(text + " at " + std::to_string(offset));
                std::string path = test::MakeSizedFile(dir.File("s.bin"), 20 * fresh);
                test::PutBytes(path, offset, text);
                EXPECT_TRUE(FileContainsText(path, text));
            }
        }
    }
}

// A 16-bit marker spans 2L bytes, more than the L carried into the next window: the search must
// carry the last L characters (NULs dropped), or a COMM file whose wide marker happens to cross
// a read boundary is rejected as "not a valid COMM file".
TEST(FileChecksTest, WideMarkerStraddlingTwoReadsIsFound) {
    const std::string texts[] = {"Comm is in Bank0", "Tamarack Line Railroad",
                                 "EESegFlags != AMD_ALL_BANKS_VALID"};
    test::TempDir dir;
    for (const std::string& text : texts) {
        const uint64_t l = text.size();
        const uint64_t fresh = std::max<uint64_t>(2 * l, 128) - l;
        const std::string wide = test::Wide(text);
        for (uint64_t offset = fresh - wide.size(); offset <= fresh; ++offset) {
            SCOPED_TRACE(text + " at " + std::to_string(offset));
            const std::string path = dir.Write("w.bin", std::string(4 * fresh, 'x'));
            test::PutBytes(path, offset, wide);
            EXPECT_TRUE(FileContainsText(path, text));
        }
    }
    // The same through the content test of a whole COMM file.
    const std::string path = dir.Write("c.bin", std::string(65536, 'x'));
    test::PutBytes(path, 90, test::Wide(kCommMarker));
    RecordingReporter errors;
    EXPECT_EQ(ValidateCommFile(path, true, errors), 32);
    EXPECT_TRUE(errors.reports.empty());
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
    test::PutBytes(tail, 1000 - 16, "Comm is in Bank0");
    EXPECT_TRUE(FileContainsText(tail, kCommMarker));
    // Blanks carried into the first window must not complete a marker that starts with text.
    EXPECT_FALSE(FileContainsText(dir.Write("lead.bin", "Line Railroad"), " Line Railroad!"));
}

#ifndef _WIN32  // FIFOs and /dev/zero
TEST(FileChecksTest, ValidateOffStillNeedsAnOpenableFile) {
    test::TempDir dir;
    ASSERT_EQ(::mkfifo(dir.File("fifo.bin").c_str(), 0600), 0);
    ASSERT_TRUE(std::filesystem::create_directory(dir.File("folder.bin")));
    const std::string notFiles[] = {dir.File("missing.bin"), dir.File("fifo.bin"),
                                    dir.File("folder.bin"), "/dev/zero",
                                    dir.Dir() + std::string(300, 'n') + ".bin"};
    struct Kind {
        const char* name;
        int openError;
    } kinds[] = {{"COMM", 100}, {"READER", 101}, {"SPEECH", 102}};
    for (const Kind& kind : kinds) {
        for (const std::string& path : notFiles) {
            for (bool validate : {false, true}) {
                SCOPED_TRACE(std::string(kind.name) + " " + path + " validate " +
                             std::to_string(validate));
                RecordingReporter errors;
                EXPECT_EQ(ValidatorFor(kind.name)(path, validate, errors), kFileRejected);
                ASSERT_EQ(errors.reports.size(), 1u);
                EXPECT_EQ(errors.reports[0].number, kind.openError);
                EXPECT_EQ(errors.reports[0].fileName, path);
                EXPECT_EQ(errors.reports[0].text, "Failed to open file!");
            }
        }
    }
}
#endif

TEST(FileChecksTest, ValidateOffAcceptsAnySize) {
    test::TempDir dir;
    struct Case {
        const char* kind;
        uint64_t size;
        int32_t blocks;
    } cases[] = {
        {"COMM", 0, 0},
        {"COMM", 100, 0},
        {"COMM", 32768, 0},
        {"COMM", 40000, 7},
        {"COMM", 525312, 481},
        {"READER", 1, 0},
        {"READER", 33792, 1},
        {"SPEECH", 0, 0},
        {"SPEECH", 1023, 0},
        {"SPEECH", 2048, 2},
        {"SPEECH", 6292480, 6145},
        // Only a count that would not fit 31 bits is held, never wrapped to -1.
        {"SPEECH", 4398046511104ull, 2147483647},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.kind) + " " + std::to_string(c.size));
        std::string path = test::MakeSizedFile(dir.File("any.bin"), c.size);
        RecordingReporter errors;
        EXPECT_EQ(ValidatorFor(c.kind)(path, false, errors), c.blocks);
        EXPECT_TRUE(errors.reports.empty());
    }
}

TEST(FileChecksTest, GetFileErrorText) {
    EXPECT_STREQ(GetFileErrorText(110), "Failed to open file");
    EXPECT_STREQ(GetFileErrorText(111), "File is too small");
    EXPECT_STREQ(GetFileErrorText(112), "File is too large");
    EXPECT_STREQ(GetFileErrorText(113), "File is not a multiple of 1024");
    for (int code : {0, 109, 114, -1}) {
        EXPECT_STREQ(GetFileErrorText(code), "Unknown Error!");
    }
}

TEST(FileChecksTest, ExtensionRule) {
    struct Case {
        const char* path;
        bool kx2Mode;
        bool accepted;
    } cases[] = {
        {"/home/t/comm.bin", false, true},
        {"/home/t/COMM.BIN", false, true},
        {"/home/t/x.bin/comm.txt", false, true},  // ".bin" in a folder name counts
        {"/home/t/comm.bin.bak", false, true},
        {"/home/t/comm.bn", false, false},
        {"/home/t/comm.kx", false, false},
        {"/home/t/unit.kx", true, true},
        {"/home/t/UNIT.KX2", true, true},
        {"/home/t/unit.bin", true, false},
        {"", true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(HasProgramFileExtension(c.path, c.kx2Mode), c.accepted);
        RecordingReporter errors;
        EXPECT_EQ(CheckProgramFileExtension(c.path, c.kx2Mode, errors), c.accepted);
        if (c.accepted) {
            EXPECT_TRUE(errors.reports.empty());
            continue;
        }
        ASSERT_EQ(errors.reports.size(), 1u);
        EXPECT_EQ(errors.reports[0].number, 210);
        EXPECT_EQ(errors.reports[0].fileName, std::nullopt);
        EXPECT_EQ(errors.reports[0].text,
                  c.kx2Mode
                      ? "\n\nIncorrect file type selected\nKX2 files have a \".kx\" file extension."
                      : "\n\nIncorrect file type selected\nProgram files have a \".bin\" file "
                        "extension.");
    }
}

TEST(FileChecksTest, Kx2FileCheck) {
    test::TempDir dir;
    ASSERT_TRUE(std::filesystem::create_directory(dir.File("folder.kx")));
    const std::string rejected[] = {dir.Write("empty.kx", ""), dir.File("missing.kx"),
                                    dir.File("folder.kx")};
    for (const std::string& path : rejected) {
        SCOPED_TRACE(path);
        RecordingReporter errors;
        EXPECT_FALSE(CheckKx2File(path, errors));
        ASSERT_EQ(errors.reports.size(), 1u);
        EXPECT_EQ(errors.reports[0].number, 101);
        EXPECT_EQ(errors.reports[0].fileName, path);
        EXPECT_EQ(errors.reports[0].text, "Failed to open file!");
    }
    RecordingReporter errors;
    EXPECT_TRUE(CheckKx2File(dir.Write("one.kx", "x"), errors));
    EXPECT_TRUE(CheckKx2File(test::MakeSizedFile(dir.File("odd.kx"), 12345), errors));
    EXPECT_TRUE(errors.reports.empty());
}

TEST(FileChecksTest, TamarackMarkerPerKind) {
    test::TempDir dir;
    std::string comm = dir.Write("c.bin", "..TAMARACK LINE RAILROAD..");
    std::string reader = dir.Write("r.bin", test::Wide("built #2101/01/01"));
    EXPECT_TRUE(SearchTamarackMarker(comm, kKindComm));
    EXPECT_FALSE(SearchTamarackMarker(comm, kKindReader));
    EXPECT_TRUE(SearchTamarackMarker(reader, kKindReader));
    EXPECT_FALSE(SearchTamarackMarker(reader, kKindComm));
    EXPECT_FALSE(SearchTamarackMarker(comm, kKindSpeech));
    EXPECT_FALSE(SearchTamarackMarker(dir.File("missing"), kKindComm));
}

TEST(FileChecksTest, TamarackSettingChangesOnlyWhenItDiffers) {
    test::TempDir dir;
    IniFile ini(dir.File("Quillon.ini"));
    EXPECT_FALSE(UpdateTamarackSetting(false, ini)) << "missing key reads as 0";
    EXPECT_FALSE(ini.Exists()) << "nothing written when nothing changed";
    EXPECT_TRUE(UpdateTamarackSetting(true, ini));
    EXPECT_EQ(ini.Find("MISC", "Tamarack Line"), "1");
    EXPECT_FALSE(UpdateTamarackSetting(true, ini));
    EXPECT_TRUE(UpdateTamarackSetting(false, ini));
    EXPECT_EQ(ini.Find("MISC", "Tamarack Line"), "0");
    ASSERT_TRUE(ini.WriteString("MISC", "Tamarack Line", "2"));
    EXPECT_TRUE(UpdateTamarackSetting(true, ini));
    EXPECT_EQ(ini.Find("MISC", "Tamarack Line"), "1");
}

}  // namespace
}  // namespace quillon
