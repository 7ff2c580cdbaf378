// Where Quillon.ini, History.txt, FontInfo.qn7, Logs/ and Temp/ live: the folder given with
// --app-dir; else the executable's folder when it is writable and not a system program folder
// such as /usr/bin or one an installer marked (a portable install, like a USB stick); else the
// user's data folder ($XDG_DATA_HOME/quillon7/, by default ~/.local/share/quillon7/; on Windows
// %LOCALAPPDATA%\Quillon7\). The result is in the platform's form (PathText.h) and ends with its
// separator. Creating the folders is best-effort: failures show up later as open errors.
#pragma once

#include <string>

namespace quillon {

// The file an installer leaves beside the programs (the Windows setup in Program Files\Quillon7)
// so that they keep their files in the user's data folder even where they could write there.
inline constexpr const char* kInstalledMarker = "Installed.txt";

// overrideDir: the --app-dir value, or empty.
std::string ResolveAppDirectory(const std::string& overrideDir);
// Creates dir and its Logs and Temp folders where missing; false if any is missing afterwards.
bool CreateAppFolders(const std::string& appDir);
// True for the folders a package installs programs into (/usr/..., /bin/, /sbin/, and any
// folder holding kInstalledMarker): never an application folder, even for a user who may write
// there.
bool IsSystemProgramFolder(const std::string& dir);
// The folder of the running executable with a trailing separator, or empty when unknown.
std::string ExecutableDirectory();
// The per-user data folder used when the executable's folder is not writable, ending with its
// separator.
std::string UserDataDirectory();

}  // namespace quillon
