// Portable logic of the user interface: colour parsing, the hand cursor's planes, placement, the bitmap file check and the browsed JRE folder.
#include "ui/UiLogic.h"

#include <cstdlib>
#include <limits>

#include "discovery/JvmLibrary.h"
#include "discovery/RuntimeLayout.h"

namespace launcher {
namespace ui {

namespace {

// ---------------------------------------------------------------- colours

// A 32-bit signed reading of the text: spaces, a sign, digits. Wider values
// wrap around instead of being undefined.
int32_t ReadNumber(const std::string& text, size_t begin, size_t end) {
    size_t i = begin;
    while (i < end && text[i] == ' ') ++i;
    bool negative = false;
    if (i < end && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    uint32_t value = 0;
    for (; i < end && text[i] >= '0' && text[i] <= '9'; ++i) value = value * 10u + static_cast<uint32_t>(text[i] - '0');
    if (negative) value = 0u - value;
    const int64_t wide = value >= 0x80000000u ? static_cast<int64_t>(value) - 0x100000000LL : value;
    return static_cast<int32_t>(wide);
}

// ---------------------------------------------------------------- cursor

// The hand: black outline, white inside, the fingertip at column 5 of row 0.
const char* const kHandPicture[] = {
    ".....##.........................",  // 00
    "....#oo#........................",  // 01
    "....#oo#........................",  // 02
    "....#oo#........................",  // 03
    "....#oo#........................",  // 04
    "....#oo###......................",  // 05
    "....#oo#oo###...................",  // 06
    "....#oo#oo#oo##.................",  // 07
    "....#oo#oo#oo#o#................",  // 08
    "###.#oo#oo#oo#oo#...............",  // 09
    "#oo##oooooooo#oo#...............",  // 10
    "#ooo#ooooooooooo#...............",  // 11
    ".#oo#ooooooooooo#...............",  // 12
    "..#o#ooooooooooo#...............",  // 13
    "..#ooooooooooooo#...............",  // 14
    "...#oooooooooooo#...............",  // 15
    "...#ooooooooooo#................",  // 16
    "....#oooooooooo#................",  // 17
    "....#oooooooooo#................",  // 18
    ".....#oooooooo#.................",  // 19
    ".....#oooooooo#.................",  // 20
    ".....##########.................",  // 21
};

CursorPlanes TransparentPlanes() {
    CursorPlanes planes;
    planes.andPlane.fill(0xFF);
    planes.xorPlane.fill(0x00);
    return planes;
}

// ---------------------------------------------------------------- placement

int32_t Clamp32(int64_t value) {
    if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(value);
}

Rect MakeRect(int64_t left, int64_t top, int64_t width, int64_t height) {
    Rect r;
    r.left = Clamp32(left);
    r.top = Clamp32(top);
    r.right = Clamp32(left + width);
    r.bottom = Clamp32(top + height);
    return r;
}

// One axis of the dialog placement: centred on the reference, then moved
// inside the work area, the low edge tested first.
int64_t CentreAxis(int64_t refLow, int64_t refHigh, int64_t areaLow, int64_t areaHigh, int64_t size) {
    int64_t low = (refLow + refHigh) / 2 - size / 2;
    if (low < areaLow)
        low = areaLow;
    else if (low + size > areaHigh)
        low = areaHigh - size;
    return low;
}

// ---------------------------------------------------------------- bitmap

uint32_t U16(const std::string& s, size_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(s[at])) |
           static_cast<uint32_t>(static_cast<unsigned char>(s[at + 1])) << 8;
}

uint32_t U32(const std::string& s, size_t at) { return U16(s, at) | U16(s, at + 2) << 16; }

int32_t I32(const std::string& s, size_t at) {
    const uint32_t u = U32(s, at);
    return static_cast<int32_t>(u >= 0x80000000u ? static_cast<int64_t>(u) - 0x100000000LL : u);
}

constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3;

}  // namespace

bool ParseColour(const std::string& input, uint32_t& colour) {
    const std::string text = input.substr(0, input.find('\0'));
    int32_t parts[3];
    size_t pos = 0;
    for (int k = 0; k < 2; ++k) {
        // A comma is never the trailing byte of a double-byte character, so a
        // byte scan finds the same commas as a character scan.
        const size_t comma = text.find(',', pos);
        if (comma == std::string::npos) return false;
        parts[k] = ReadNumber(text, pos, comma);
        if (parts[k] == -1) return false;
        pos = comma + 1;
    }
    if (pos >= text.size()) return false;
    parts[2] = ReadNumber(text, pos, text.size());
    colour = (static_cast<uint32_t>(parts[0]) & 0xFF) | (static_cast<uint32_t>(parts[1]) & 0xFF) << 8 |
             (static_cast<uint32_t>(parts[2]) & 0xFF) << 16;
    return true;
}

bool ColourFromRegistryValue(uint32_t type, const std::string& data, uint32_t& colour) {
    if (data.empty() || data.size() > kColourValueBufferSize) return false;
    if (type != kRegistryString && type != kRegistryExpandString) return false;
    if (data.back() != '\0') return false;
    return ParseColour(data, colour);
}

bool PlanesFromPicture(const char* const* rows, size_t rowCount, CursorPlanes& planes) {
    planes = TransparentPlanes();
    if (rowCount > static_cast<size_t>(kCursorSize)) return false;
    CursorPlanes built = TransparentPlanes();
    for (size_t y = 0; y < rowCount; ++y) {
        const char* row = rows[y];
        for (size_t x = 0; row && row[x]; ++x) {
            if (x >= static_cast<size_t>(kCursorSize)) return false;
            const size_t byte = y * (kCursorSize / 8) + x / 8;
            const uint8_t bit = static_cast<uint8_t>(0x80u >> (x % 8));
            switch (row[x]) {
            case '.': break;
            case '#': built.andPlane[byte] &= static_cast<uint8_t>(~bit); break;
            case 'o':
                built.andPlane[byte] &= static_cast<uint8_t>(~bit);
                built.xorPlane[byte] |= bit;
                break;
            default: return false;
            }
        }
    }
    planes = built;
    return true;
}

const CursorPlanes& HandCursorPlanes() {
    static const CursorPlanes planes = [] {
        CursorPlanes p;
        PlanesFromPicture(kHandPicture, sizeof kHandPicture / sizeof kHandPicture[0], p);
        return p;
    }();
    return planes;
}

Rect CentreOnScreen(int32_t screenWidth, int32_t screenHeight, int32_t width, int32_t height) {
    // C++ integer division truncates toward zero: -101 / 2 is -50.
    const int64_t left = (static_cast<int64_t>(screenWidth) - width) / 2;
    const int64_t top = (static_cast<int64_t>(screenHeight) - height) / 2;
    return MakeRect(left, top, width, height);
}

Rect CentreDialog(const Rect& reference, const Rect& workArea, int32_t width, int32_t height) {
    const int64_t left = CentreAxis(reference.left, reference.right, workArea.left, workArea.right, width);
    const int64_t top = CentreAxis(reference.top, reference.bottom, workArea.top, workArea.bottom, height);
    return MakeRect(left, top, width, height);
}

TextAlignment AlignmentOfStaticStyle(uint32_t style) {
    switch (style & 0x1Fu) {
    case 0x1u: return TextAlignment::Centre;  // SS_CENTER
    case 0x2u: return TextAlignment::Right;   // SS_RIGHT
    default: return TextAlignment::Left;
    }
}

Rect PlaceLinkRect(const Rect& measured, const Rect& client, TextAlignment alignment) {
    int64_t shift = 0;
    if (alignment == TextAlignment::Centre)
        shift = (static_cast<int64_t>(client.right) - measured.right) / 2;
    else if (alignment == TextAlignment::Right)
        shift = static_cast<int64_t>(client.right) - measured.right;
    Rect r = measured;
    r.left = Clamp32(r.left + shift);
    r.right = Clamp32(r.right + shift);
    return r;
}

bool CheckBitmapFile(const std::string& head, uint64_t fileSize, int32_t& width, int32_t& height) {
    constexpr uint64_t kFileHeader = 14;
    if (head.size() < kFileHeader + 12 || head[0] != 'B' || head[1] != 'M') return false;
    const uint64_t offBits = U32(head, 10);
    const uint32_t infoSize = U32(head, 14);
    int64_t w, h;
    uint32_t planes, bitCount, compression = kBiRgb, sizeImage = 0, colourCount = 0;
    uint64_t entrySize = 4;
    if (infoSize == 12) {  // BITMAPCOREHEADER
        w = U16(head, 18);
        h = U16(head, 20);
        planes = U16(head, 22);
        bitCount = U16(head, 24);
        entrySize = 3;
        if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24) return false;
    } else if (infoSize == 40 || infoSize == 52 || infoSize == 56 || infoSize == 64 || infoSize == 108 ||
               infoSize == 124) {
        if (head.size() < kFileHeader + 40) return false;
        w = I32(head, 18);
        h = I32(head, 22);
        planes = U16(head, 26);
        bitCount = U16(head, 28);
        compression = U32(head, 30);
        sizeImage = U32(head, 34);
        colourCount = U32(head, 46);
        if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
            return false;
    } else {
        return false;
    }
    if (planes != 1 || w <= 0 || h == 0 || h == std::numeric_limits<int32_t>::min()) return false;
    const bool topDown = h < 0;
    const uint64_t rows = static_cast<uint64_t>(topDown ? -h : h);

    uint64_t masks = 0;
    switch (compression) {
    case kBiRgb: break;
    case kBiRle8:
        if (bitCount != 8 || topDown || sizeImage == 0) return false;
        break;
    case kBiRle4:
        if (bitCount != 4 || topDown || sizeImage == 0) return false;
        break;
    case kBiBitfields:
        if (bitCount != 16 && bitCount != 32) return false;
        if (infoSize == 40) masks = 12;  // the three masks follow the header
        break;
    default: return false;  // JPEG, PNG and the rest are no picture LoadImage draws
    }
    uint64_t tableEntries = 0;
    if (bitCount <= 8) {
        const uint64_t most = 1ull << bitCount;
        if (colourCount > most) return false;
        tableEntries = colourCount ? colourCount : most;
    }
    const uint64_t headers = kFileHeader + infoSize + masks + tableEntries * entrySize;
    if (headers > fileSize || offBits < kFileHeader + infoSize || offBits > fileSize) return false;

    const uint64_t available = fileSize - offBits;
    if (compression == kBiRle8 || compression == kBiRle4) {
        if (sizeImage > available) return false;
    } else {
        const uint64_t stride = (static_cast<uint64_t>(w) * bitCount + 31) / 32 * 4;
        if (rows > available / stride) return false;
    }
    width = static_cast<int32_t>(w);
    height = static_cast<int32_t>(rows);
    return true;
}

JreChoice ChooseJreFolder(Os& os, const std::string& browsedPath, JvmType type) {
    const RuntimeLayout& layout = WindowsLayout();
    JreChoice choice;
    choice.folder = browsedPath;
    bool endsInSeparator = false;
    for (size_t i = 0; i < browsedPath.size(); ++i) {
        endsInSeparator = browsedPath[i] == layout.separator;
        if (os.IsLeadByte(static_cast<unsigned char>(browsedPath[i])) && i + 1 < browsedPath.size()) ++i;
    }
    // An empty path names no folder; looking for "bin\..." relative to the
    // current directory would accept a folder the user never chose.
    if (browsedPath.empty()) return choice;
    if (!endsInSeparator) choice.folder += layout.separator;
    choice.jvmPath = LocateJvmLibrary(os, layout, choice.folder, type);
    return choice;
}

}  // namespace ui
}  // namespace launcher
