// Fuzz target: the command-line tokenizer (SplitCommandLine, ArgumentsFromCommandLine).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "launcher/CommandLine.h"

using fuzz::Quoted;
using launcher::ArgumentsFromCommandLine;
using launcher::SplitCommandLine;

namespace {

std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> tokens;
    SplitCommandLine(text, tokens);
    return tokens;
}

// Without quotes the tokenizer is a split at single spaces in which the empty
// pieces of a run of spaces vanish; only a leading space leaves an empty
// first token.
std::vector<std::string> SplitWithoutQuotes(const std::string& text) {
    std::vector<std::string> pieces;
    if (text.empty()) return pieces;
    size_t start = 0;
    for (;;) {
        const size_t space = text.find(' ', start);
        const std::string piece = text.substr(start, space == std::string::npos ? std::string::npos : space - start);
        if (pieces.empty() || !piece.empty()) pieces.push_back(piece);
        if (space == std::string::npos) break;
        start = space + 1;
    }
    return pieces;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    // Any bytes: tokens are pieces of the text, and never more bytes than it.
    const std::vector<std::string> tokens = Split(text);
    size_t total = 0;
    for (const std::string& token : tokens) {
        FUZZ_CHECK(text.find(token) != std::string::npos, Quoted(text) + " gave " + Quoted(tokens));
        total += token.size();
    }
    FUZZ_CHECK(total <= text.size(), Quoted(text) + " gave " + Quoted(tokens));
    FUZZ_CHECK(text.empty() == tokens.empty(), Quoted(text) + " gave " + Quoted(tokens));
    if (text.find('"') == std::string::npos)
        FUZZ_CHECK(tokens == SplitWithoutQuotes(text), Quoted(text) + " gave " + Quoted(tokens));

    // The whole command line: blanks stripped at both ends, the program's
    // own token dropped.
    size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    std::vector<std::string> expected = Split(text.substr(begin, end - begin));
    if (!expected.empty()) expected.erase(expected.begin());
    FUZZ_CHECK(ArgumentsFromCommandLine(text) == expected, Quoted(text));

    // Round trip: the lines of the input, without their quotes, each put in
    // quotes and joined by one space, come back as they were, empty ones too.
    std::vector<std::string> arguments;
    size_t start = 0;
    for (;;) {
        const size_t newline = text.find('\n', start);
        std::string argument = text.substr(start, newline == std::string::npos ? std::string::npos : newline - start);
        std::string unquoted;
        for (char c : argument)
            if (c != '"') unquoted += c;
        arguments.push_back(unquoted);
        if (newline == std::string::npos) break;
        start = newline + 1;
    }
    std::string line;
    for (const std::string& argument : arguments) line += (line.empty() ? "\"" : " \"") + argument + "\"";
    FUZZ_CHECK(Split(line) == arguments, Quoted(line) + " gave " + Quoted(Split(line)));
    return 0;
}
