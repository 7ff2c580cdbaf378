#include <windows.h>
// windows.h first: shellapi.h needs its types.
#include <shellapi.h>

#include <QDir>
#include <string>

#include "dialogs/EditorOpener.h"

namespace quillon {

namespace {
// ShellExecute returns a value above 32 when it started something.
constexpr INT_PTR kShellExecuteOk = 32;

bool Execute(const wchar_t* program, const std::wstring& parameters) {
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", program, parameters.empty() ? nullptr : parameters.c_str(),
                      nullptr, SW_SHOWNORMAL));
    return result > kShellExecuteOk;
}

std::wstring NativePathOf(const QUrl& file) {
    return QDir::toNativeSeparators(file.toLocalFile()).toStdWString();
}
}  // namespace

bool OpenInUsersEditor(const QUrl& file) {
    return Execute(NativePathOf(file).c_str(), std::wstring());
}

bool OpenInNotepad(const QUrl& file) {
    return Execute(L"notepad.exe", L"\"" + NativePathOf(file) + L"\"");
}

}  // namespace quillon
