// The SDK as the program's sources see it, but without the routing: the virtual unit's own
// files reach the system under the real names.
#pragma once

#include "platform/windows_sdk.h"
#include "sim/virtual/calls.h"
