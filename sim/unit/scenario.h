// The virtual unit a scenario string describes: `;`-separated `key=value` items, as the
// SERVIKA_VIRTUAL_UNIT environment variable carries them.
#pragma once

#include <string>
#include <string_view>

#include "sim/unit/virtual_unit.h"

namespace sim {

// Reads the items into *config, starting from what it holds. Returns an empty string on
// success; otherwise a message naming the bad item, and *config is left as it was.
//
//   mode=boot|app        app also makes the product ID 2 unless pid= says otherwise
//   bootloader=<u32>     bootloader version
//   firmware=<u32>|none  installed firmware version; none leaves the information block erased
//   apptype=<u16>        the application's type
//   pid=<n> inlen=<n> outlen=<n>
//   fail_report=<N> [error=<code>]  the Nth output report since plugging fails (error 31)
//   unplug_report=<N>    pulled right after its Nth output report
//   no_status            its status reply cannot be fetched
//   trace=<path>         one line per output report: milliseconds since plugging, a space,
//                        the whole report in lower-case hex
//
// Numbers are decimal or 0x-hex.
std::string ParseScenario(std::string_view text, UnitConfig* config);

}  // namespace sim
