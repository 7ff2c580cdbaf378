#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "platform/AppDirectory.h"
#include "platform/FileSystem.h"
#include "platform/LineEnds.h"
#include "platform/OsVersionText.h"
#include "platform/PathText.h"
#include "program/ErrorCatalogue.h"
#ifdef _WIN32
#include "platform/WideText.h"
#endif
#include "tests/support/TempDir.h"

namespace quillon {
namespace {

using test::TempDir;

#ifdef _WIN32
TEST(OsVersionText, NamesTheSystemVersionAndWordSize) {
    std::string text = BuildOsVersionText();
    EXPECT_EQ(text.rfind("Windows ", 0), 0u) << text;
    EXPECT_NE(text.find(" (build "), std::string::npos) << text;
    EXPECT_NE(text.find(", 64-bit"), std::string::npos) << text;
}
#else
TEST(OsVersionText, NamesTheSystemKernelAndWordSize) {
    TempDir dir;
    std::string release =
        dir.Write("os-release", "NAME=X\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n");
    std::string text = BuildOsVersionText(release);
    EXPECT_EQ(text.rfind("Debian GNU/Linux 12 (bookworm) (kernel ", 0), 0u) << text;
    EXPECT_NE(text.find(sizeof(void*) == 8 ? ", 64-bit" : ", 32-bit"), std::string::npos);
    EXPECT_LE(text.size(), 259u);

    // Without os-release the kernel's own name stands in.
    std::string fallback = BuildOsVersionText(dir.File("missing"));
    EXPECT_EQ(fallback.rfind("Linux (kernel ", 0), 0u) << fallback;
}
#endif

TEST(AppDirectory, OverrideWinsAndFoldersAreMade) {
    TempDir dir;
    std::string app = ResolveAppDirectory(dir.File("deep/er/app"));
    EXPECT_EQ(app, NativePath(dir.File("deep/er/app/")));
    ASSERT_TRUE(CreateAppFolders(app));
    EXPECT_TRUE(std::filesystem::is_directory(app + "Logs"));
    EXPECT_TRUE(std::filesystem::is_directory(app + "Temp"));
    EXPECT_TRUE(CreateAppFolders(app));  // existing folders are fine

    std::string blocked = dir.Write("file", "x") + "/app/";
    EXPECT_FALSE(CreateAppFolders(blocked));
}

// An installed program run by root could write beside itself; its files must not go there.
TEST(AppDirectory, SystemProgramFoldersAreNeverAnApplicationFolder) {
    for (const char* dir : {"/usr/bin/", "/usr/local/bin", "/bin/", "/sbin/"}) {
        EXPECT_TRUE(IsSystemProgramFolder(dir)) << dir;
    }
    for (const char* dir : {"/media/usb/quillon7/", "/home/tech/quillon7/", "/opt/usrx/"}) {
        EXPECT_FALSE(IsSystemProgramFolder(dir)) << dir;
    }
}

// The Windows setup marks its folder: an installed program keeps its files in the user's data
// folder even where it could write beside itself.
TEST(AppDirectory, AFolderAnInstallerMarkedIsNeverAnApplicationFolder) {
    TempDir dir;
    const std::string folder = dir.File("Quillon7");
    ASSERT_TRUE(fs::MakeDirectory(folder));
    EXPECT_FALSE(IsSystemProgramFolder(folder));
    dir.Write(std::string("Quillon7/") + kInstalledMarker, "installed\n");
    EXPECT_TRUE(IsSystemProgramFolder(folder));
    EXPECT_TRUE(IsSystemProgramFolder(folder + "/"));
}

// A new text file gets the platform's line ends, one with its own keeps them.
TEST(LineEnds, NewFilesTakeThePlatformsAndOldOnesKeepTheirs) {
    const std::string eol(kNativeLineEnd);
    const std::pair<std::string, std::string> cases[] = {
        {"", "a" + eol + "b" + eol},
        {"x\r\n", "x\r\na\r\nb\r\n"},
        {"x\n", "x\na\nb\n"},
        {"x", "x" + eol + "a" + eol + "b" + eol},  // cut off mid-line
    };
    for (const auto& [before, after] : cases) {
        TempDir dir;
        const std::string path = before.empty() ? dir.File("new") : dir.Write("old", before);
        ASSERT_TRUE(fs::AppendWholeEntry(path, "a\nb\n"));
        EXPECT_EQ(dir.ReadBytes(before.empty() ? "new" : "old"), after) << before;
    }
    TempDir dir;
    std::FILE* log = fs::CreateNewLog(dir.File("Logs/log.txt"));
    ASSERT_NE(log, nullptr);
    std::fputs("a\nb\n", log);
    std::fclose(log);
    EXPECT_EQ(dir.ReadBytes("Logs/log.txt"), "a" + eol + "b" + eol);
}

#ifdef _WIN32
// Too long for the plain form: whole, absolute and with the prefix that lifts the limit.
TEST(WidePath, LongPathsTakeTheLongForm) {
    const std::string name(250, 'x');
    const std::wstring wideName(250, L'x');
    const std::pair<std::string, std::wstring> cases[] = {
        {"C:/q7/a.bin", L"C:\\q7\\a.bin"},
        {"C:/q7/" + name + "/../y", L"\\\\?\\C:\\q7\\y"},
        {"//srv/share/" + name, L"\\\\?\\UNC\\srv\\share\\" + wideName},
        {"\\\\?\\C:/" + name, L"\\\\?\\C:\\" + wideName},
    };
    for (const auto& [typed, wide] : cases) {
        EXPECT_TRUE(WidePath(typed) == wide) << typed;
    }
}
#endif

TEST(ErrorCatalogue, NoNumberNamesTwoErrors) {
    std::set<int> numbers;
    for (const NumberedError& e : error::kAll) {
        EXPECT_TRUE(numbers.insert(e.number).second) << e.number << " is used twice";
    }
}

}  // namespace
}  // namespace quillon
