// The command-line tokenizer.
#include "launcher/CommandLine.h"

namespace launcher {

void SplitCommandLine(const std::string& text, std::vector<std::string>& tokens) {
    const size_t n = text.size();
    size_t i = 0;
    if (n == 0) return;
    for (;;) {
        if (text[i] == '"') {
            const size_t close = text.find('"', i + 1);
            if (close == std::string::npos) {
                tokens.push_back(text.substr(i + 1));
                return;
            }
            tokens.push_back(text.substr(i + 1, close - i - 1));
            i = close + 1;
        } else {
            const size_t space = text.find(' ', i);
            if (space == std::string::npos) {
                tokens.push_back(text.substr(i));
                return;
            }
            tokens.push_back(text.substr(i, space - i));
            i = space;
        }
        while (i < n && text[i] == ' ') ++i;
        if (i >= n) return;
    }
}

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

}  // namespace

std::vector<std::string> ArgumentsFromCommandLine(const std::string& commandLine) {
    size_t begin = 0, end = commandLine.size();
    while (begin < end && IsBlank(commandLine[begin])) ++begin;
    while (end > begin && IsBlank(commandLine[end - 1])) --end;
    std::vector<std::string> tokens;
    SplitCommandLine(commandLine.substr(begin, end - begin), tokens);
    if (!tokens.empty()) tokens.erase(tokens.begin());
    return tokens;
}

bool SplashSuppressed(const std::vector<std::string>& arguments) {
    for (const std::string& a : arguments)
        if (a == "-nosplash" || a == "/nosplash") return true;
    return false;
}

}  // namespace launcher
