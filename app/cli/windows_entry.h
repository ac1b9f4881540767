// Windows only: where the command line starts there, and what it asks of Windows.
#pragma once

#include <string>

namespace tarn {

// The command line proper (main.cpp), given its arguments as UTF-8.
int CliMain(int argc, char** argv);

// The folder of the running executable (GetModuleFileNameW), UTF-8.
std::string ExecutableFolder();

}  // namespace tarn
