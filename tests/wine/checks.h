// What a check found: each failed expectation is printed at once with what differed.
#pragma once

#include <string>

namespace wine_checks {

std::string Utf8(const std::wstring& text);
// Control characters shown as \r, \n, so a difference in line breaks is visible.
std::string Shown(const std::wstring& text);

class Checks {
public:
    explicit Checks(std::string name);

    bool That(bool holds, const std::string& what);
    bool Equal(const std::wstring& actual, const std::wstring& expected, const std::string& what);
    bool Equal(long long actual, long long expected, const std::string& what);
    void Note(const std::string& text);

    int Failures() const { return failures_; }

private:
    bool Fail(const std::string& text);

    std::string name_;
    int failures_ = 0;
};

}  // namespace wine_checks
