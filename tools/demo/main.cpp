// ravlin-demo-frames DIR COUNT [WIDTH HEIGHT [text|ui|photo]]
// Writes COUNT binary PPM frames (frame-000.ppm, ...) of a small screen recording: by default a
// window moving over a desktop, for the quick-start demo; the benchmark's other contents on
// request.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "screen_content.h"

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 5 && argc != 6) {
        std::fprintf(stderr, "usage: ravlin-demo-frames DIR COUNT [WIDTH HEIGHT [text|ui|photo]]\n");
        return 2;
    }
    ContentKind kind = ContentKind::Ui;
    if (argc == 6) {
        const std::string name = argv[5];
        if (name == "text")
            kind = ContentKind::Text;
        else if (name == "photo")
            kind = ContentKind::Photo;
        else if (name != "ui") {
            std::fprintf(stderr, "ravlin-demo-frames: content is text, ui or photo\n");
            return 2;
        }
    }
    const std::string dir = argv[1];
    const int count = std::atoi(argv[2]);
    const int width = argc >= 5 ? std::atoi(argv[3]) : 480;
    const int height = argc >= 5 ? std::atoi(argv[4]) : 270;
    if (count < 1 || count > 10000 || width < 1 || height < 1 || width > 7680 || height > 4320) {
        std::fprintf(stderr, "ravlin-demo-frames: COUNT 1..10000, WIDTH 1..7680, HEIGHT 1..4320\n");
        return 2;
    }
    for (int k = 0; k < count; ++k) {
        const ScreenImage image = MakeScreen(kind, width, height, k);
        char name[32];
        std::snprintf(name, sizeof name, "/frame-%03d.ppm", k);
        const std::string path = dir + name;
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) {
            std::fprintf(stderr, "ravlin-demo-frames: cannot create %s\n", path.c_str());
            return 1;
        }
        std::fprintf(f, "P6\n%d %d\n255\n", width, height);
        for (size_t i = 0; i < image.bgra.size(); i += 4) {
            const unsigned char rgb[3] = {image.bgra[i + 2], image.bgra[i + 1], image.bgra[i]};
            std::fwrite(rgb, 1, 3, f);
        }
        if (std::fclose(f) != 0) {
            std::fprintf(stderr, "ravlin-demo-frames: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
