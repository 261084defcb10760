#include "app/text.h"

#include <cwchar>

#include "app/globals.h"

void LoadText(UINT id, wchar_t* buffer) {
    buffer[0] = L'\0';
    LoadStringW(AppInstance, id, buffer, TEXT_BUFFER_SIZE);
}

void CopyText(wchar_t* destination, size_t capacity, const wchar_t* source) {
    if (capacity == 0) return;
    destination[0] = L'\0';
    AppendText(destination, capacity, source);
}

void AppendText(wchar_t* destination, size_t capacity, const wchar_t* source) {
    if (capacity == 0) return;
    size_t length = wcsnlen(destination, capacity);
    if (length == capacity) length = capacity - 1;
    while (length + 1 < capacity && *source != L'\0') {
        destination[length++] = *source++;
    }
    destination[length] = L'\0';
}
