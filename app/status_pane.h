// The read-only pane that tells the user what the program found and what to do.
#pragma once

#include "platform/win32.h"

// Adds text at the end of the pane's text, with no separator of its own.
void AppendStatusText(const wchar_t* text, HWND pane);

// Makes one string-table text the pane's whole text.
void ShowStatusText(UINT textId);

// A situation text, an empty line, then the steps that bring the unit into its bootloader.
void ShowSituation(UINT situationTextId);

// Enables or disables the Update button.
void EnableUpdateButton(bool enable);
