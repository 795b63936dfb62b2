// Tests of the profile reader and writer against the behaviour of the Windows profile functions.
#include "launcher/ProfileFile.h"

#include <gtest/gtest.h>

#include <string>

namespace launcher {
namespace {

using namespace std::string_literals;  // "\0" inside texts needs the length kept

struct ReadCase {
    const char* name;
    std::string contents;
    std::string section;
    std::string key;
    std::string expected;
};

void ExpectReads(const ReadCase* begin, const ReadCase* end) {
    for (const ReadCase* c = begin; c != end; ++c) {
        EXPECT_EQ(ProfileValue(c->contents, c->section, c->key), c->expected) << "case: " << c->name;
    }
}

template <size_t N>
void ExpectReads(const ReadCase (&cases)[N]) {
    ExpectReads(cases, cases + N);
}

TEST(ProfileValue, MatchesNamesIgnoringAsciiCaseAndOuterWhiteSpace) {
    const std::string file = "[Java Runtime Environment]\nMain Class=app.Main\n[ Spaced ]\n  key  =  v  \n";
    const ReadCase cases[] = {
        {"exact names", file, "Java Runtime Environment", "Main Class", "app.Main"},
        {"section in another case", file, "JAVA runtime environment", "Main Class", "app.Main"},
        {"key in another case", file, "Java Runtime Environment", "MAIN CLASS", "app.Main"},
        {"inner white space of a name must match", file, "Java  Runtime Environment", "Main Class", ""},
        {"white space inside the brackets is dropped", file, "Spaced", "key", "v"},
        {"asked-for names are trimmed", file, " \tSpaced\x0b", "\x1akey\x0c", "v"},
        {"missing key", file, "Spaced", "other", ""},
        {"missing section", file, "Other", "key", ""},
        {"the value's outer white space is dropped", file, "spaced", "KEY", "v"},
        {"letters beyond ASCII must match exactly", "[\xe9t\xe9]\nk=1\n", "\xc9T\xc9", "k", ""},
        {"letters beyond ASCII found when equal", "[\xe9t\xe9]\nk=1\n", "\xe9T\xe9", "k", "1"},
        {"empty text", "", "S", "k", ""},
    };
    ExpectReads(cases);
}

TEST(ProfileValue, SplitsLinesAtEveryCrAndLf) {
    const ReadCase cases[] = {
        {"CR LF", "[S]\r\na=1\r\nb=2\r\n", "S", "b", "2"},
        {"LF", "[S]\na=1\nb=2\n", "S", "b", "2"},
        {"CR alone", "[S]\ra=1\rb=2\r", "S", "b", "2"},
        {"a lone CR inside an LF file ends the line", "[S]\na=x\ry\n", "S", "a", "x"},
        {"the text after that CR is its own line", "[S]\na=x\ry=2\n", "S", "y", "2"},
        {"no final line end", "[S]\na=1", "S", "a", "1"},
        {"blank and white-space lines are skipped", "\n\n[S]\n \t\n\r\n\na=1\n", "S", "a", "1"},
        {"a header may be indented", "  [S]\n  a=1\n", "S", "a", "1"},
    };
    ExpectReads(cases);
}

TEST(ProfileValue, TrimsOnlyTheProfileWhiteSpaceCharacters) {
    const ReadCase cases[] = {
        {"tab", "[S]\nk=\tv\t\n", "S", "k", "v"},
        {"vertical tab", "[S]\nk=\x0bv\x0b\n", "S", "k", "v"},
        {"form feed", "[S]\nk=\x0cv\x0c\n", "S", "k", "v"},
        {"Ctrl-Z", "[S]\nk=\x1av\x1a\n", "S", "k", "v"},
        {"Ctrl-Z inside a value stays", "[S]\nk=1\x1a" "b=2\n", "S", "k", "1\x1a" "b=2"},
        {"file separator 0x1C is no white space", "[S]\nk=\x1cv\x1c\n", "S", "k", "\x1cv\x1c"},
        {"unit separator 0x1F is no white space", "[S]\nk=\x1fv\x1f\n", "S", "k", "\x1fv\x1f"},
        {"0xA0 is no white space", "[S]\nk=\xa0v\xa0\n", "S", "k", "\xa0v\xa0"},
        {"white space in a key name", "[S]\n\x0b k \t=v\n", "S", "k", "v"},
        {"trailing space before an inline comment stays", "[S]\nk=x  ; note  \n", "S", "k", "x  ; note"},
    };
    ExpectReads(cases);
}

TEST(ProfileValue, ReadsSectionHeadersUpToTheLastBracket) {
    const ReadCase cases[] = {
        {"text after the bracket is ignored", "[X] ; note\nx=1\n", "X", "x", "1"},
        {"text glued to the bracket is ignored", "[W]x\nw=1\n", "W", "w", "1"},
        {"the last ']' closes the name", "[Y]]\ny=1\n", "Y]", "y", "1"},
        {"the name runs to the last ']' on the line", "[Z][Q]\nz=1\n", "Z][Q", "z", "1"},
        {"so the first part is not a section", "[Z][Q]\nz=1\n", "Z", "z", ""},
        {"'[' without ']' is an ordinary line", "[S]\na=1\n[U\nu=1\n", "S", "u", "1"},
        {"... and opens no section", "[S]\na=1\n[U\nu=1\n", "U", "u", ""},
        {"an '=' inside the brackets belongs to the name", "[a=b]\nk=1\n", "a=b", "k", "1"},
    };
    ExpectReads(cases);
}

TEST(ProfileValue, KeepsTheFirstOfDuplicatesAndTheNamelessSectionFirst) {
    const ReadCase cases[] = {
        {"first of two keys", "[S]\nk=first\nK=second\n", "S", "k", "first"},
        {"first section of a name only", "[S]\na=1\n[T]\n[s]\na=2\nb=3\n", "S", "a", "1"},
        {"a key only in the later duplicate is absent", "[S]\na=1\n[T]\n[s]\na=2\nb=3\n", "S", "b", ""},
        {"keys before any header read with an empty section", "top=0\n[S]\na=1\n", "", "top", "0"},
        {"... and not from the first named section", "top=0\n[S]\na=1\n", "S", "top", ""},
        {"a \"[]\" section is hidden by the nameless one", "[S]\na=1\n[]\ne=2\n", "", "e", ""},
        {"an empty key name finds \"=v\"", "[S]\n=v\n", "S", "", "v"},
        {"an asked-for key of white space is empty too", "[S]\n = v\n", "S", "  ", "v"},
    };
    ExpectReads(cases);
}

TEST(ProfileValue, HasNoCommentsAndTakesTheValueWhole) {
    const ReadCase cases[] = {
        {"a ';' line is a key named with its ';'", "[S]\n;a=1\n", "S", ";a", "1"},
        {"... so it hides nothing from the plain name", "[S]\n;a=1\n", "S", "a", ""},
        {"a '#' line likewise", "[S]\n#b=2\n", "S", "#b", "2"},
        {"an inline ';' is part of the value", "[S]\nk=x ; y\n", "S", "k", "x ; y"},
        {"only the first '=' separates", "[S]\na=x=y = z\n", "S", "a", "x=y = z"},
        {"a line without '=' has no value", "[S]\nnoeq\n", "S", "noeq", ""},
        {"an empty value", "[S]\nk=\n", "S", "k", ""},
    };
    ExpectReads(cases);
}

TEST(ProfileValue, DropsOnePairOfEnclosingQuotes) {
    const ReadCase cases[] = {
        {"double quotes", "[S]\nk=\"x y\"\n", "S", "k", "x y"},
        {"single quotes", "[S]\nk='x y'\n", "S", "k", "x y"},
        {"quotes keep the inner white space", "[S]\nk= \" x \" \n", "S", "k", " x "},
        {"only one pair", "[S]\nk=\"\"x\"\"\n", "S", "k", "\"x\""},
        {"two quotes give empty", "[S]\nk=\"\"\n", "S", "k", ""},
        {"opening quote only", "[S]\nk=\"x y\n", "S", "k", "\"x y"},
        {"closing quote only", "[S]\nk=x y\"\n", "S", "k", "x y\""},
        {"a lone quote", "[S]\nk=\"\n", "S", "k", "\""},
        {"a lone apostrophe", "[S]\nk='\n", "S", "k", "'"},
        {"mixed quotes stay", "[S]\nk=\"x'\n", "S", "k", "\"x'"},
        {"a quote inside stays", "[S]\nk=\"a\"b\"\n", "S", "k", "a\"b"},
        {"text after the closing quote keeps both", "[S]\nk=\"x\" ; c\n", "S", "k", "\"x\" ; c"},
    };
    ExpectReads(cases);
}

TEST(ProfileValue, EndsNamesAndValuesAtNul) {
    const ReadCase cases[] = {
        {"value cut at NUL", "[S]\na=x\0y\nb=2\n"s, "S", "a", "x"},
        {"the line goes on after NUL", "[S]\na=x\0y\nb=2\n"s, "S", "b", "2"},
        {"key name cut at NUL", "[S]\nc\0d=3\n"s, "S", "c", "3"},
        {"section name cut at NUL", "[T\0U]\nt=1\n"s, "T", "t", "1"},
        {"NUL is no white space: \"a \" is not \"a\"", "[S]\na \0=1\n"s, "S", "a", ""},
        {"a name starting with NUL is empty", "[S]\n\0b=2\n"s, "S", "", "2"},
        {"the quote test sees the text before NUL", "[S]\nc=\"x\0\"\n"s, "S", "c", "\"x"},
        {"... also when it is quoted", "[S]\nd=\"x\"\0y\"\n"s, "S", "d", "x"},
        {"an asked-for name is cut at NUL", "[S]\na=1\n", "S\0junk"s, "a\0junk"s, "1"},
    };
    ExpectReads(cases);
}

std::string Utf16(const std::u16string& text, bool bigEndian) {
    std::string bytes = bigEndian ? "\xfe\xff" : "\xff\xfe";
    for (char16_t unit : text) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xff);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

TEST(ProfileValue, DecodesByteOrderMarks) {
    const std::u16string text = u"[S]\r\na=caf\u00e9\r\nb=\"q\"\r\nc=\U0001F600\r\n";
    const ReadCase cases[] = {
        {"UTF-8 mark skipped", "\xef\xbb\xbf[S]\na=1\n", "S", "a", "1"},
        {"UTF-8 text kept as it is", "\xef\xbb\xbf[S]\na=caf\xc3\xa9\n", "S", "a", "caf\xc3\xa9"},
        {"an incomplete mark belongs to the first line", "\xef\xbb[S]\na=1\n", "S", "a", ""},
        {"UTF-16 LE as UTF-8", Utf16(text, false), "S", "a", "caf\xc3\xa9"},
        {"UTF-16 LE quotes", Utf16(text, false), "s", "B", "q"},
        {"UTF-16 LE surrogate pair", Utf16(text, false), "S", "c", "\xf0\x9f\x98\x80"},
        {"UTF-16 surrogate pair ending the file", Utf16(u"[S]\nk=\U0001F600", false), "S", "k", "\xf0\x9f\x98\x80"},
        {"UTF-16 BE as UTF-8", Utf16(text, true), "S", "a", "caf\xc3\xa9"},
        {"UTF-16 odd last byte ignored", Utf16(u"[S]\nk=v", false) + "x", "S", "k", "v"},
        {"UTF-16 unpaired surrogate", Utf16(u"[S]\nk=<\xd800>", false), "S", "k", "<\xef\xbf\xbd>"},
        {"UTF-16 without mark is read as bytes", Utf16(u"[S]\nk=v", false).substr(2), "S", "k", ""},
        {"a mark alone", "\xff\xfe", "S", "k", ""},
    };
    ExpectReads(cases);
}

TEST(ProfileValue, ReturnsLongValuesWhole) {
    const std::string big(1 << 20, 'v');
    const ReadCase cases[] = {
        {"1 MB value", "[S]\na=" + big + "x\nb=2\n", "S", "a", big + "x"},
        {"the key after it", "[S]\na=" + big + "x\nb=2\n", "S", "b", "2"},
        {"1 MB key name", "[S]\n" + big + "=3\n", "S", big, "3"},
    };
    ExpectReads(cases);
}

struct WriteCase {
    const char* name;
    std::string contents;
    std::string section;
    std::string key;
    std::string value;
    std::string expected;
};

void ExpectWrites(const WriteCase* begin, const WriteCase* end) {
    for (const WriteCase* c = begin; c != end; ++c) {
        EXPECT_EQ(ProfileWithValue(c->contents, c->section, c->key, c->value), c->expected) << "case: " << c->name;
    }
}

template <size_t N>
void ExpectWrites(const WriteCase (&cases)[N]) {
    ExpectWrites(cases, cases + N);
}

TEST(ProfileWithValue, RewritesTheFileInNormalForm) {
    const std::string file = "; head\n\n[S]\n  a = 1  \n;c\nnoeq\n\n[T]\nt=1\n\n\n";
    const WriteCase cases[] = {
        {"existing key replaced where it stands", file, "S", "a", "2",
         "; head\r\n[S]\r\na=2\r\n;c\r\nnoeq\r\n[T]\r\nt=1\r\n"},
        {"new key after the section's last key line", file, "S", "new", "v",
         "; head\r\n[S]\r\na=1\r\n;c\r\nnoeq\r\nnew=v\r\n[T]\r\nt=1\r\n"},
        {"new key in the last section", file, "t", "new", "v",
         "; head\r\n[S]\r\na=1\r\n;c\r\nnoeq\r\n[T]\r\nt=1\r\nnew=v\r\n"},
        {"new section at the end without a blank line", file, "U", "new", "v",
         "; head\r\n[S]\r\na=1\r\n;c\r\nnoeq\r\n[T]\r\nt=1\r\n[U]\r\nnew=v\r\n"},
        {"a key without value gets one", "[S]\nk\na=1\n", "S", "k", "v", "[S]\r\nk=v\r\na=1\r\n"},
        {"only the first of two keys changes", "[S]\na=1\nA=2\n", "S", "A", "3", "[S]\r\na=3\r\nA=2\r\n"},
        {"names lose the white space inside brackets", "[ S ]\n a b = 1\n", "S", "c", "2",
         "[S]\r\na b=1\r\nc=2\r\n"},
        {"CR line ends become CR LF", "[S]\ra=1\r", "S", "b", "v", "[S]\r\na=1\r\nb=v\r\n"},
        {"white-space-only lines go", "\x1a[S]\x1a\n\x0b" "a\x0b=\x0b" "1\x0b\n\x1a\n", "S", "b", "v",
         "[S]\r\na=1\r\nb=v\r\n"},
        {"a '[' line without ']' stays a line", "[S]\n[U\n", "S", "k", "v", "[S]\r\n[U\r\nk=v\r\n"},
        {"the header's tail after ']' goes", "[a] x ]\nk=v\n", "a] x", "z", "1", "[a] x]\r\nk=v\r\nz=1\r\n"},
    };
    ExpectWrites(cases);
}

TEST(ProfileWithValue, LeavesTheFileAloneWhenTheValueIsAlreadyThere) {
    const WriteCase cases[] = {
        {"same value, LF file kept as it is", "; x\n\n[S]\n  a = 1  \n", "s", "A", "1", "; x\n\n[S]\n  a = 1  \n"},
        {"leading white space of the new value does not count", "[S]\na=x\n", "S", "a", "  x", "[S]\na=x\n"},
        {"the stored quotes count", "[S]\na=\"1\"\n", "S", "a", "\"1\"", "[S]\na=\"1\"\n"},
        {"so the bare text is a change", "[S]\na=\"1\"\n", "S", "a", "1", "[S]\r\na=1\r\n"},
        {"values compare with case", "[S]\na=ABC\n", "S", "a", "abc", "[S]\r\na=abc\r\n"},
        {"a key without value is no match for empty", "[S]\nk\n", "S", "k", "", "[S]\r\nk=\r\n"},
    };
    ExpectWrites(cases);
}

TEST(ProfileWithValue, CreatesTheFileSectionAndKey) {
    const WriteCase cases[] = {
        {"missing file", "", "Java Runtime Environment", "JRE Path", "C:\\Java\\",
         "[Java Runtime Environment]\r\nJRE Path=C:\\Java\\\r\n"},
        {"empty value", "", "S", "a", "", "[S]\r\na=\r\n"},
        {"empty key name", "[S]\na=1\n", "S", "", "e", "[S]\r\na=1\r\n=e\r\n"},
        {"an '=' in the key name is written as it is", "[S]\na=1\n", "S", "k=j", "e", "[S]\r\na=1\r\nk=j=e\r\n"},
        {"a value with a line break is written as it is", "[S]\na=1\n", "S", "a", "x\r\ny=2",
         "[S]\r\na=x\r\ny=2\r\n"},
    };
    ExpectWrites(cases);
}

TEST(ProfileWithValue, TrimsNamesAndValueAsTheSystemDoes) {
    const WriteCase cases[] = {
        {"asked-for names are trimmed for the look-up", "[S]\na=1\n", " S ", " a ", "2", "[S]\r\na=2\r\n"},
        {"the value loses only its leading white space", "[S]\na=1\n", "S", "a", "  x y  ", "[S]\r\na=x y  \r\n"},
        {"a new key keeps its trailing white space", "[S]\na=1\n", " s ", " b ", "\tv\t",
         "[S]\r\na=1\r\nb =v\t\r\n"},
        {"a new section keeps its trailing white space", "[S]\na=1\n", " U\t ", "k", "v",
         "[S]\r\na=1\r\n[U\t ]\r\nk=v\r\n"},
        {"names and value are cut at NUL", "", "S\0x"s, "k\0y"s, "v\0z"s, "[S]\r\nk=v\r\n"},
    };
    ExpectWrites(cases);
}

TEST(ProfileWithValue, WritesIntoTheFirstSectionOfAName) {
    const WriteCase cases[] = {
        {"duplicate sections: the first gets the key", "top=1\n[S]\na=1\n[T]\n[s]\nb=2\n", "s", "b", "3",
         "top=1\r\n[S]\r\na=1\r\nb=3\r\n[T]\r\n[s]\r\nb=2\r\n"},
        {"the nameless section takes keys for \"\"", "top=1\n[S]\na=1\n", "", "new", "3",
         "top=1\r\nnew=3\r\n[S]\r\na=1\r\n"},
        {"... even when it is empty", "[S]\na=1\n", "", "new", "3", "new=3\r\n[S]\r\na=1\r\n"},
        {"a \"[]\" header is lost", "[S]\na=1\n[]\nx=1\n", "", "new", "3", "new=3\r\n[S]\r\na=1\r\nx=1\r\n"},
    };
    ExpectWrites(cases);
}

TEST(ProfileWithValue, DropsWhatTheReaderCannotKeep) {
    const WriteCase cases[] = {
        {"value text after NUL", "[S]\na=x\0y\n"s, "S", "n", "v", "[S]\r\na=x\r\nn=v\r\n"},
        {"a section named from NUL loses its header", "[S]\n[\0T]\nt=1\n"s, "S", "n", "v",
         "[S]\r\nn=v\r\nt=1\r\n"},
        {"a key named from NUL is written empty", "[S]\n\0k=1\n"s, "S", "n", "v", "[S]\r\n=1\r\nn=v\r\n"},
        {"a nameless line after a nameless key goes", "[S]\n=1\n=2\nz=0\n", "S", "x", "y",
         "[S]\r\n=1\r\nz=0\r\nx=y\r\n"},
        {"... however many follow", "[S]\n\0\n=2\n=3\n"s, "S", "x", "y", "[S]\r\n\r\nx=y\r\n"},
        {"... but not after a named key", "[S]\na\n=1\n=2\nb=3\n=4\n", "S", "x", "y",
         "[S]\r\na\r\n=1\r\nb=3\r\n=4\r\nx=y\r\n"},
        {"... nor at the start of a section", "=1\n[S]\n=2\n", "S", "x", "y", "=1\r\n[S]\r\n=2\r\nx=y\r\n"},
        {"a name starting with NUL is no empty name for that", "[S]\nk\n=\n=\n\0=5\n"s, "S", "x", "y",
         "[S]\r\nk\r\n=\r\n=5\r\nx=y\r\n"},
    };
    ExpectWrites(cases);
}

TEST(ProfileWithValue, KeepsTheEncoding) {
    const WriteCase cases[] = {
        {"UTF-16 LE", Utf16(u"[S]\r\na=caf\u00e9\r\n", false), "S", "b", "\xc3\xa9",
         Utf16(u"[S]\r\na=caf\u00e9\r\nb=\u00e9\r\n", false)},
        {"UTF-16 BE", Utf16(u"[S]\na=1\n", true), "S", "b", "\xf0\x9f\x98\x80",
         Utf16(u"[S]\r\na=1\r\nb=\U0001F600\r\n", true)},
        {"a UTF-16 mark alone", "\xff\xfe", "S", "b", "v", Utf16(u"[S]\r\nb=v\r\n", false)},
        {"invalid UTF-8 into UTF-16 becomes U+FFFD", "\xff\xfe", "S", "b", "<\xff>",
         Utf16(u"[S]\r\nb=<\ufffd>\r\n", false)},
        {"UTF-8 mark", "\xef\xbb\xbf[S]\na=caf\xc3\xa9\n", "S", "b", "\xc3\xa9",
         "\xef\xbb\xbf[S]\r\na=caf\xc3\xa9\r\nb=\xc3\xa9\r\n"},
        {"a UTF-8 mark alone", "\xef\xbb\xbf", "S", "b", "v", "\xef\xbb\xbf[S]\r\nb=v\r\n"},
        {"ANSI bytes kept", "[S]\na=\x80\xff\n", "S", "b", "\xe9", "[S]\r\na=\x80\xff\r\nb=\xe9\r\n"},
    };
    ExpectWrites(cases);
}

TEST(ProfileWithValue, WrittenValuesReadBack) {
    struct Case {
        const char* name;
        std::string value;
        std::string readBack;
    };
    const Case cases[] = {
        {"a folder", "C:\\Program Files\\Java\\jre1.8.0\\", "C:\\Program Files\\Java\\jre1.8.0\\"},
        {"leading white space is lost", "  x", "x"},
        {"trailing white space is lost when read", "x  ", "x"},
        {"enclosing quotes are lost when read", "\"x\"", "x"},
        {"a semicolon survives", "a;b", "a;b"},
        {"a long value", std::string(300000, 'q'), std::string(300000, 'q')},
    };
    const std::string starts[] = {"", "[Java Runtime Environment]\nJRE Path=old\n", "[Other]\nx=1\n"};
    for (const std::string& start : starts) {
        for (const Case& c : cases) {
            const std::string written = ProfileWithValue(start, "Java Runtime Environment", "JRE Path", c.value);
            EXPECT_EQ(ProfileValue(written, "java runtime environment", "jre path"), c.readBack)
                << "case: " << c.name << ", starting from: " << start;
            EXPECT_EQ(ProfileValue(written, "Other", "x"), start.find("[Other]") == 0 ? "1" : "")
                << "case: " << c.name << ", other key, starting from: " << start;
        }
    }
}

}  // namespace
}  // namespace launcher
