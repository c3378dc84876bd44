#include "screen_content.h"

#include <algorithm>
#include <cmath>

namespace {

struct Painter {
    ScreenImage& image;

    void Put(int32_t x, int32_t y, uint8_t r, uint8_t g, uint8_t b)
    {
        if (x < 0 || y < 0 || x >= image.width || y >= image.height)
            return;
        uint8_t* p = &image.bgra[4 * (static_cast<size_t>(y) * image.width + x)];
        p[0] = b;
        p[1] = g;
        p[2] = r;
        p[3] = 0;
    }
    void Fill(int32_t x0, int32_t y0, int32_t w, int32_t h, uint8_t r, uint8_t g, uint8_t b)
    {
        for (int32_t y = std::max(0, y0); y < std::min(image.height, y0 + h); ++y)
            for (int32_t x = std::max(0, x0); x < std::min(image.width, x0 + w); ++x)
                Put(x, y, r, g, b);
    }
    void Frame(int32_t x0, int32_t y0, int32_t w, int32_t h, uint8_t r, uint8_t g, uint8_t b)
    {
        Fill(x0, y0, w, 1, r, g, b);
        Fill(x0, y0 + h - 1, w, 1, r, g, b);
        Fill(x0, y0, 1, h, r, g, b);
        Fill(x0 + w - 1, y0, 1, h, r, g, b);
    }
    // A line of text: glyphs 7 x 11 from a hash of the character position, with grey
    // anti-aliased edges, ink (r, g, b) over a background (br, bg, bb).
    void Text(int32_t x0, int32_t y0, int chars, uint32_t seed, const uint8_t ink[3], const uint8_t bg[3])
    {
        for (int c = 0; c < chars; ++c) {
            uint32_t h = (seed + static_cast<uint32_t>(c)) * 2654435761u;
            if ((h >> 28) < 3)  // a space
                continue;
            for (int gy = 0; gy < 11; ++gy) {
                for (int gx = 0; gx < 7; ++gx) {
                    h = h * 1103515245u + 12345u;
                    const bool stroke = (gx == 1 + static_cast<int>(h >> 30)) || (gy == 2 + static_cast<int>((h >> 20) & 7)) ||
                                        ((h >> 16) & 31) < 3;
                    if (!stroke || gy < 2)
                        continue;
                    const int alpha = ((h >> 8) & 3) == 0 ? 128 : 255;
                    uint8_t px[3];
                    for (int k = 0; k < 3; ++k)
                        px[k] = static_cast<uint8_t>((ink[k] * alpha + bg[k] * (255 - alpha)) / 255);
                    Put(x0 + c * 8 + gx, y0 + gy, px[0], px[1], px[2]);
                }
            }
        }
    }
};

void PaintText(Painter& p, int frame)
{
    const int32_t w = p.image.width, h = p.image.height;
    p.Fill(0, 0, w, h, 255, 255, 255);
    p.Fill(0, 0, w, 28, 240, 240, 240);
    p.Fill(0, 28, 48, h, 245, 245, 245);
    const uint8_t black[3] = {30, 30, 30}, white[3] = {255, 255, 255}, blue[3] = {0, 80, 200},
                  grey[3] = {245, 245, 245}, keyword[3] = {160, 0, 160};
    const int scroll = frame / 4;
    for (int32_t line = 0; 40 + line * 16 < h; ++line) {
        const uint32_t seed = static_cast<uint32_t>(line + scroll) * 977u;
        p.Text(4, 36 + line * 16, 4, seed ^ 0x55, blue, grey);
        const int indent = static_cast<int>((seed >> 4) % 6) * 4;
        const int len = static_cast<int>(20 + (seed >> 8) % std::max(1, (w - 80) / 8 - 20 - indent));
        p.Text(56 + indent * 8, 36 + line * 16, std::min(len, 12), seed, keyword, white);
        p.Text(56 + (indent + 12) * 8, 36 + line * 16, std::max(0, len - 12), seed + 1, black, white);
    }
    // The caret blinks.
    if (frame % 2 == 0)
        p.Fill(300, 36 + 16 * 5, 2, 14, 0, 0, 0);
}

void PaintUi(Painter& p, int frame)
{
    const int32_t w = p.image.width, h = p.image.height;
    // Desktop with a soft gradient, a task bar, and three overlapping windows.
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t r = static_cast<uint8_t>(20 + 40 * y / h), g = static_cast<uint8_t>(60 + 50 * y / h);
        p.Fill(0, y, w, 1, r, g, 140);
    }
    p.Fill(0, h - 40, w, 40, 32, 32, 40);
    for (int i = 0; i < 8; ++i)
        p.Fill(8 + i * 48, h - 34, 36, 28, static_cast<uint8_t>(60 + i * 20), 120, static_cast<uint8_t>(200 - i * 15));
    const uint8_t black[3] = {20, 20, 20}, white[3] = {255, 255, 255}, panel[3] = {240, 240, 240};
    for (int win = 0; win < 3; ++win) {
        const int32_t x0 = w / 10 + win * w / 5 + (win == 2 ? frame * 6 : 0);
        const int32_t y0 = h / 12 + win * h / 7;
        const int32_t ww = w / 2, wh = h / 2;
        p.Fill(x0 + 6, y0 + 6, ww, wh, 10, 30, 60);           // shadow
        p.Fill(x0, y0, ww, wh, 240, 240, 240);
        for (int32_t y = 0; y < 30; ++y)
            p.Fill(x0, y0 + y, ww, 1, static_cast<uint8_t>(0 + y), static_cast<uint8_t>(90 + y * 2), 200);
        p.Text(x0 + 10, y0 + 10, 24, 7u + win, white, white);
        p.Fill(x0 + ww - 30, y0 + 6, 20, 18, 220, 60, 50);     // close box
        p.Fill(x0 + 8, y0 + 40, ww - 16, 28, 225, 225, 225);   // tool bar
        for (int b = 0; b < 10; ++b)
            p.Fill(x0 + 12 + b * 30, y0 + 44, 22, 20, static_cast<uint8_t>(b * 25), static_cast<uint8_t>(200 - b * 12), 90);
        for (int32_t row = 0; y0 + 80 + row * 22 < y0 + wh - 30; ++row) {
            const bool odd = row % 2 == 1;
            const uint8_t bg = odd ? 248 : 255;
            const uint8_t rowBg[3] = {bg, bg, bg};
            p.Fill(x0 + 10, y0 + 80 + row * 22, ww - 20, 22, bg, bg, bg);
            p.Text(x0 + 16, y0 + 85 + row * 22, 30 + row % 9, static_cast<uint32_t>(row * 31 + win), black, rowBg);
        }
        p.Frame(x0, y0, ww, wh, 100, 100, 110);
        p.Fill(x0 + 10, y0 + wh - 28, 80, 22, 0, 120, 215);    // default button
        p.Text(x0 + 20, y0 + wh - 25, 6, 99, white, panel);
    }
}

void PaintPhoto(Painter& p, int frame)
{
    const int32_t w = p.image.width, h = p.image.height;
    uint32_t s = 0x9E3779B9u + static_cast<uint32_t>(frame);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            const double fx = (x + frame * 3) / static_cast<double>(w), fy = y / static_cast<double>(h);
            s ^= s << 13; s ^= s >> 17; s ^= s << 5;
            const int n = static_cast<int>(s & 7) - 4;
            const double sky = fy < 0.45 ? 1.0 : 0.0;
            const double hill = 0.5 + 0.5 * std::sin(fx * 9.0 + std::cos(fy * 5.0) * 2.0);
            int r = static_cast<int>(sky * (90 + 80 * fy) + (1 - sky) * (60 + 120 * hill * fy)) + n;
            int g = static_cast<int>(sky * (150 + 70 * fy) + (1 - sky) * (90 + 100 * hill)) + n;
            int b = static_cast<int>(sky * (230 - 30 * fx) + (1 - sky) * (40 + 60 * (1 - hill))) + n;
            p.Put(x, y, static_cast<uint8_t>(std::clamp(r, 0, 255)), static_cast<uint8_t>(std::clamp(g, 0, 255)),
                  static_cast<uint8_t>(std::clamp(b, 0, 255)));
        }
    }
}

}  // namespace

ScreenImage MakeScreen(ContentKind kind, int32_t width, int32_t height, int frame)
{
    ScreenImage image;
    image.width = width;
    image.height = height;
    image.bgra.assign(4 * static_cast<size_t>(width) * height, 0);
    Painter p{image};
    switch (kind) {
    case ContentKind::Text: PaintText(p, frame); break;
    case ContentKind::Ui: PaintUi(p, frame); break;
    case ContentKind::Photo: PaintPhoto(p, frame); break;
    }
    return image;
}

const char* ContentName(ContentKind kind)
{
    switch (kind) {
    case ContentKind::Text: return "text";
    case ContentKind::Ui: return "ui";
    case ContentKind::Photo: return "photo";
    }
    return "?";
}
