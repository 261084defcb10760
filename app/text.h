// Texts are loaded at the moment of use into buffers of one size, and combined only with
// copies and appends bounded by their buffer.
#pragma once

#include <cstddef>

#include "platform/win32.h"

constexpr int TEXT_BUFFER_SIZE = 2048;

// Loads a string-table text from the program into a buffer of TEXT_BUFFER_SIZE characters.
// An unknown ID leaves the buffer empty.
void LoadText(UINT id, wchar_t* buffer);

// Copy and append that always terminate and never write beyond capacity characters.
void CopyText(wchar_t* destination, size_t capacity, const wchar_t* source);
void AppendText(wchar_t* destination, size_t capacity, const wchar_t* source);
