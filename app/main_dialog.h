// The program's entry and its one window.
#pragma once

#include "platform/win32.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int show);

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void InitMainDialog(HWND dialog);

// Ends the device notifications and lets go of the unit.
void StopWatchingUnit();
