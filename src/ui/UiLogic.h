// Portable logic of the user interface: link colours, the hand cursor's bit planes, window placement, the splash picture check and the folder chosen in the JRE Not Found dialog.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Os.h"

namespace launcher {
namespace ui {

// A rectangle in the platform's sense: right and bottom lie just outside.
struct Rect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};
inline bool operator==(const Rect& a, const Rect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline bool operator!=(const Rect& a, const Rect& b) { return !(a == b); }

// ---------------------------------------------------------------- link colours

// Colours are COLORREF values: red in the low byte, then green, then blue.
constexpr uint32_t kDefaultLinkColour = 0x00FF0000;     // blue
constexpr uint32_t kDefaultVisitedColour = 0x00800080;  // purple

// "red,green,blue" as the browser settings store it. Each part is read as a
// decimal number after leading spaces with an optional sign (no digits read
// as 0; more digits than 32 bits hold wrap around, as a 32-bit reader would)
// and only its low 8 bits are kept. Rejected: fewer than two commas, a first
// or second part that reads as -1, nothing after the second comma. The text
// ends at its first NUL byte.
bool ParseColour(const std::string& text, uint32_t& colour);

// The registry is read into a buffer of this many bytes; a longer value does
// not fit and is ignored.
constexpr size_t kColourValueBufferSize = 12;
constexpr uint32_t kRegistryString = 1;          // REG_SZ
constexpr uint32_t kRegistryExpandString = 2;    // REG_EXPAND_SZ

// A link colour from a registry value of `type` whose data, as stored, is
// `data`: used only when it fits the buffer, is a string type (an expandable
// one is not expanded), ends in a NUL byte and parses.
bool ColourFromRegistryValue(uint32_t type, const std::string& data, uint32_t& colour);

// ---------------------------------------------------------------- hand cursor

constexpr int kCursorSize = 32;
constexpr int kCursorPlaneBytes = kCursorSize * kCursorSize / 8;
constexpr int kHandHotspotX = 5;
constexpr int kHandHotspotY = 0;

// The two bit planes of a monochrome cursor: 32 rows of 4 bytes, top row
// first, the most significant bit of a byte is the leftmost pixel.
struct CursorPlanes {
    std::array<uint8_t, kCursorPlaneBytes> andPlane;
    std::array<uint8_t, kCursorPlaneBytes> xorPlane;
};

// Builds the planes from a picture: '.' transparent (AND 1, XOR 0), '#' black
// (AND 0, XOR 0), 'o' white (AND 0, XOR 1). Rows and columns the picture does
// not reach are transparent. False, with the planes all transparent, when
// there are more than 32 rows, a row is longer than 32 pixels or holds any
// other character.
bool PlanesFromPicture(const char* const* rows, size_t rowCount, CursorPlanes& planes);

// The link's hand cursor, the fingertip at (kHandHotspotX, kHandHotspotY).
const CursorPlanes& HandCursorPlanes();

// ---------------------------------------------------------------- placement

// A picture of `width` x `height` centred on a screen of the given size; the
// halves are truncated toward zero, so a picture wider than the screen
// overhangs both edges.
Rect CentreOnScreen(int32_t screenWidth, int32_t screenHeight, int32_t width, int32_t height);

// A dialog of `width` x `height` centred on `reference` (the owner window's
// rectangle when there is a usable owner, else the work area), then moved
// back into `workArea`: to its left edge when it lies left of it, else to its
// right edge when it passes that; the same for top and bottom. A dialog
// larger than the work area therefore keeps whichever edge that test gives.
Rect CentreDialog(const Rect& reference, const Rect& workArea, int32_t width, int32_t height);

// Horizontal alignment of a static text control; the numbers are those of
// the text-drawing flags (DT_LEFT, DT_CENTER, DT_RIGHT).
enum class TextAlignment { Left = 0, Centre = 1, Right = 2 };

// The alignment a static control's style asks for: its type field (the low
// five bits) SS_CENTER or SS_RIGHT; every other type draws left-aligned.
TextAlignment AlignmentOfStaticStyle(uint32_t style);

// The link's rectangle: `measured` is the wrapped text's rectangle with its
// top left corner at the client's; a centred one moves right by half the
// free width, a right-aligned one by all of it.
Rect PlaceLinkRect(const Rect& measured, const Rect& client, TextAlignment alignment);

// ---------------------------------------------------------------- splash picture

// How many leading bytes of a file CheckBitmapFile needs at most.
constexpr size_t kBitmapHeadBytes = 14 + 124;

// Whether a file of `fileSize` bytes that starts with `head` is a whole
// Windows bitmap: the "BM" header, an info header of a known size, a sane
// size, plane count, depth and compression, and a colour table and pixel
// data that lie inside the file. On true, `width` and `height` are the
// picture's size (height positive also for a top-down bitmap).
bool CheckBitmapFile(const std::string& head, uint64_t fileSize, int32_t& width, int32_t& height);

// ---------------------------------------------------------------- JRE folder

// What one completed browse in the JRE Not Found dialog chooses.
struct JreChoice {
    // The browsed path with a backslash appended when it is not empty and
    // does not end in one.
    std::string folder;
    // The JVM library of the wanted type inside `folder`, or empty: OK is
    // enabled exactly when this is not empty.
    std::string jvmPath;
};

// `browsedPath` is the file-system path the folder browser gave. A trailing
// byte of a double-byte character is never taken for the backslash. An empty
// path chooses no library.
JreChoice ChooseJreFolder(Os& os, const std::string& browsedPath, JvmType type);

}  // namespace ui
}  // namespace launcher
