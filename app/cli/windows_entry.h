// Windows only: where the command line starts there, and what it asks of Windows.
#pragma once

#include <string>

namespace tarn {

// The command line proper (main.cpp), given its arguments as UTF-8.
int CliMain(int argc, char** argv);

}  // namespace tarn
