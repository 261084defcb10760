// The SDK as the program's sources see it, but without the routing: the virtual unit's own
// files reach the system under the real names.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
// windows.h comes first: the others build on it.
#include <windows.h>

#include <dbt.h>
#include <setupapi.h>
extern "C" {
#include <hidsdi.h>
}

#include "sim/virtual/calls.h"
