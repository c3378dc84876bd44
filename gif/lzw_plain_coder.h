#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "byte_sink.h"
#include "lzw_code_stream.h"
#include "lzw_strings.h"

// The LZW coder at its plainest: one pixel at a time, one table look-up a pixel. CLzwEncoder
// writes exactly these bytes faster, through shortcuts; this one is its reference twin, which
// the tests hold it to byte for byte, and the place to read what the coder does. `choice` (see
// lzw_choices.h) decides what each pixel is written as. True when the code table filled up.
template <class Choice>
bool CodeLzwPlain(IByteSink& file, Choice& choice, size_t count, uint8_t minCodeSize,
                  LzwWhenFull whenFull = LzwWhenFull::Clear)
{
    CLzwStrings strings;
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[CCodePacker::kBufferSize]);
    CLzwCodeStream out(file, buffer.get(), minCodeSize, whenFull);
    if (count == 0) {
        out.FinishEmpty();
        return false;
    }
    uint32_t prefix = choice.Start(strings, 0);
    for (size_t i = 1; i < count; ++i) {
        const uint32_t entry = choice.GoOn(strings, prefix, i);
        if (entry != 0) {
            prefix = entry;
            continue;
        }
        // No string goes on: write this one; the table gets it followed by the next string's
        // first value.
        const uint32_t next = choice.Start(strings, i);
        const uint32_t code = out.EndString(prefix);
        if (code == CLzwCodeStream::kCleared)
            strings.Clear();
        else if (code != 0)
            strings.Add(prefix << 8 | next, code);
        prefix = next;
    }
    return out.Finish(prefix);
}
