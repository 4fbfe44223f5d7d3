#pragma once
// The program's arguments, split by the platform's own rules for a command line (quotation
// marks, backslashes before them), after the program's name.

#include <string>
#include <vector>

namespace tarnwell::platform {

// UTF-8, without the program's own name.
std::vector<std::string> CommandLineArguments();

}  // namespace tarnwell::platform
