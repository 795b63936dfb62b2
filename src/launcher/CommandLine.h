// Splitting the command line into arguments.
#pragma once

#include <string>
#include <vector>

namespace launcher {

// Appends the tokens of `text`: only the space separates; a double quote
// groups up to the next one, with no escape.
void SplitCommandLine(const std::string& text, std::vector<std::string>& tokens);

// The whole command line as the system gives it: white space stripped from
// both ends, split, and the first token (the program's path) dropped.
std::vector<std::string> ArgumentsFromCommandLine(const std::string& commandLine);

// Whether the splash is switched off: an argument equal to "-nosplash" or
// "/nosplash" as a whole, case-sensitive.
bool SplashSuppressed(const std::vector<std::string>& arguments);

}  // namespace launcher
