// The upload session: the steps of Start that the desktop and the command line share, and a run
// that is stopped and waited for.
#include "session/UploadSession.h"

#include <gtest/gtest.h>

#include "settings/SettingsKeys.h"
#include "tests/support/RecordingReporter.h"
#include "tests/support/TempDir.h"

namespace quillon {
namespace {

TEST(UploadSession, RemembersOnlyGivenPathsLongerThanOneCharacter) {
    test::TempDir dir;
    IniFile ini(dir.File("Quillon.ini"));
    settings::Write(ini, settings::kFileComm, std::string("/old/comm.bin"));
    UploadSession::RememberFiles({std::nullopt, "r2", "s"}, ini);
    EXPECT_EQ(settings::Read(ini, settings::kFileComm), "/old/comm.bin");
    EXPECT_EQ(settings::Read(ini, settings::kFileReader), "r2");
    EXPECT_EQ(settings::Read(ini, settings::kFileSpeech), "");
}

TEST(UploadSession, TypedPortReplacesTheSettingsButADeviceKeepsTheirSlot) {
    test::TempDir dir;
    IniFile ini(dir.File("Quillon.ini"));
    settings::Write(ini, settings::kPortNumber, 4);
    settings::Write(ini, settings::kPortDevice, std::string("/dev/ttyS3"));
    const struct {
        std::optional<PortName> typed;
        int number;
        std::string device;
    } rows[] = {{std::nullopt, 4, "/dev/ttyS3"},
                {PortName{7, ""}, 7, ""},
                {PortName{0, "/dev/ttyUSB0"}, 4, "/dev/ttyUSB0"},
                {PortName{256, ""}, 256, ""},
                {PortName{257, ""}, 1, ""}};
    for (const auto& row : rows) {
        const PortName port = UploadSession::ChoosePort(ini, row.typed);
        EXPECT_EQ(port.portNumber, row.number) << row.device;
        EXPECT_EQ(port.device, row.device);
    }
}

// Each file is read once and checked as read; what passes comes back as the images the upload
// sends. Rows: the files (COMM or .kx, READER, SPEECH: a size, or -1 for none), the mode and
// validate flag, then the reports, one line each.
TEST(UploadSession, FilesAreReadOnceCheckedAndHandedOnOrRefusedWithTheReason) {
    test::TempDir dir;
    IniFile ini(dir.File("Quillon.ini"));
    const std::string name49 = std::string(46, 'n') + ".kx";
    const std::string name50 = "x" + name49;
    struct Row {
        const char* name;
        std::string comm;
        int64_t commSize, readerSize, speechSize;
        bool kx2, validate, every;
        std::string shown;  // with P for the folder's path
    } rows[] = {
        {"nothing selected", "c.bin", -1, -1, -1, false, true, false,
         "200 -: \n\nNo file has been selected to upload!\n"},
        {"board image shorter than its header, even unvalidated", "c.bin", 1000, -1, -1, false,
         false, false,
         "105 Pc.bin: File size test failed.\n\nCOMM File is too small\n\n1000 bytes; nothing "
         "of it would be sent (a COMM file starts with a 32768-byte header that stays on this "
         "computer).\n"},
        {"first refusal only, SPEECH first", "c.bin", 1000, -1, 1000, false, true, false,
         "107 Ps.bin: File size test failed.\n\nSPEECH File is too small\n\n1000 bytes; a "
         "SPEECH file is 300 to 6144 KiB (307200 to 6292479 bytes).\n"},
        {"every refusal", "c.bin", 1000, 33000, -2, false, true, true,
         "102 Pgone-s.bin: Failed to open file!\n\nNo such file.\n"
         "106 Pr.bin: File size test failed.\n\nREADER File is too small\n\n33000 bytes; a "
         "READER file is 64 to 512 KiB (65536 to 524288 bytes) in whole KiB.\n"
         "105 Pc.bin: File size test failed.\n\nCOMM File is too small\n\n1000 bytes; a COMM "
         "file is 64 to 512 KiB (65536 to 524288 bytes) in whole KiB.\n"},
        {"empty .kx", "u.kx", 0, -1, -1, true, false, false,
         "101 Pu.kx: Failed to open file!\n\nThe file is empty.\n"},
        {"name of 50 characters", name50, 5, -1, -1, true, false, false,
         "108 P" + name50 +
             ": The KX2 unit cannot take this file.\n\nIts name has 50 characters; a KX2 unit "
             "takes at most 49.\n"},
        {"more than 5000 packets", "u.kx", 5001 * 1014, -1, -1, true, true, false,
         "108 Pu.kx: The KX2 unit cannot take this file.\n\nIt needs 5001 packets of 1024 "
         "bytes (5071014 bytes); a KX2 unit takes at most 5000.\n"},
        {"at every limit", name49, 5000 * 1014, -1, -1, true, true, false, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto file = [&](const std::string& name, int64_t size) -> std::optional<std::string> {
            if (size == -1) {
                return std::nullopt;
            }
            return size < 0 ? dir.File("gone-" + name)
                            : dir.Write(name, std::string(size_t(size), 'b'));
        };
        const FileSelection files{file(row.comm, row.commSize), file("r.bin", row.readerSize),
                                  file("s.bin", row.speechSize)};
        test::RecordingReporter errors;
        const auto images =
            CheckStartSelection(files, row.kx2, row.validate, ini, errors, row.every);
        std::string shown = row.shown;
        for (size_t at = shown.find(" P"); at != std::string::npos; at = shown.find(" P", at)) {
            shown.replace(at + 1, 1, dir.File(""));
        }
        EXPECT_EQ(errors.shown, shown);
        ASSERT_EQ(images.has_value(), shown.empty());
        if (images) {
            EXPECT_EQ(images->comm->bytes.size(), size_t(row.commSize));
            EXPECT_EQ(images->comm->path, *files.comm);
        }
    }
}

}  // namespace
}  // namespace quillon
