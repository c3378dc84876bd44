// The LZW coder choosing between two values a pixel may take: what it writes decodes to one of
// the two for every pixel, to exactly the values it left in the indices, and is never longer
// than coding the first values where the other ones only continue the content.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "gif/lzw_choices.h"
#include "gif/lzw_decoder.h"
#include "gif/lzw_encoder.h"
#include "gif/lzw_plain_coder.h"
#include "gif/memory_sink.h"
#include "test_frames.h"

namespace {

// The image data's bytes without the sub-blocks' length bytes, as the decoder takes them.
std::vector<uint8_t> Joined(const std::vector<uint8_t>& blocks)
{
    std::vector<uint8_t> data;
    for (size_t i = 0; i < blocks.size() && blocks[i] != 0; i += blocks[i] + 1u)
        data.insert(data.end(), blocks.begin() + static_cast<long>(i) + 1,
                    blocks.begin() + static_cast<long>(i) + 1 + blocks[i]);
    return data;
}

struct Choices {
    const char* name;
    std::vector<uint8_t> first, other;  // other[k] == first[k]: no choice
};

// Pixels of `colours` values; `spare` (the transparent index) is every still pixel's other
// value, or its first where the still pixel continues in its own colour.
std::vector<Choices> Shapes(uint8_t bits, size_t length)
{
    const uint32_t colours = (1u << bits) - 1;
    const uint8_t spare = static_cast<uint8_t>(colours);
    uint32_t s = 0x9E3779B1u + bits;
    std::vector<Choices> out;
    std::vector<uint8_t> first(length), other(length);

    for (size_t i = 0; i < length; ++i) {  // noise, a third of it with a choice
        first[i] = static_cast<uint8_t>(NextRandom(s) % colours);
        other[i] = NextRandom(s) % 3 == 0 ? static_cast<uint8_t>(NextRandom(s) % colours) : first[i];
    }
    out.push_back({"noise", first, other});

    for (size_t i = 0; i < length; ++i) {  // lines of text, the middle of some lines still
        const uint8_t ink = static_cast<uint8_t>(i % 97 < 80 ? 0 : (i * 5 / 3) % colours);
        const bool still = (i / 700) % 3 == 1 && i % 700 > 100 && i % 700 < 600;
        first[i] = still ? spare : ink;
        other[i] = ink;
    }
    out.push_back({"text, still stretches transparent", first, other});

    for (size_t i = 0; i < length; ++i) {  // the same, the still stretches in their own colours
        std::swap(first[i], other[i]);
    }
    out.push_back({"text, still stretches in own colours", first, other});

    for (size_t i = 0; i < length;) {  // long runs, some of them still
        const uint8_t c = static_cast<uint8_t>(NextRandom(s) % colours);
        const bool still = NextRandom(s) % 2 == 0;
        for (size_t n = 1 + NextRandom(s) % 3000; n > 0 && i < length; --n, ++i) {
            first[i] = still ? spare : c;
            other[i] = c;
        }
    }
    out.push_back({"runs", first, other});
    return out;
}

// Grey values (value v is grey 4v) and captured pixels a little off their first value's grey,
// every pixel of the content within reach of its neighbours' values.
struct Near {
    std::vector<uint8_t> palette;
    std::vector<uint32_t> captured;
    uint8_t transparent;
    // greys: each pixel's captured grey; empty for its first value's grey and a little noise.
    Near(const std::vector<uint8_t>& first, uint8_t bits, std::vector<uint32_t> greys = {})
        : transparent(static_cast<uint8_t>((1u << bits) - 1))
    {
        for (uint32_t v = 0; v < 256; ++v)
            palette.insert(palette.end(), 3, static_cast<uint8_t>(4 * v % 256));
        uint32_t s = 99;
        for (size_t k = 0; greys.empty() && k < first.size(); ++k)
            captured.push_back(std::min(255u, 4u * first[k] + NextRandom(s) % 3));
        for (uint32_t grey : greys)
            captured.push_back(grey);
        for (uint32_t& grey : captured)
            grey = grey << 16 | grey << 8 | grey;
    }
    // Up to 2 greys off: a value one step (4 greys) away is nearby for some pixels, not for others.
    NearEnough Enough() const { return {captured.data(), palette.data(), transparent, 100, 7 * 2 * 2}; }
};

std::vector<uint8_t> Code(CLzwEncoder& lzw, std::vector<uint8_t>& first, std::vector<uint8_t>& other,
                          uint8_t bits, LzwWhenFull whenFull)
{
    CMemorySink sink;
    lzw.CompressChoosing(sink, first.data(), other.data(), first.size(), bits, whenFull);
    return sink.Bytes();
}

TEST(LzwChoices, DecodesToOneOfTheTwoValues)
{
    CLzwEncoder lzw;
    for (uint8_t bits : {2, 3, 8}) {
        for (const Choices& c : Shapes(bits, 60000)) {
            for (size_t length : {1, 2, 3, 5, 4096, 60000}) {
                for (LzwWhenFull whenFull : {LzwWhenFull::Clear, LzwWhenFull::Keep}) {
                    SCOPED_TRACE(testing::Message() << c.name << ", bits " << int(bits) << ", length " << length
                                                    << (whenFull == LzwWhenFull::Keep ? ", kept" : ", cleared"));
                    std::vector<uint8_t> first(c.first.begin(), c.first.begin() + length);
                    std::vector<uint8_t> other(c.other.begin(), c.other.begin() + length);
                    // Coded twice: the second time from the values the first one picked.
                    for (int pass = 0; pass < 2; ++pass) {
                        const std::vector<uint8_t> data = Joined(Code(lzw, first, other, bits, whenFull));
                        std::vector<uint8_t> decoded(length);
                        ASSERT_EQ(DecodeLzw(data.data(), data.size(), bits, decoded.data(), length), GifError::None);
                        ASSERT_TRUE(decoded == first) << "pass " << pass;
                        for (size_t k = 0; k < length; ++k) {
                            const bool kept = first[k] == c.first[k] && other[k] == c.other[k];
                            const bool swapped = first[k] == c.other[k] && other[k] == c.first[k];
                            ASSERT_TRUE(kept || swapped) << "pixel " << k << ", pass " << pass;
                        }
                    }
                }
            }
        }
    }
}

// Without choices the choosing coder is the plain one, byte for byte.
TEST(LzwChoices, NoChoiceCodesLikeThePlainCoder)
{
    CLzwEncoder lzw;
    for (const Choices& c : Shapes(8, 60000)) {
        for (LzwWhenFull whenFull : {LzwWhenFull::Clear, LzwWhenFull::Keep}) {
            SCOPED_TRACE(c.name);
            std::vector<uint8_t> first = c.first, same = c.first;
            CMemorySink plain;
            lzw.Compress(plain, c.first.data(), c.first.size(), 8, whenFull);
            EXPECT_TRUE(Code(lzw, first, same, 8, whenFull) == plain.Bytes());
        }
    }
}

// The fast coder and its plain twin write the same bytes and pick the same values, with and
// without choices, the table cleared or kept, on every shape of content.
TEST(LzwChoices, FastCoderWritesWhatItsPlainTwinWrites)
{
    CLzwEncoder lzw;
    for (uint8_t bits : {2, 5, 8}) {
        for (const Choices& c : Shapes(bits, 150000)) {
            for (size_t length : {1, 4097, 150000}) {
                for (LzwWhenFull whenFull : {LzwWhenFull::Clear, LzwWhenFull::Keep}) {
                    for (int policy : {0, 1, 2}) {
                        const bool choosing = policy == 1;
                        SCOPED_TRACE(testing::Message() << c.name << ", bits " << int(bits) << ", length " << length
                                                        << (whenFull == LzwWhenFull::Keep ? ", kept" : ", cleared")
                                                        << ", policy " << policy);
                        std::vector<uint8_t> first(c.first.begin(), c.first.begin() + length);
                        std::vector<uint8_t> other(c.other.begin(), c.other.begin() + length);
                        std::vector<uint8_t> plainFirst = first, plainOther = other;
                        CMemorySink fast, plain;
                        const Near nearby(c.first, bits);
                        if (policy == 2) {
                            lzw.CompressNear(fast, first.data(), other.data(), length, nearby.Enough(), bits, whenFull);
                            CNearPixels pixels(plainFirst.data(), plainOther.data(), length, nearby.Enough());
                            CodeLzwPlain(plain, pixels, length, bits, whenFull);
                        } else if (choosing) {
                            lzw.CompressChoosing(fast, first.data(), other.data(), length, bits, whenFull);
                            CTwoValuedPixels pixels(plainFirst.data(), plainOther.data(), length);
                            CodeLzwPlain(plain, pixels, length, bits, whenFull);
                        } else {
                            lzw.Compress(fast, first.data(), length, bits, whenFull);
                            CFixedPixels pixels(plainFirst.data());
                            CodeLzwPlain(plain, pixels, length, bits, whenFull);
                        }
                        ASSERT_TRUE(fast.Bytes() == plain.Bytes());
                        ASSERT_TRUE(first == plainFirst);
                    }
                }
            }
        }
    }
}

// Lossy: every pixel decodes to its own value, its other one, or a value whose colour is nearby
// enough to its captured colour; and dithered steps code shorter than exactly.
TEST(LzwChoices, NearPixelsStayNearTheirCapturedColours)
{
    const size_t length = 60000;
    uint32_t s = 3;
    // Steps of grey between two values, dithered: every pixel is nearby both.
    Choices noisy{"dithered steps", std::vector<uint8_t>(length), std::vector<uint8_t>(length)};
    std::vector<uint32_t> noisyGreys;
    for (size_t i = 0; i < length; ++i) {
        const uint32_t base = i / 500 % 20 * 10;
        noisy.first[i] = static_cast<uint8_t>(base + NextRandom(s) % 2);
        noisy.other[i] = noisy.first[i];
        noisyGreys.push_back(4 * base + 2);
    }
    std::vector<Choices> shapes = Shapes(8, length);
    shapes.push_back(noisy);
    CLzwEncoder lzw;
    for (const Choices& c : shapes) {
        SCOPED_TRACE(c.name);
        const Near nearby(c.first, 8, c.name == noisy.name ? noisyGreys : std::vector<uint32_t>());
        std::vector<uint8_t> first = c.first, other = c.other;
        CMemorySink lossy;
        lzw.CompressNear(lossy, first.data(), other.data(), length, nearby.Enough(), 8);
        const std::vector<uint8_t> data = Joined(lossy.Bytes());
        std::vector<uint8_t> decoded(length);
        ASSERT_EQ(DecodeLzw(data.data(), data.size(), 8, decoded.data(), length), GifError::None);
        ASSERT_TRUE(decoded == first);
        for (size_t k = 0; k < length; ++k) {
            if (decoded[k] == c.first[k] || decoded[k] == c.other[k])
                continue;
            const int d = static_cast<int>(nearby.palette[3 * decoded[k]]) - static_cast<int>(nearby.captured[k] & 0xFF);
            ASSERT_LE(7 * d * d, nearby.Enough().limit) << "pixel " << k;
            ASSERT_NE(nearby.transparent, decoded[k]) << "pixel " << k;
            ASSERT_NE(nearby.transparent, c.first[k]) << "pixel " << k;
        }
        if (c.name == noisy.name) {
            std::vector<uint8_t> exactFirst = c.first, exactOther = c.other;
            CMemorySink exact;
            lzw.CompressChoosing(exact, exactFirst.data(), exactOther.data(), length, 8);
            EXPECT_LT(lossy.Size() * 4, exact.Size() * 3);  // a quarter smaller at least
        }
    }
}

// A pattern of the content with still pixels in it, transparent first: picking their own
// colours continues the content's strings and codes much shorter. Long still runs of one
// colour code as runs either way: no longer.
TEST(LzwChoices, NeverLongerThanTheFirstValues)
{
    const size_t length = 60000;
    const uint8_t transparent = 255;
    uint32_t s = 7;
    Choices holes{"pattern with still holes", std::vector<uint8_t>(length), std::vector<uint8_t>(length)};
    for (size_t i = 0; i < length; ++i) {
        holes.other[i] = static_cast<uint8_t>(i % 7 * 31 + i % 5);
        holes.first[i] = NextRandom(s) % 8 == 0 ? transparent : holes.other[i];
    }
    const struct {
        Choices choices;
        bool shorter;
    } cases[] = {{holes, true}, {Shapes(8, length)[3], false}};
    CLzwEncoder lzw;
    for (const auto& k : cases) {
        SCOPED_TRACE(k.choices.name);
        for (LzwWhenFull whenFull : {LzwWhenFull::Clear, LzwWhenFull::Keep}) {
            std::vector<uint8_t> first = k.choices.first, other = k.choices.other;
            CMemorySink plain;
            lzw.Compress(plain, first.data(), length, 8, whenFull);
            const size_t chosen = Code(lzw, first, other, 8, whenFull).size();
            EXPECT_LE(chosen, plain.Size());
            if (k.shorter) {
                EXPECT_LT(chosen * 2, plain.Size());
            }
        }
    }
}

}  // namespace
