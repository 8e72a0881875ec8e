// An RGB picture of float channels (0..1) for the generator to paint on, and the noise its
// pictures and clips are made of. Everything is a pure function of coordinates and fixed
// seeds, so every run paints the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct Colour {
    float r, g, b;
};

Colour Mix(const Colour& a, const Colour& b, float t);
Colour Scale(const Colour& c, float k);
Colour Add(const Colour& a, const Colour& b);

class Image {
public:
    Image(int width, int height, Colour fill = {0, 0, 0});
    int Width() const { return width; }
    int Height() const { return height; }
    Colour& At(int x, int y) { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    const Colour& At(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    // Blends `colour` over pixel (x, y) with coverage `alpha`; outside the picture it is ignored.
    void Blend(int x, int y, const Colour& colour, float alpha);
    // 8-bit R, G, B per pixel, clamped and rounded.
    std::vector<uint8_t> Rgb() const;

private:
    int width, height;
    std::vector<Colour> pixels;
};

// Smooth value noise in 0..1 over the plane, repeating every `period` units when period > 0
// (so pictures built from it tile seamlessly).
float ValueNoise(float x, float y, uint32_t seed, int period = 0);
// Octaves of ValueNoise, each twice the frequency and half the weight of the one before.
float FractalNoise(float x, float y, uint32_t seed, int octaves, int period = 0);
// 0..1 from an integer hash.
float Hash01(uint32_t a, uint32_t b = 0, uint32_t c = 0);

float Smoothstep(float edge0, float edge1, float x);
