#pragma once
#include <cstdint>
#include <memory>

// The shortcuts CLzwEncoder keeps beside its string index (CLzwStrings), which let it walk the
// strings of a screen without a table look-up a pixel:
// - each code remembers the child it led to last (a 16 KiB table that stays in the first-level
//   cache), which is the one needed again in the repeating patterns of a screen;
// - and the code four pixels further on, so that a pattern seen before is walked four pixels
//   per step;
// - the strings made of one repeated index are remembered by length, so a run of equal pixels
//   jumps straight to the longest such string instead of walking the table pixel by pixel.
struct CLzwShortcuts {
    static constexpr uint32_t kCodes = 4096;
    static constexpr uint32_t kNoChild = 0xFFFF0000u;   // no pixel value is 0xFFFF
    static constexpr uint32_t kMoreChildren = 0x8000u;  // the code has other children than the one recorded

    // Four steps at once: the next four pixels last walked from a code (the latest in the top
    // byte) and the code reached (0: none), filled while walking one pixel at a time.
    struct FourSteps {
        uint32_t pixels;
        uint32_t code;
    };

    CLzwShortcuts()
        : lastChild(new uint32_t[kCodes]), fourSteps(new FourSteps[kCodes]), runPixel(new int16_t[kCodes]),
          runLength(new uint16_t[kCodes]), runCode(new uint16_t[256 * kCodes])
    {
    }

    // No string but the single indices below clearCode.
    void Reset(uint32_t clearCode)
    {
        for (uint32_t c = 0; c < clearCode; ++c) {
            lastChild[c] = kNoChild;
            fourSteps[c].code = 0;
            runPixel[c] = static_cast<int16_t>(c);
            runLength[c] = 1;
            runCode[256 + c] = static_cast<uint16_t>(c);
            longestRun[c] = 1;
        }
        runPixel[clearCode] = -1;
        runPixel[clearCode + 1] = -1;
    }

    // A new code, for prefix followed by pixel c: its parent's last child, no four-step yet, and
    // its place among the strings of one repeated index.
    void Record(uint32_t prefix, uint32_t c, uint32_t code)
    {
        const uint32_t siblings = lastChild[prefix] == kNoChild ? 0 : kMoreChildren;
        lastChild[prefix] = c << 16 | siblings | code;
        lastChild[code] = kNoChild;
        fourSteps[code].code = 0;
        if (runPixel[prefix] == static_cast<int16_t>(c)) {
            const uint32_t length = runLength[prefix] + 1u;
            runPixel[code] = static_cast<int16_t>(c);
            runLength[code] = static_cast<uint16_t>(length);
            runCode[length * 256 + c] = static_cast<uint16_t>(code);
            longestRun[c] = static_cast<uint16_t>(length);
        } else {
            runPixel[code] = -1;
        }
    }

    // pixel << 16 | code of the child last assigned or walked to, with kMoreChildren when the
    // code has other children too; kNoChild for a code without children.
    std::unique_ptr<uint32_t[]> lastChild;
    std::unique_ptr<FourSteps[]> fourSteps;
    // Strings of one repeated index: runPixel[code] is that index (-1 for other strings),
    // runLength[code] the string's length; runCode[n * 256 + pixel] the code of n times pixel,
    // for n up to longestRun[pixel].
    std::unique_ptr<int16_t[]> runPixel;
    std::unique_ptr<uint16_t[]> runLength;
    std::unique_ptr<uint16_t[]> runCode;
    uint16_t longestRun[256];
};
