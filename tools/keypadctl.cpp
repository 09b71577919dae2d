// keypadctl: drives the simulated keypad controller from the command line
// (see kKeypadctlUsage for the verbs). Scripts read its output, so it is
// written with bare line feeds.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string_view>
#include <vector>

#include "drivers/KeypadCommand.h"
#include "drivers/KeypadSimClient.h"

using namespace keypad;

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    const auto command = ParseCommand(args);
    if (!command) {
        std::fputs(kKeypadctlUsage, stderr);
        return kExitUsage;
    }
    const auto controller = KeypadSimClient::Open();
    if (!controller) {
        std::fputs("keypadctl: cannot open the simulated controller\n", stderr);
        return kExitNoSimulator;
    }
    if (controller->CreatedBlock() && ChangesState(command->verb)) {
        std::fputs(kUnheldChangeWarning, stderr);
    }
    if (command->verb == Verb::Wait) {
        const auto entry =
            controller->WaitFor(command->pattern, command->afterSeq, command->timeoutMs);
        if (!entry) {
            return kExitTimeout;
        }
        std::printf("%s\n", FormatLogEntry(*entry).c_str());
        return kExitOk;
    }
    const std::string output = controller->Run(
        [&](KeypadModel& model, uint64_t nowUs) { return RunCommand(model, *command, nowUs); });
    std::fputs(output.c_str(), stdout);
    return kExitOk;
}
