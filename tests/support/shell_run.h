// Small helpers of the tests that run the real programs: whole files as text, a shell
// command's exit status, and replacing the machine's folders by placeholders.
#pragma once

#include <string>

namespace tarn::testing {

// The whole file as bytes; empty when it cannot be read.
std::string ReadAll(const std::string& path);

// Runs command through the shell; its exit status, or -1 when it did not exit.
int RunShell(const std::string& command);

// Replaces every from in text by to.
void ReplaceAll(std::string& text, const std::string& from, const std::string& to);

}  // namespace tarn::testing
