// Tests of the command-line tokenizer, the program-path removal and the splash switches.
#include "launcher/CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace launcher {
namespace {

using Tokens = std::vector<std::string>;

TEST(SplitCommandLine, SplitsAtSpacesWithQuotesGrouping) {
    struct Case {
        const char* name;
        std::string text;
        Tokens expected;
    };
    const Case cases[] = {
        {"empty text gives no token", "", {}},
        {"one token", "a", {"a"}},
        {"single spaces", "a b c", {"a", "b", "c"}},
        {"a run of spaces is one separator", "a   b", {"a", "b"}},
        {"trailing spaces add nothing", "a b   ", {"a", "b"}},
        {"a leading space gives an empty first token", " a", {"", "a"}},
        {"tab is an ordinary character", "a\tb c", {"a\tb", "c"}},
        {"quotes group spaces", "\"a b\" c", {"a b", "c"}},
        {"adjacent quotes give one empty token", "a \"\" b", {"a", "", "b"}},
        {"the line is only two quotes", "\"\"", {""}},
        {"quoted token followed directly by text gives two tokens", "\"a b\"c d", {"a b", "c", "d"}},
        {"two quoted tokens with no space between", "\"a\"\"b\"", {"a", "b"}},
        {"a quote inside an unquoted token is ordinary", "a\"b\" c", {"a\"b\"", "c"}},
        {"missing closing quote takes the rest, spaces included", "x \"a b  c", {"x", "a b  c"}},
        {"lone quote at the very end gives an empty token", "a \"", {"a", ""}},
        {"spaces after a closing quote are skipped", "\"a\"   b", {"a", "b"}},
        {"closing quote at the end of the text", "a \"b c\"", {"a", "b c"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Tokens tokens;
        SplitCommandLine(c.text, tokens);
        EXPECT_EQ(tokens, c.expected);
    }
}

TEST(SplitCommandLine, AppendsToTokensAlreadyPresent) {
    Tokens tokens{"kept"};
    SplitCommandLine("a b", tokens);
    EXPECT_EQ(tokens, (Tokens{"kept", "a", "b"}));
}

TEST(ArgumentsFromCommandLine, DropsOnlyTheFirstToken) {
    struct Case {
        const char* name;
        std::string commandLine;
        Tokens expected;
    };
    const Case cases[] = {
        {"program path alone gives no argument", "C:\\Apps\\tool.exe", {}},
        {"quoted program path alone", "\"C:\\Program Files\\App\\tool.exe\"", {}},
        {"empty command line", "", {}},
        {"quoted path with spaces and arguments", "\"C:\\Program Files\\App\\tool.exe\" doc.txt -nosplash",
         {"doc.txt", "-nosplash"}},
        {"unquoted path with spaces: only its first piece goes", "C:\\Program Files\\App\\tool.exe doc.txt",
         {"Files\\App\\tool.exe", "doc.txt"}},
        {"an empty quoted argument is kept", "tool.exe \"\"", {""}},
        {"quoted argument keeps its spaces", "tool.exe \"My Documents\\a.txt\" b", {"My Documents\\a.txt", "b"}},
        {"blanks at both ends are dropped", "  tool.exe a  ", {"a"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ArgumentsFromCommandLine(c.commandLine), c.expected);
    }
}

TEST(SplashSuppressed, OnlyWholeExactSwitchesCount) {
    struct Case {
        const char* name;
        Tokens arguments;
        bool expected;
    };
    const Case cases[] = {
        {"no arguments", {}, false},
        {"dash switch", {"-nosplash"}, true},
        {"slash switch", {"/nosplash"}, true},
        {"switch after other arguments", {"doc.txt", "x", "/nosplash"}, true},
        {"other letter case", {"-NoSplash"}, false},
        {"upper-case slash switch", {"/NOSPLASH"}, false},
        {"trailing space", {"-nosplash "}, false},
        {"extra leading dash", {"--nosplash"}, false},
        {"no prefix", {"nosplash"}, false},
        {"switch as part of a longer argument", {"-nosplash=1"}, false},
        {"ordinary arguments", {"doc.txt", "-splash"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SplashSuppressed(c.arguments), c.expected);
    }
}

}  // namespace
}  // namespace launcher
