#pragma once

#include <QString>

// The door of the command line: `ludex-manager COMMAND [options]`.
namespace Cli {

// True when the first argument names a command.
bool isCommand(const char* argument);

// Runs the command named by argv[1] on a core application (no display, no
// widget library) and gives the exit status.
int run(int argc, char* argv[]);

// The list of commands for the program's --help.
QString commandsHelp();

}  // namespace Cli
