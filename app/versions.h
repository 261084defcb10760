// The versions of the connected unit in the group box of the main dialog.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t VERSION_TEXT_SIZE = 32;

// Dotted decimal groups: leading zero bytes left out, every group after the first with at
// least two digits.
void FormatVersion(uint32_t value, wchar_t* text, size_t capacity);

// Brings the version rows up to date with CurrentUnit.
void ShowVersions();
