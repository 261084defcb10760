// Writing the carried firmware image into the unit.
#pragma once

#include <cstdint>

// The version of the image the program carries.
constexpr uint32_t IMAGE_VERSION = 0x00010000;

// Runs the whole update from the Update button; returns when it is over.
void RunUpdate();
