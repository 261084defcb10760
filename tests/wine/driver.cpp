// Drives the updater through the Win32 API, as a person would use it, and checks what it shows.
//
//   servika-wine-driver <check> <program.exe> <directory for screenshots and traces>
//
// Checks: no-unit (servika-updater.exe); update, write-failure, unplug, bad-scenario
// (servika-updater-virtual.exe). Exit code 0 when every expectation held.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "tests/wine/cases.h"
#include "tests/wine/checks.h"

namespace {

struct Check {
    const wchar_t* name;
    int (*run)(const wine_checks::Context&);
};

constexpr Check kChecks[] = {
    {L"no-unit", wine_checks::NoUnit},
    {L"update", wine_checks::UpdateToSuccess},
    {L"write-failure", wine_checks::WriteFailure},
    {L"unplug", wine_checks::Unplugged},
    {L"bad-scenario", wine_checks::BadScenario},
};

std::wstring FullPath(const wchar_t* path) {
    wchar_t full[MAX_PATH];
    DWORD length = GetFullPathNameW(path, MAX_PATH, full, nullptr);
    return length > 0 && length < MAX_PATH ? std::wstring(full, length) : std::wstring(path);
}

int Usage() {
    std::fprintf(stderr, "usage: servika-wine-driver <check> <program.exe> <directory>\nchecks:");
    for (const Check& check : kChecks)
        std::fprintf(stderr, " %s", wine_checks::Utf8(check.name).c_str());
    std::fprintf(stderr, "\n");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc != 4) return Usage();
    for (const Check& check : kChecks) {
        if (std::wcscmp(argv[1], check.name) != 0) continue;
        wine_checks::Context context{FullPath(argv[2]), FullPath(argv[3])};
        CreateDirectoryW(context.directory.c_str(), nullptr);
        int failures = check.run(context);
        std::printf(failures == 0 ? "   ok\n" : "   %d expectations failed\n", failures);
        return failures == 0 ? 0 : 1;
    }
    return Usage();
}
