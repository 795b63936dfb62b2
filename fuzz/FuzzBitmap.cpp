// Fuzz target: the splash picture check (CheckBitmapFile) on whole and truncated files.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "ui/UiLogic.h"

using fuzz::Quoted;
using launcher::ui::CheckBitmapFile;
using launcher::ui::kBitmapHeadBytes;

namespace {

uint64_t Little(const std::string& s, size_t at, int bytes) {
    uint64_t value = 0;
    for (int k = bytes - 1; k >= 0; --k) value = value << 8 | static_cast<unsigned char>(s[at + k]);
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string file(reinterpret_cast<const char*>(data), size);
    const std::string head = file.substr(0, kBitmapHeadBytes);
    int32_t width = -7, height = -7;
    if (!CheckBitmapFile(head, file.size(), width, height)) {
        FUZZ_CHECK(width == -7 && height == -7, Quoted(head) + " was refused but gave a size");
        return 0;
    }
    const std::string what = Quoted(head) + " of " + std::to_string(file.size()) + " bytes, " +
                             std::to_string(width) + " x " + std::to_string(height);
    FUZZ_CHECK(width > 0 && height > 0, what);
    FUZZ_CHECK(file[0] == 'B' && file[1] == 'M', what);

    // The pixels of an uncompressed picture lie inside the file, so a file
    // cut anywhere inside them is refused.
    const uint64_t infoSize = Little(file, 14, 4);
    const uint64_t offBits = Little(file, 10, 4);
    const uint64_t bitCount = infoSize == 12 ? Little(file, 24, 2) : Little(file, 28, 2);
    const uint64_t compression = infoSize == 12 ? 0 : Little(file, 30, 4);
    FUZZ_CHECK(offBits >= 14 + infoSize && offBits <= file.size(), what);
    if (compression == 0 || compression == 3) {
        const uint64_t stride = (static_cast<uint64_t>(width) * bitCount + 31) / 32 * 4;
        FUZZ_CHECK(stride > 0 && static_cast<uint64_t>(height) <= (file.size() - offBits) / stride, what);
        const uint64_t needed = offBits + stride * static_cast<uint64_t>(height);
        int32_t w = 0, h = 0;
        FUZZ_CHECK(!CheckBitmapFile(head, needed - 1, w, h), what + " accepted when cut to " +
                                                                 std::to_string(needed - 1) + " bytes");
    }
    return 0;
}
