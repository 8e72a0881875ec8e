#include "tools/imaging/image.h"

#include <algorithm>
#include <cmath>

Colour Mix(const Colour& a, const Colour& b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Colour Scale(const Colour& c, float k) {
    return {c.r * k, c.g * k, c.b * k};
}
Colour Add(const Colour& a, const Colour& b) {
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}

Image::Image(int w, int h, Colour fill)
    : width(w), height(h), pixels(size_t(w) * size_t(h), fill) {}

void Image::Blend(int x, int y, const Colour& colour, float alpha) {
    if (x < 0 || y < 0 || x >= width || y >= height || alpha <= 0) return;
    Colour& p = At(x, y);
    p = Mix(p, colour, std::min(alpha, 1.0f));
}

std::vector<uint8_t> Image::Rgb() const {
    std::vector<uint8_t> bytes(pixels.size() * 3);
    for (size_t i = 0; i < pixels.size(); ++i) {
        const float channels[3] = {pixels[i].r, pixels[i].g, pixels[i].b};
        for (int c = 0; c < 3; ++c)
            bytes[i * 3 + size_t(c)] =
                uint8_t(std::lround(std::clamp(channels[c], 0.0f, 1.0f) * 255.0f));
    }
    return bytes;
}

float Hash01(uint32_t a, uint32_t b, uint32_t c) {
    uint32_t h =
        a * 0x9E3779B1u ^ (b + 0x7F4A7C15u) * 0x85EBCA77u ^ (c + 0x165667B1u) * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return float(h >> 8) / float(1u << 24);
}

float Smoothstep(float edge0, float edge1, float x) {
    const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

float ValueNoise(float x, float y, uint32_t seed, int period) {
    const float fx = std::floor(x), fy = std::floor(y);
    const float tx = x - fx, ty = y - fy;
    const auto corner = [&](int dx, int dy) {
        int ix = int(fx) + dx, iy = int(fy) + dy;
        if (period > 0) {
            ix = ((ix % period) + period) % period;
            iy = ((iy % period) + period) % period;
        }
        return Hash01(uint32_t(ix), uint32_t(iy), seed);
    };
    const float sx = tx * tx * (3 - 2 * tx), sy = ty * ty * (3 - 2 * ty);
    const float top = corner(0, 0) + (corner(1, 0) - corner(0, 0)) * sx;
    const float bottom = corner(0, 1) + (corner(1, 1) - corner(0, 1)) * sx;
    return top + (bottom - top) * sy;
}

float FractalNoise(float x, float y, uint32_t seed, int octaves, int period) {
    float sum = 0, weight = 0.5f, total = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += ValueNoise(x, y, seed + uint32_t(i) * 101u, period) * weight;
        total += weight;
        x *= 2, y *= 2, weight *= 0.5f;
        if (period > 0) period *= 2;
    }
    return sum / total;
}
