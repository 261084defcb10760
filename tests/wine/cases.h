// The checks of the real program, each a person's session with it. Each returns the number of
// failed expectations, printed as they happen.
#pragma once

#include <string>

namespace wine_checks {

struct Context {
    std::wstring exe;        // the program under test
    std::wstring directory;  // where screenshots and traces go
};

// servika-updater.exe on a machine without the unit.
int NoUnit(const Context& context);
// servika-updater-virtual.exe with a unit in bootloader mode.
int UpdateToSuccess(const Context& context);
int WriteFailure(const Context& context);
int Unplugged(const Context& context);
int BadScenario(const Context& context);

}  // namespace wine_checks
