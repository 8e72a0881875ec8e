#include "tools/datagen/pictures.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kPi = 3.14159265f;
const std::string kTitle = "brokwel 11 | glintVAT | dwm2001";

// Full-screen pictures are made at the window's size, so they land texel for pixel.
constexpr int kScreenWidth = 640, kScreenHeight = 480;
// Bands are 512 x 256 but shown about 630 x 235: letters are set narrower to come out right.
constexpr float kBandLetterWidth = 0.8f;

float Fract(float x) {
    return x - std::floor(x);
}

// A soft round glow of `radius` at (cx, cy).
void Glow(Image& image, float cx, float cy, float radius, const Colour& colour, float strength) {
    for (int y = std::max(0, int(cy - radius)); y < std::min(image.Height(), int(cy + radius)); ++y)
        for (int x = std::max(0, int(cx - radius)); x < std::min(image.Width(), int(cx + radius));
             ++x) {
            const float d = std::hypot(float(x) - cx, float(y) - cy) / radius;
            if (d < 1)
                image.At(x, y) = Add(image.At(x, y), Scale(colour, strength * (1 - d) * (1 - d)));
        }
}

// The title pictures are multiplied onto the opening clip: where they are light the clip
// shows through, where they are dark it is darkened.
Image Logo(TextPainter& text, bool second) {
    Image image(kScreenWidth, kScreenHeight, {1, 1, 1});
    for (int y = 0; y < kScreenHeight; ++y)
        for (int x = 0; x < kScreenWidth; ++x) {
            // A soft dark vignette at the edges and a little paper grain.
            const float dx = (float(x) - 320) / 320, dy = (float(y) - 240) / 240;
            const float vignette =
                1 - 0.45f * Smoothstep(0.55f, 1.35f, std::sqrt(dx * dx + dy * dy));
            const float grain =
                0.97f + 0.03f * FractalNoise(float(x) * 0.2f, float(y) * 0.2f, 3, 2);
            image.At(x, y) = Scale({1, 1, 1}, vignette * grain);
        }
    const Colour ink{0.05f, 0.04f, 0.08f};
    if (!second) {
        text.PaintCentred(image, "brokwel 11", 320, 118, 44, ink);
        text.PaintCentred(image, "glintVAT", 322, 272, 104, {0.45f, 0.45f, 0.5f});
        text.PaintCentred(image, "glintVAT", 320, 270, 104, ink);
        text.PaintCentred(image, "dwm2001", 320, 400, 40, ink);
        for (int x = 110; x < 530; ++x)
            for (int t = 0; t < 3; ++t) {
                image.Blend(x, 300 + t, ink, 0.9f);
                image.Blend(x, 150 + t, ink, 0.9f);
            }
    } else {
        // The second title: the whole line across the middle, framed by two dark bars.
        for (int y = 0; y < kScreenHeight; ++y)
            for (int x = 0; x < kScreenWidth; ++x)
                if (y < 70 || y >= 410) image.At(x, y) = Scale(image.At(x, y), 0.12f);
        text.PaintCentred(image, kTitle, 322, 252, 34, {0.5f, 0.5f, 0.55f});
        text.PaintCentred(image, kTitle, 320, 250, 34, ink);
        text.PaintCentred(image, "a real-time show", 320, 330, 22, {0.25f, 0.25f, 0.3f});
    }
    return image;
}

// A sky, a horizon and the sun: read as a reflection on a sphere.
Image Reflection() {
    Image image(256, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const float v = float(y) / 255, u = float(x) / 255;
            Colour c;
            if (v < 0.5f) {
                const float clouds = Smoothstep(0.45f, 0.8f, FractalNoise(u * 6, v * 12, 11, 5));
                c = Mix({0.08f, 0.16f, 0.45f}, {0.55f, 0.7f, 0.95f}, v * 2);
                c = Mix(c, {0.95f, 0.9f, 0.85f}, clouds * 0.6f);
            } else {
                const float ground = FractalNoise(u * 10, v * 10, 12, 4);
                c = Mix({0.18f, 0.12f, 0.08f}, {0.04f, 0.03f, 0.05f}, (v - 0.5f) * 2);
                c = Scale(c, 0.7f + 0.6f * ground);
            }
            // A bright seam where sky meets ground.
            c = Add(c, Scale({1.0f, 0.8f, 0.5f}, 0.5f * std::exp(-std::fabs(v - 0.5f) * 40)));
            image.At(x, y) = c;
        }
    Glow(image, 80, 70, 60, {1.0f, 0.95f, 0.8f}, 1.2f);
    Glow(image, 190, 100, 30, {0.6f, 0.8f, 1.0f}, 0.5f);
    return image;
}

// Seamless plates with bevelled edges and rivets: the ball's surface.
Image Plates() {
    Image image(256, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const float fx = Fract(float(x) / 64), fy = Fract(float(y) / 64);
            const float edge = std::min(std::min(fx, 1 - fx), std::min(fy, 1 - fy));
            const float bevel = Smoothstep(0.0f, 0.08f, edge);
            const int cell = (x / 64) + 4 * (y / 64);
            const float tint = Hash01(uint32_t(cell), 5);
            const float wear = FractalNoise(float(x) / 16, float(y) / 16, 21, 4, 16);
            Colour c = Mix({0.12f, 0.45f, 0.5f}, {0.75f, 0.45f, 0.2f}, tint);
            c = Scale(c, 0.55f + 0.5f * wear);
            c = Scale(c, 0.35f + 0.65f * bevel);
            // Light along the top-left bevels.
            if (edge < 0.08f && (fx < 0.08f || fy < 0.08f)) c = Add(c, Scale({1, 1, 1}, 0.15f));
            for (float rx : {0.12f, 0.88f})
                for (float ry : {0.12f, 0.88f}) {
                    const float d = std::hypot(fx - rx, fy - ry);
                    if (d < 0.035f) c = Mix(c, {0.9f, 0.9f, 0.85f}, 1 - d / 0.035f);
                }
            image.At(x, y) = c;
        }
    return image;
}

// Warm scales and stripes for the tube; u runs along it, v around.
Image Scales() {
    Image image(256, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const float u = float(x) / 256, v = float(y) / 256;
            const float row = std::floor(v * 16);
            const float offset = std::fmod(row, 2.0f) * 0.5f;
            const float cx = Fract(u * 16 + offset), cy = Fract(v * 16);
            const float scale = 1 - std::hypot(cx - 0.5f, cy) * 1.3f;
            const float stripe = 0.5f + 0.5f * std::sin(u * 2 * kPi * 4);
            Colour c = Mix({0.85f, 0.2f, 0.05f}, {1.0f, 0.75f, 0.1f}, stripe);
            c = Scale(c, 0.35f + 0.65f * Smoothstep(0.0f, 0.5f, scale));
            c = Add(c, Scale({1, 0.9f, 0.6f}, 0.25f * Smoothstep(0.7f, 1.0f, scale)));
            image.At(x, y) = c;
        }
    return image;
}

// Purple bars with a shine, tiling both ways.
Image PurpleBars() {
    Image image(256, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const float v = Fract(float(y) / 64);
            const float bar = std::sin(v * kPi);
            const float sheen = std::pow(std::max(0.0f, std::sin(v * kPi * 2 - 0.6f)), 8.0f);
            const float streak = FractalNoise(float(x) / 32, float(y) / 4, 31, 3, 8);
            Colour c = Mix({0.1f, 0.02f, 0.18f}, {0.6f, 0.15f, 0.85f}, bar);
            c = Scale(c, 0.8f + 0.35f * streak);
            c = Add(c, Scale({0.9f, 0.7f, 1.0f}, 0.6f * sheen));
            // A thin bright line between bars.
            c = Add(c, Scale({1.0f, 0.4f, 0.9f}, std::exp(-std::min(v, 1 - v) * 90) * 0.8f));
            image.At(x, y) = c;
        }
    return image;
}

// A glowing grid on dark tiles: the tunnel wall.
Image RetroGrid() {
    Image image(256, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const float fx = Fract(float(x) / 32), fy = Fract(float(y) / 32);
            const float line = std::exp(-std::min(std::min(fx, 1 - fx), std::min(fy, 1 - fy)) * 40);
            const bool checker = ((x / 32) + (y / 32)) % 2 == 0;
            const float hue = 0.5f + 0.5f * std::sin(float(x) / 256 * 2 * kPi);
            Colour c = checker ? Colour{0.12f, 0.04f, 0.16f} : Colour{0.03f, 0.02f, 0.08f};
            c = Add(c, Scale(Mix({1.0f, 0.2f, 0.6f}, {0.1f, 0.9f, 1.0f}, hue), line));
            const float dot = std::hypot(fx - 0.5f, fy - 0.5f);
            if (checker) c = Add(c, Scale({1.0f, 0.6f, 0.1f}, 0.4f * Smoothstep(0.2f, 0.0f, dot)));
            image.At(x, y) = c;
        }
    return image;
}

// The show's name on a dark band: added at half strength in one section, opaque in another.
Image NameBand(TextPainter& text) {
    Image image(512, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 512; ++x) {
            const float v = float(y) / 255;
            const float lines = 0.5f + 0.5f * std::sin(float(y) * 0.8f);
            image.At(x, y) = Scale({0.05f, 0.08f, 0.2f},
                                   (1 - std::fabs(v - 0.5f) * 1.6f) * (0.6f + 0.4f * lines));
        }
    // Chrome letters: a vertical gradient, lit along their top.
    Image letters(512, 256);
    text.PaintCentred(letters, "glintVAT", 256, 170, 120, {1, 1, 1}, kBandLetterWidth);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 512; ++x) {
            const float coverage = letters.At(x, y).r;
            if (coverage <= 0) continue;
            const float v = float(y - 70) / 110;
            const Colour chrome =
                v < 0.5f ? Mix({0.6f, 0.85f, 1.0f}, {1, 1, 1}, v * 2)
                         : Mix({0.3f, 0.2f, 0.5f}, {0.95f, 0.7f, 0.4f}, (v - 0.5f) * 2);
            image.Blend(x, y, chrome, coverage);
        }
    text.PaintCentred(image, "brokwel 11  -  dwm2001", 256, 222, 22, {0.6f, 0.7f, 0.9f},
                      kBandLetterWidth);
    Glow(image, 120, 95, 40, {0.6f, 0.8f, 1.0f}, 0.6f);
    return image;
}

// Light words on black, added over the tunnel.
Image Greeting(TextPainter& text, const std::string& first, const std::string& second, int index) {
    Image image(512, 256);
    const Colour tint = Mix({0.7f, 0.9f, 1.0f}, {1.0f, 0.8f, 0.6f}, float(index) / 7);
    text.PaintCentred(image, first, 256, 110, 40, tint, kBandLetterWidth);
    text.PaintCentred(image, second, 256, 170, 40, {1, 1, 1}, kBandLetterWidth);
    for (int x = 156; x < 356; ++x)
        image.Blend(x, 200, Scale(tint, 0.6f), 1);
    return image;
}

// Hills, water and an evening sky, as a photograph might have them.
Image Evening() {
    Image image(512, 512);
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 512; ++x) {
            const float u = float(x) / 511, v = float(y) / 511;
            const float horizon = 0.58f;
            Colour c;
            if (v < horizon) {
                const float t = v / horizon;
                c = Mix({0.15f, 0.2f, 0.45f}, {1.0f, 0.6f, 0.3f}, t * t);
                const float clouds = Smoothstep(0.5f, 0.85f, FractalNoise(u * 5, v * 14, 41, 6));
                c = Mix(c, {0.9f, 0.5f, 0.45f}, clouds * 0.7f);
                const float ridge = horizon - 0.08f - 0.12f * FractalNoise(u * 4, 0.5f, 42, 5);
                if (v > ridge)
                    c = Mix({0.12f, 0.08f, 0.15f}, {0.25f, 0.15f, 0.2f}, (v - ridge) * 6);
            } else {
                const float depth = (v - horizon) / (1 - horizon);
                const float ripple = FractalNoise(u * 40, depth * 120, 43, 3);
                const float mirrored = horizon - (v - horizon) * 0.6f;
                const float t = mirrored / horizon;
                c = Mix({0.15f, 0.2f, 0.45f}, {1.0f, 0.6f, 0.3f}, t * t);
                c = Scale(c, 0.55f + 0.35f * ripple);
                c = Mix(c, {0.05f, 0.06f, 0.1f}, depth * 0.5f);
            }
            image.At(x, y) = c;
        }
    Glow(image, 330, 280, 90, {1.0f, 0.8f, 0.5f}, 0.9f);
    return image;
}

// Night-time lights out of focus above a dark skyline.
Image CityLights() {
    Image image(kScreenWidth, kScreenHeight);
    for (int y = 0; y < kScreenHeight; ++y)
        for (int x = 0; x < kScreenWidth; ++x) {
            const float v = float(y) / kScreenHeight;
            image.At(x, y) = Mix({0.02f, 0.02f, 0.08f}, {0.25f, 0.08f, 0.2f}, v);
        }
    for (uint32_t i = 0; i < 70; ++i) {
        const float x = Hash01(i, 1) * kScreenWidth, y = 60 + Hash01(i, 2) * 330;
        const float radius = 12 + Hash01(i, 3) * 40;
        const Colour colour = Mix({1.0f, 0.7f, 0.2f}, {0.3f, 0.6f, 1.0f}, Hash01(i, 4));
        Glow(image, x, y, radius, colour, 0.25f + 0.35f * Hash01(i, 5));
    }
    for (int x = 0; x < kScreenWidth; ++x) {
        const int block = x / 37;
        const int top = 330 + int(Hash01(uint32_t(block), 9) * 100);
        for (int y = top; y < kScreenHeight; ++y) {
            const bool window =
                (x % 7 < 3) && (y % 9 < 4) && Hash01(uint32_t(x / 7), uint32_t(y / 9), 10) > 0.6f;
            image.At(x, y) = window ? Colour{0.9f, 0.75f, 0.4f} : Colour{0.02f, 0.02f, 0.04f};
        }
    }
    return image;
}

// The closing card: a sunrise over the sea, with thanks and the show's name.
Image ClosingCard(TextPainter& text) {
    Image image(kScreenWidth, kScreenHeight);
    for (int y = 0; y < kScreenHeight; ++y)
        for (int x = 0; x < kScreenWidth; ++x) {
            const float u = float(x) / kScreenWidth, v = float(y) / kScreenHeight;
            Colour c;
            if (v < 0.62f) {
                c = Mix({0.2f, 0.3f, 0.6f}, {1.0f, 0.75f, 0.5f}, std::pow(v / 0.62f, 1.5f));
                c = Mix(c, {1.0f, 0.85f, 0.8f},
                        0.4f * Smoothstep(0.55f, 0.9f, FractalNoise(u * 4, v * 10, 51, 5)));
            } else {
                const float ripple = FractalNoise(u * 30, (v - 0.62f) * 200, 52, 3);
                c = Mix({0.6f, 0.45f, 0.4f}, {0.05f, 0.1f, 0.2f}, (v - 0.62f) / 0.38f);
                c = Scale(c, 0.7f + 0.4f * ripple);
            }
            image.At(x, y) = c;
        }
    Glow(image, 320, 300, 110, {1.0f, 0.85f, 0.6f}, 0.8f);
    text.PaintCentred(image, "thank you for watching", 322, 132, 40, {0.1f, 0.1f, 0.2f});
    text.PaintCentred(image, "thank you for watching", 320, 130, 40, {1, 1, 1});
    text.PaintCentred(image, kTitle, 320, 430, 26, {1, 0.95f, 0.9f});
    return image;
}

} // namespace

std::vector<NamedPicture> MakePictures(TextPainter& text) {
    std::vector<NamedPicture> pictures;
    pictures.push_back({"logo.jpg", Logo(text, false)});
    pictures.push_back({"logo2.jpg", Logo(text, true)});
    pictures.push_back({"gejat1.jpg", Reflection()});
    pictures.push_back({"bot1.jpg", Plates()});
    pictures.push_back({"1.jpg", Scales()});
    pictures.push_back({"paarsebalken.jpg", PurpleBars()});
    pictures.push_back({"retro.jpg", RetroGrid()});
    pictures.push_back({"glintvat.jpg", NameBand(text)});
    const char* const greetings[8][2] = {
        {"greetings to everyone", "who codes at night"},
        {"to the musicians", "in their bedrooms"},
        {"to the pixel painters", "and polygon pushers"},
        {"to all who carry", "computers to parties"},
        {"to the organisers", "who keep the lights on"},
        {"to everyone who ever", "released something"},
        {"to all of you", "watching right now"},
        {"keep making things", "see you next time"},
    };
    for (int i = 0; i < 8; ++i)
        pictures.push_back({"greet" + std::to_string(i + 1) + ".jpg",
                            Greeting(text, greetings[i][0], greetings[i][1], i)});
    pictures.push_back({"goodyokek.jpg", Evening()});
    pictures.push_back({"pleksvriendin.jpg", CityLights()});
    pictures.push_back({"hwzykpa.jpg", ClosingCard(text)});
    return pictures;
}
