#include "tests/wine/checks.h"

#include <windows.h>

#include <cstdio>

namespace wine_checks {

std::string Utf8(const std::wstring& text) {
    int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                     nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), length,
                        nullptr, nullptr);
    return utf8;
}

std::string Shown(const std::wstring& text) {
    std::wstring shown;
    for (wchar_t c : text) {
        if (c == L'\r' || c == L'\n') {
            shown.push_back(L'\\');
            shown.push_back(c == L'\r' ? L'r' : L'n');
        } else {
            shown.push_back(c);
        }
    }
    std::string quoted(1, '"');
    quoted += Utf8(shown);
    quoted += '"';
    return quoted;
}

Checks::Checks(std::string name) : name_(std::move(name)) {
    std::printf("== %s\n", name_.c_str());
    std::fflush(stdout);
}

bool Checks::That(bool holds, const std::string& what) {
    return holds || Fail(what);
}

bool Checks::Equal(const std::wstring& actual, const std::wstring& expected,
                   const std::string& what) {
    if (actual == expected) return true;
    size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
    return Fail(what + ": differs at character " + std::to_string(at) + "\n    expected " +
                Shown(expected) + "\n    actual   " + Shown(actual));
}

bool Checks::Equal(long long actual, long long expected, const std::string& what) {
    if (actual == expected) return true;
    return Fail(what + ": expected " + std::to_string(expected) + ", actual " +
                std::to_string(actual));
}

void Checks::Note(const std::string& text) {
    std::printf("   %s\n", text.c_str());
    std::fflush(stdout);
}

bool Checks::Fail(const std::string& text) {
    ++failures_;
    std::printf("FAIL %s: %s\n", name_.c_str(), text.c_str());
    std::fflush(stdout);
    return false;
}

}  // namespace wine_checks
