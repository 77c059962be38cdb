// The program is linked as a window program, so Windows gives it no console
// of its own; streams that were redirected by the caller stay as they are.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>

#include "app/console.h"
#include "textutil/codepage.h"

namespace pelko {

namespace {

UINT g_oldOutputCodePage = 0;

bool Leads(DWORD which) {
    HANDLE h = GetStdHandle(which);
    return h != nullptr && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN;
}

void RestoreCodePage() {
    if (g_oldOutputCodePage) SetConsoleOutputCP(g_oldOutputCodePage);
}

}  // namespace

void AttachParentConsole() {
    const bool out = Leads(STD_OUTPUT_HANDLE), err = Leads(STD_ERROR_HANDLE);
    if (out && err) return;
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
    if (!out && std::freopen("CONOUT$", "w", stdout)) std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (!err && std::freopen("CONOUT$", "w", stderr)) std::setvbuf(stderr, nullptr, _IONBF, 0);
    // The program writes UTF-8; the console shows it as such only while its
    // output code page says so.  The user's own page comes back at exit.
    UINT old = GetConsoleOutputCP();
    if (old != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) {
        g_oldOutputCodePage = old;
        std::atexit(RestoreCodePage);
    }
}

// The C runtime's arguments went through the system's code page, which may
// lack a character of a folder name; the wide command line has them all.
Text ArgumentText(int index, const char* narrow) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    Text result;
    if (wide && index >= 0 && index < count) {
        const std::wstring arg = wide[index];
        result = Utf16ToAnsi(std::u16string(arg.begin(), arg.end()));
    } else {
        result = narrow;
    }
    LocalFree(wide);
    return result;
}

}  // namespace pelko
