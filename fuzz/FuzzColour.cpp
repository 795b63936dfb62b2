// Fuzz target: link colours from the registry (ParseColour, ColourFromRegistryValue).
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "ui/UiLogic.h"

using fuzz::Quoted;
using launcher::ui::ColourFromRegistryValue;
using launcher::ui::kColourValueBufferSize;
using launcher::ui::ParseColour;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider provider(data, size);
    const uint32_t type = provider.ConsumeIntegralInRange<uint32_t>(0, 4);
    const uint8_t red = provider.ConsumeIntegral<uint8_t>(), green = provider.ConsumeIntegral<uint8_t>(),
                  blue = provider.ConsumeIntegral<uint8_t>();
    const uint8_t style = provider.ConsumeIntegral<uint8_t>();
    const std::string text = provider.ConsumeRemainingBytesAsString();

    // Any text: a colour has three bytes, and needs two commas before the
    // first NUL with something after the second.
    uint32_t colour = 0xDEADBEEF;
    const bool parsed = ParseColour(text, colour);
    const std::string visible = text.substr(0, text.find('\0'));
    const size_t first = visible.find(','), second = first == std::string::npos ? first : visible.find(',', first + 1);
    if (parsed) {
        FUZZ_CHECK(colour <= 0xFFFFFF, Quoted(text) + " gave " + std::to_string(colour));
        FUZZ_CHECK(second != std::string::npos && second + 1 < visible.size(), Quoted(text));
    } else {
        FUZZ_CHECK(colour == 0xDEADBEEF, Quoted(text) + " was rejected but changed the colour");
    }

    // As a registry value: only a string type that fits the buffer and ends
    // in NUL is taken, and then it reads as the text does.
    uint32_t fromRegistry = 0;
    const bool accepted = ColourFromRegistryValue(type, text, fromRegistry);
    const bool usable = (type == 1 || type == 2) && !text.empty() && text.size() <= kColourValueBufferSize &&
                        text.back() == '\0';
    FUZZ_CHECK(accepted == (usable && parsed), Quoted(text) + " type " + std::to_string(type));
    if (accepted) FUZZ_CHECK(fromRegistry == colour, Quoted(text));

    // Round trip: three bytes written as a user or a browser would (blanks
    // after the commas, a plus sign, leading zeros) read back exactly.
    auto number = [&](uint8_t value, int bit) {
        std::string n;
        if (style >> 6 & 1) n += "  ";
        if (style >> bit & 1) n += '+';
        if (style >> (bit + 1) & 1) n += "00";
        return n + std::to_string(value);
    };
    const std::string written = number(red, 0) + "," + number(green, 2) + "," + number(blue, 4);
    uint32_t read = 0;
    const uint32_t expected = red | green << 8 | blue << 16;
    FUZZ_CHECK(ParseColour(written, read) && read == expected, Quoted(written) + " gave " + std::to_string(read));
    // A negative part wraps to its low byte; -1 is refused in the first two.
    uint32_t negative = 0;
    const std::string minus = "-" + std::to_string(red) + ",-" + std::to_string(green) + ",-" + std::to_string(blue);
    const bool refused = red == 1 || green == 1;
    FUZZ_CHECK(ParseColour(minus, negative) == !refused, Quoted(minus));
    if (!refused)
        FUZZ_CHECK(negative == (((256u - red) & 0xFF) | ((256u - green) & 0xFF) << 8 | ((256u - blue) & 0xFF) << 16),
                   Quoted(minus) + " gave " + std::to_string(negative));
    return 0;
}
