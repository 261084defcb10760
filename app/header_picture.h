// The header picture beside the version box.
#pragma once

#include "platform/win32.h"

// Draws the picture, at most half its size, with its green background left out.
void PaintHeader(HDC dc);
