// Tests of the user interface's portable logic: link colours, the hand cursor's planes, splash and dialog placement, the link rectangle, the splash picture check and the browsed JRE folder.
#include "ui/UiLogic.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/FakeOs.h"

namespace launcher {
namespace ui {
namespace {

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

std::string Describe(const Rect& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}

// ---------------------------------------------------------------- colours

TEST(ParseColour, ReadsRedGreenBlueIntoAColourReference) {
    struct Case {
        const char* name;
        std::string text;
        bool accepted;
        uint32_t colour;
    };
    const Case cases[] = {
        {"green", "0,128,0", true, 0x00008000},
        {"blanks after the commas are skipped", "128, 0, 255", true, 0x00FF0080},
        {"blanks before every part", "  1,  2,  3", true, 0x00030201},
        {"white, the longest value that fits the registry buffer", "255,255,255", true, 0x00FFFFFF},
        {"red 300 keeps its low 8 bits", "300,0,0", true, 0x0000002C},
        {"blue -1 is 255", "0,0,-1", true, 0x00FF0000},
        {"-256 and 511 keep their low bytes", "256,-256,511", true, 0x00FF0000},
        {"plus signs", "+5,+6,+7", true, 0x00070605},
        {"letters read as 0", "a,b,c", true, 0x00000000},
        {"digits end at the first other character", "12px,3.9,7e2", true, 0x0007030C},
        {"a sign without digits reads 0", "-,+,-", true, 0x00000000},
        {"a tab is no blank", "\t9,2,3", true, 0x00030200},
        {"empty first parts", ",,5", true, 0x00050000},
        {"a blank after the second comma is something", "1,2, ", true, 0x00000201},
        {"further commas belong to the third part", "1,2,3,4", true, 0x00030201},
        {"the text ends at a NUL byte", std::string("1,2,3\0,9", 8), true, 0x00030201},
        {"red -1 is rejected", "-1,0,0", false, 0},
        {"green -1 is rejected", "0,-1,0", false, 0},
        {"a red that wraps to -1 is rejected", "4294967295,0,0", false, 0},
        {"one comma", "255,255", false, 0},
        {"nothing after the second comma", "255,255,", false, 0},
        {"a NUL right after the second comma", std::string("1,2,\0" "3", 6), false, 0},
        {"two commas only", ",,", false, 0},
        {"no comma", "255", false, 0},
        {"empty", "", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        uint32_t colour = 0xDEADBEEF;
        EXPECT_EQ(ParseColour(c.text, colour), c.accepted);
        if (c.accepted) EXPECT_EQ(Hex(colour), Hex(c.colour));
        else EXPECT_EQ(Hex(colour), Hex(0xDEADBEEF)) << "a rejected text leaves the colour as it was";
    }
}

TEST(ColourFromRegistryValue, TakesOnlyWholeStringValuesThatParse) {
    const std::string nul(1, '\0');
    struct Case {
        const char* name;
        uint32_t type;
        std::string data;  // as stored, NUL included
        bool used;
        uint32_t colour;
    };
    const Case cases[] = {
        {"a string", kRegistryString, "0,128,0" + nul, true, 0x00008000},
        {"an expandable string is used unchanged", kRegistryExpandString, "%R%,0,9" + nul, true, 0x00090000},
        {"12 bytes fit", kRegistryString, "255,255,255" + nul, true, 0x00FFFFFF},
        {"13 characters do not fit", kRegistryString, "255, 255, 255" + nul, false, 0},
        {"no NUL at the end", kRegistryString, "0,128,0", false, 0},
        {"two NULs still end in one", kRegistryString, "0,0,7" + nul + nul, true, 0x00070000},
        {"binary data", 3, "0,128,0" + nul, false, 0},
        {"a number", 4, std::string("\x10\x00\x00\x00", 4), false, 0},
        {"a list of strings", 7, "0,128,0" + nul + nul, false, 0},
        {"empty", kRegistryString, "", false, 0},
        {"a string that does not parse", kRegistryString, "-1,0,0" + nul, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        uint32_t colour = kDefaultLinkColour;
        EXPECT_EQ(ColourFromRegistryValue(c.type, c.data, colour), c.used);
        EXPECT_EQ(Hex(colour), Hex(c.used ? c.colour : kDefaultLinkColour));
    }
}

// ---------------------------------------------------------------- cursor

// The hand as it should look: '.' transparent, '#' black, 'o' white.
const char* const kExpectedHand[22] = {
    ".....##.........................", "....#oo#........................", "....#oo#........................",
    "....#oo#........................", "....#oo#........................", "....#oo###......................",
    "....#oo#oo###...................", "....#oo#oo#oo##.................", "....#oo#oo#oo#o#................",
    "###.#oo#oo#oo#oo#...............", "#oo##oooooooo#oo#...............", "#ooo#ooooooooooo#...............",
    ".#oo#ooooooooooo#...............", "..#o#ooooooooooo#...............", "..#ooooooooooooo#...............",
    "...#oooooooooooo#...............", "...#ooooooooooo#................", "....#oooooooooo#................",
    "....#oooooooooo#................", ".....#oooooooo#.................", ".....#oooooooo#.................",
    ".....##########.................",
};

char PixelOf(const CursorPlanes& planes, int x, int y) {
    const int byte = y * 4 + x / 8;
    const int bit = 0x80 >> (x % 8);
    const bool andBit = planes.andPlane[byte] & bit, xorBit = planes.xorPlane[byte] & bit;
    if (andBit && xorBit) return '!';  // inverting: never wanted
    if (andBit) return '.';
    return xorBit ? 'o' : '#';
}

TEST(HandCursor, PlanesDrawTheHandOfThePicture) {
    const CursorPlanes& planes = HandCursorPlanes();
    for (int y = 0; y < kCursorSize; ++y) {
        std::string row;
        for (int x = 0; x < kCursorSize; ++x) row += PixelOf(planes, x, y);
        const std::string expected = y < 22 ? kExpectedHand[y] : std::string(32, '.');
        EXPECT_EQ(row, expected) << "row " << y;
    }
    // The fingertip is the hotspot, and it is drawn.
    EXPECT_EQ(kHandHotspotX, 5);
    EXPECT_EQ(kHandHotspotY, 0);
    EXPECT_EQ(PixelOf(planes, kHandHotspotX, kHandHotspotY), '#');
}

TEST(HandCursor, BytesAreMostSignificantBitFirst) {
    // Worked by hand from the picture.
    struct Case {
        int row, byteInRow;
        uint8_t andByte, xorByte;
    };
    const Case cases[] = {
        {0, 0, 0xF9, 0x00},   // .....##.
        {0, 1, 0xFF, 0x00},   // ........
        {9, 0, 0x10, 0x06},   // ###.#oo#
        {10, 0, 0x00, 0x67},  // #oo##ooo
        {10, 1, 0x00, 0xFB},  // ooooo#oo
        {10, 2, 0x7F, 0x00},  // #.......
        {21, 0, 0xF8, 0x00},  // .....###
        {21, 1, 0x01, 0x00},  // #######.
        {31, 3, 0xFF, 0x00},
    };
    const CursorPlanes& planes = HandCursorPlanes();
    for (const Case& c : cases) {
        SCOPED_TRACE("row " + std::to_string(c.row) + " byte " + std::to_string(c.byteInRow));
        EXPECT_EQ(Hex(planes.andPlane[c.row * 4 + c.byteInRow]), Hex(c.andByte));
        EXPECT_EQ(Hex(planes.xorPlane[c.row * 4 + c.byteInRow]), Hex(c.xorByte));
    }
}

TEST(PlanesFromPicture, BuildsOrRefusesSmallPictures) {
    const char* const mixed[] = {"#o.", "", "..o"};
    const char* const badCharacter[] = {"#x"};
    const std::string wide(33, '.');
    const char* const tooWide[] = {wide.c_str()};
    std::vector<const char*> tooTall(33, ".");
    struct Case {
        const char* name;
        const char* const* rows;
        size_t count;
        bool built;
        std::vector<int> andBytes, xorBytes;  // the first bytes of rows 0 to 2
    };
    const Case cases[] = {
        {"black, white, transparent", mixed, 3, true, {0x3F, 0xFF, 0xDF}, {0x40, 0x00, 0x20}},
        {"no rows", nullptr, 0, true, {0xFF, 0xFF, 0xFF}, {0, 0, 0}},
        {"an unknown character", badCharacter, 1, false, {0xFF, 0xFF, 0xFF}, {0, 0, 0}},
        {"33 columns", tooWide, 1, false, {0xFF, 0xFF, 0xFF}, {0, 0, 0}},
        {"33 rows", tooTall.data(), tooTall.size(), false, {0xFF, 0xFF, 0xFF}, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CursorPlanes planes;
        planes.andPlane.fill(0x12);
        planes.xorPlane.fill(0x34);
        EXPECT_EQ(PlanesFromPicture(c.rows, c.count, planes), c.built);
        for (int row = 0; row < 3; ++row) {
            EXPECT_EQ(Hex(planes.andPlane[row * 4]), Hex(static_cast<uint32_t>(c.andBytes[row]))) << "row " << row;
            EXPECT_EQ(Hex(planes.xorPlane[row * 4]), Hex(static_cast<uint32_t>(c.xorBytes[row]))) << "row " << row;
        }
        // Everything the picture does not reach is transparent.
        EXPECT_EQ(planes.andPlane[3 * 4 + 1], 0xFF);
        EXPECT_EQ(planes.xorPlane[31 * 4 + 3], 0x00);
    }
}

// ---------------------------------------------------------------- placement

TEST(CentreOnScreen, HalvesTruncateTowardZero) {
    struct Case {
        const char* name;
        int32_t screenWidth, screenHeight, width, height;
        Rect expected;
    };
    const Case cases[] = {
        {"400 x 300 on 1024 x 768", 1024, 768, 400, 300, {312, 234, 712, 534}},
        {"901 wide on 800: -101 / 2 is -50, not -51", 800, 600, 901, 100, {-50, 250, 851, 350}},
        {"one pixel taller than the screen", 1024, 768, 10, 769, {507, 0, 517, 769}},
        {"three pixels taller than the screen", 1024, 768, 10, 771, {507, -1, 517, 770}},
        {"odd free space rounds down", 1024, 768, 1, 1, {511, 383, 512, 384}},
        {"the whole screen", 1024, 768, 1024, 768, {0, 0, 1024, 768}},
        {"the widest picture does not overflow", 0, 0, 2147483647, 2147483647,
         {-1073741823, -1073741823, 1073741824, 1073741824}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Rect r = CentreOnScreen(c.screenWidth, c.screenHeight, c.width, c.height);
        EXPECT_EQ(r, c.expected) << Describe(r);
    }
}

TEST(CentreDialog, CentresOnTheReferenceAndStaysInTheWorkArea) {
    const Rect screen{0, 0, 1024, 768}, withTaskbar{0, 0, 1024, 738};
    struct Case {
        const char* name;
        Rect reference, workArea;
        int32_t width, height;
        Rect expected;
    };
    const Case cases[] = {
        {"on the work area", withTaskbar, withTaskbar, 331, 251, {347, 244, 678, 495}},
        {"on an owner", {100, 100, 500, 400}, screen, 300, 200, {150, 150, 450, 350}},
        {"odd sums truncate", {0, 0, 1025, 769}, screen, 331, 251, {347, 259, 678, 510}},
        {"owner off the left and top edges", {-400, -300, 100, 100}, screen, 300, 200, {0, 0, 300, 200}},
        {"owner off the right and bottom edges", {900, 700, 1200, 900}, withTaskbar, 300, 200,
         {724, 538, 1024, 738}},
        // The left edge is checked first, and only when it is inside is the
        // right edge checked: a larger dialog ends flush with the right.
        {"larger than the work area, centred inside it", screen, {0, 0, 200, 100}, 300, 200,
         {-100, -100, 200, 100}},
        {"larger than the work area, centred left of it", {-500, -500, 0, 0}, {0, 0, 200, 100}, 300, 200,
         {0, 0, 300, 200}},
        {"a work area left of the primary screen", {-1281, 0, 0, 768}, {-1280, 0, 0, 768}, 100, 100,
         {-690, 334, -590, 434}},
        {"exactly fitting", screen, screen, 1024, 768, {0, 0, 1024, 768}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Rect r = CentreDialog(c.reference, c.workArea, c.width, c.height);
        EXPECT_EQ(r, c.expected) << Describe(r);
    }
}

TEST(LinkRect, AlignmentComesFromTheStaticType) {
    struct Case {
        const char* name;
        uint32_t style;
        TextAlignment alignment;
    };
    const Case cases[] = {
        {"SS_LEFT", 0x50020000, TextAlignment::Left},
        {"SS_CENTER", 0x50020001, TextAlignment::Centre},
        {"SS_RIGHT", 0x50020002, TextAlignment::Right},
        {"SS_CENTER with SS_NOTIFY", 0x50020101, TextAlignment::Centre},
        {"SS_RIGHT with SS_NOTIFY and SS_CENTERIMAGE", 0x50020302, TextAlignment::Right},
        {"SS_SIMPLE has both low bits but is left-aligned", 0x5002000B, TextAlignment::Left},
        {"SS_LEFTNOWORDWRAP", 0x5002000C, TextAlignment::Left},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(static_cast<int>(AlignmentOfStaticStyle(c.style)), static_cast<int>(c.alignment));
    }
}

TEST(LinkRect, MovesTheMeasuredTextByItsAlignment) {
    const Rect client{0, 0, 112, 13};
    struct Case {
        const char* name;
        Rect measured;
        TextAlignment alignment;
        Rect expected;
    };
    const Case cases[] = {
        {"left stays at the top left", {0, 0, 97, 13}, TextAlignment::Left, {0, 0, 97, 13}},
        {"centred moves by half the free width", {0, 0, 97, 13}, TextAlignment::Centre, {7, 0, 104, 13}},
        {"right moves by all of it", {0, 0, 97, 13}, TextAlignment::Right, {15, 0, 112, 13}},
        {"wrapped text keeps its height", {0, 0, 60, 26}, TextAlignment::Centre, {26, 0, 86, 26}},
        {"wider than the control: centred moves left", {0, 0, 120, 13}, TextAlignment::Centre,
         {-4, 0, 116, 13}},
        {"wider than the control: right-aligned moves left", {0, 0, 120, 13}, TextAlignment::Right,
         {-8, 0, 112, 13}},
        {"an odd negative half truncates toward zero", {0, 0, 115, 13}, TextAlignment::Centre, {-1, 0, 114, 13}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Rect r = PlaceLinkRect(c.measured, client, c.alignment);
        EXPECT_EQ(r, c.expected) << Describe(r);
    }
}

// ---------------------------------------------------------------- splash picture

void Put16(std::string& s, size_t at, uint32_t v) {
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, size_t at, uint32_t v) {
    Put16(s, at, v & 0xFFFF);
    Put16(s, at + 2, v >> 16);
}

// A bitmap file as a painting program writes it.
struct Bmp {
    uint32_t infoSize = 40;
    int32_t width = 4, height = 3;
    uint32_t planes = 1, bitCount = 24, compression = 0, sizeImage = 0, colourCount = 0;
    uint32_t masks = 0;         // bytes of colour masks after the header
    int64_t pixelBytes = -1;    // -1: exactly what the size needs
    int64_t offBitsShift = 0;   // added to the natural pixel offset
    std::string bytes() const {
        const uint32_t entry = infoSize == 12 ? 3 : 4;
        uint32_t table = 0;
        if (bitCount <= 8) table = (colourCount ? colourCount : (1u << bitCount)) * entry;
        const uint32_t offBits = 14 + infoSize + masks + table;
        const int64_t rows = height < 0 ? -static_cast<int64_t>(height) : height;
        const int64_t columns = width < 0 ? -static_cast<int64_t>(width) : width;
        const int64_t pixels = pixelBytes >= 0 ? pixelBytes : (columns * bitCount + 31) / 32 * 4 * rows;
        std::string s(offBits + static_cast<size_t>(pixels), '\0');
        s[0] = 'B';
        s[1] = 'M';
        Put32(s, 2, static_cast<uint32_t>(s.size()));
        Put32(s, 10, static_cast<uint32_t>(offBits + offBitsShift));
        Put32(s, 14, infoSize);
        if (infoSize == 12) {
            Put16(s, 18, static_cast<uint32_t>(width));
            Put16(s, 20, static_cast<uint32_t>(height));
            Put16(s, 22, planes);
            Put16(s, 24, bitCount);
        } else {
            Put32(s, 18, static_cast<uint32_t>(width));
            Put32(s, 22, static_cast<uint32_t>(height));
            Put16(s, 26, planes);
            Put16(s, 28, bitCount);
            Put32(s, 30, compression);
            Put32(s, 34, sizeImage);
            Put32(s, 46, colourCount);
        }
        return s;
    }
};

TEST(CheckBitmapFile, AcceptsWholeBitmapsOnly) {
    auto with = [](auto change) {
        Bmp b;
        change(b);
        return b.bytes();
    };
    const std::string good = Bmp().bytes();  // 4 x 3, 24 bits: 12 bytes a row
    struct Case {
        const char* name;
        std::string file;
        int64_t sizeChange;  // the file is this much longer (+) or shorter (-) than `file`
        bool whole;
        int32_t width, height;
    };
    const Case cases[] = {
        {"24 bits", good, 0, true, 4, 3},
        {"one byte short", good, -1, false, 0, 0},
        {"trailing bytes are fine", good, 100, true, 4, 3},
        {"400 x 300", with([](Bmp& b) { b.width = 400; b.height = 300; }), 0, true, 400, 300},
        {"top-down", with([](Bmp& b) { b.height = -3; }), 0, true, 4, 3},
        {"1 bit with its two colours", with([](Bmp& b) { b.bitCount = 1; b.width = 33; }), 0, true, 33, 3},
        {"8 bits, a short table", with([](Bmp& b) { b.bitCount = 8; b.colourCount = 16; }), 0, true, 4, 3},
        {"8 bits, more colours than the depth holds", with([](Bmp& b) { b.bitCount = 8; b.colourCount = 257; }),
         0, false, 0, 0},
        {"32 bits with masks after the header",
         with([](Bmp& b) { b.bitCount = 32; b.compression = 3; b.masks = 12; }), 0, true, 4, 3},
        {"32 bits, masks missing from a short file",
         with([](Bmp& b) { b.bitCount = 32; b.compression = 3; b.pixelBytes = 4; }), 0, false, 0, 0},
        {"a V5 header", with([](Bmp& b) { b.infoSize = 124; b.bitCount = 32; }), 0, true, 4, 3},
        {"an OS/2 core header", with([](Bmp& b) { b.infoSize = 12; b.width = 5; b.height = 2; }), 0, true, 5, 2},
        {"an OS/2 core header of 16 bits", with([](Bmp& b) { b.infoSize = 12; b.bitCount = 16; }), 0, false, 0, 0},
        {"RLE8 inside the file",
         with([](Bmp& b) { b.bitCount = 8; b.compression = 1; b.sizeImage = 20; b.pixelBytes = 20; }), 0, true, 4,
         3},
        {"RLE8 running past the end",
         with([](Bmp& b) { b.bitCount = 8; b.compression = 1; b.sizeImage = 21; b.pixelBytes = 20; }), 0, false, 0,
         0},
        {"RLE8 without its size",
         with([](Bmp& b) { b.bitCount = 8; b.compression = 1; b.pixelBytes = 20; }), 0, false, 0, 0},
        {"RLE8 top-down",
         with([](Bmp& b) { b.bitCount = 8; b.compression = 1; b.height = -3; b.sizeImage = 20; b.pixelBytes = 20; }),
         0, false, 0, 0},
        {"RLE4 on 8 bits",
         with([](Bmp& b) { b.bitCount = 8; b.compression = 2; b.sizeImage = 20; b.pixelBytes = 20; }), 0, false, 0,
         0},
        {"JPEG inside", with([](Bmp& b) { b.compression = 4; }), 0, false, 0, 0},
        {"two planes", with([](Bmp& b) { b.planes = 2; }), 0, false, 0, 0},
        {"7 bits", with([](Bmp& b) { b.bitCount = 7; }), 0, false, 0, 0},
        {"no width", with([](Bmp& b) { b.width = 0; }), 0, false, 0, 0},
        {"negative width", with([](Bmp& b) { b.width = -4; }), 0, false, 0, 0},
        {"no height", with([](Bmp& b) { b.height = 0; }), 0, false, 0, 0},
        {"an unknown header size", with([](Bmp& b) { b.infoSize = 20; }), 0, false, 0, 0},
        {"pixels said to lie past the end", with([](Bmp& b) { b.offBitsShift = 1; }), 0, false, 0, 0},
        {"pixels said to lie inside the header", with([](Bmp& b) { b.offBitsShift = -20; }), 0, false, 0, 0},
        {"a size whose pixel count overflows 64 bits",
         with([](Bmp& b) { b.width = 0x7FFFFFFF; b.height = 0x7FFFFFFF; b.bitCount = 32; b.pixelBytes = 16; }), 0,
         false, 0, 0},
        {"text", "hello, world", 0, false, 0, 0},
        {"the magic alone", "BM", 0, false, 0, 0},
        {"a header cut inside the info header", good.substr(0, 30), 0, false, 0, 0},
        {"empty", "", 0, false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const uint64_t size = static_cast<uint64_t>(static_cast<int64_t>(c.file.size()) + c.sizeChange);
        int32_t width = -7, height = -7;
        EXPECT_EQ(CheckBitmapFile(c.file.substr(0, kBitmapHeadBytes), size, width, height), c.whole);
        if (c.whole) {
            EXPECT_EQ(width, c.width);
            EXPECT_EQ(height, c.height);
        }
    }
}

// ---------------------------------------------------------------- JRE folder

TEST(ChooseJreFolder, AcceptsAFolderHoldingTheLibraryOfTheType) {
    const std::string client = "bin\\client\\jvm.dll", server = "bin\\server\\jvm.dll";
    struct Case {
        const char* name;
        std::string home;  // where the files below lie
        std::vector<std::string> present;
        std::string browsed;
        JvmType type;
        std::string folder, jvmPath;
    };
    const Case cases[] = {
        {"a runtime folder", "C:\\Java\\jre1.5\\", {client}, "C:\\Java\\jre1.5", JvmType::Default,
         "C:\\Java\\jre1.5\\", "C:\\Java\\jre1.5\\bin\\client\\jvm.dll"},
        {"a drive root keeps its one backslash", "C:\\", {client}, "C:\\", JvmType::Default, "C:\\",
         "C:\\bin\\client\\jvm.dll"},
        {"the bin folder is no Java home", "C:\\Java\\jre1.5\\", {client}, "C:\\Java\\jre1.5\\bin",
         JvmType::Default, "C:\\Java\\jre1.5\\bin\\", ""},
        {"server refuses a client-only runtime", "D:\\jre\\", {client}, "D:\\jre", JvmType::Server, "D:\\jre\\",
         ""},
        {"favor_server takes a client-only runtime", "D:\\jre\\", {client}, "D:\\jre", JvmType::FavorServer,
         "D:\\jre\\", "D:\\jre\\bin\\client\\jvm.dll"},
        {"favor_server takes the server VM first", "D:\\jre\\", {client, server}, "D:\\jre", JvmType::FavorServer,
         "D:\\jre\\", "D:\\jre\\bin\\server\\jvm.dll"},
        {"an empty path chooses nothing, not the current directory", "", {client}, "", JvmType::Default, "", ""},
        // 0x95 0x5C is one double-byte character whose second byte is '\'.
        {"a double-byte character ending in 0x5C gets its backslash", "C:\\\x95\\\\", {client}, "C:\\\x95\\",
         JvmType::Default, "C:\\\x95\\\\", "C:\\\x95\\\\bin\\client\\jvm.dll"},
        {"a real backslash after a double-byte character", "C:\\\x95\\\\", {client}, "C:\\\x95\\\\",
         JvmType::Default, "C:\\\x95\\\\", "C:\\\x95\\\\bin\\client\\jvm.dll"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeOs os;
        os.leadBytes = {0x95};
        os.AddFiles(c.home, c.present);
        const JreChoice choice = ChooseJreFolder(os, c.browsed, c.type);
        EXPECT_EQ(choice.folder, c.folder);
        EXPECT_EQ(choice.jvmPath, c.jvmPath);
    }
}

}  // namespace
}  // namespace ui
}  // namespace launcher
