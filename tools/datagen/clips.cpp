#include "tools/datagen/clips.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kPi = 3.14159265f;
constexpr float kFramesPerSecond = 25.0f;

struct Vec {
    float x, y, z;
    Vec operator+(const Vec& o) const { return {x + o.x, y + o.y, z + o.z}; }
    Vec operator-(const Vec& o) const { return {x - o.x, y - o.y, z - o.z}; }
    Vec operator*(float k) const { return {x * k, y * k, z * k}; }
};
float Dot(const Vec& a, const Vec& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec Normalised(const Vec& v) {
    return v * (1.0f / std::sqrt(Dot(v, v)));
}

// Distance along the ray to a sphere, or a negative number for a miss.
float HitSphere(const Vec& origin, const Vec& direction, const Vec& centre, float radius) {
    const Vec oc = origin - centre;
    const float b = Dot(oc, direction), c = Dot(oc, oc) - radius * radius;
    const float discriminant = b * b - c;
    if (discriminant < 0) return -1;
    return -b - std::sqrt(discriminant);
}

Colour SunsetSky(const Vec& direction, const Vec& sun) {
    const float up = std::max(direction.y, 0.0f);
    Colour sky = Mix({1.0f, 0.55f, 0.3f}, {0.15f, 0.2f, 0.5f}, std::pow(up, 0.5f));
    const float glow = std::pow(std::max(Dot(direction, sun), 0.0f), 64.0f);
    return Add(sky,
               Scale({1.0f, 0.85f, 0.6f},
                     glow * 2.0f + 0.3f * std::pow(std::max(Dot(direction, sun), 0.0f), 6.0f)));
}

// The opening clip: a flight low over an endless chequered plain towards a setting sun,
// between rows of mirror spheres.
void Flight(int frame, Image& image) {
    const float t = float(frame) / kFramesPerSecond;
    const Vec eye{std::sin(t * 0.7f) * 1.2f, 1.1f + 0.25f * std::sin(t * 1.3f), t * 6.0f};
    const float roll = 0.15f * std::sin(t * 0.7f);
    const Vec sun = Normalised({0.2f, 0.12f, 1.0f});
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) {
            const float px = (float(x) - image.Width() * 0.5f) / image.Height();
            const float py = (image.Height() * 0.5f - float(y)) / image.Height();
            const Vec direction = Normalised({px * std::cos(roll) - py * std::sin(roll),
                                              px * std::sin(roll) + py * std::cos(roll), 1.2f});
            Colour c = SunsetSky(direction, sun);
            float nearest = 1e9f;
            if (direction.y < 0) {
                const float d = -eye.y / direction.y;
                const Vec p = eye + direction * d;
                const bool light = (int(std::floor(p.x)) + int(std::floor(p.z))) % 2 == 0;
                const Colour floor = light ? Colour{0.85f, 0.8f, 0.75f} : Colour{0.15f, 0.1f, 0.2f};
                const float fog = 1 - std::exp(-d * 0.04f);
                c = Mix(floor, SunsetSky({direction.x, 0.02f, direction.z}, sun), fog);
                nearest = d;
            }
            // Spheres every 8 units on both sides of the path.
            const int row = int(std::floor(eye.z / 8.0f));
            for (int k = row; k < row + 7; ++k)
                for (float side : {-3.5f, 3.5f}) {
                    const Vec centre{side, 1.0f + 0.3f * std::sin(float(k) * 1.7f + t * 2),
                                     float(k) * 8 + 4};
                    const float d = HitSphere(eye, direction, centre, 0.9f);
                    if (d > 0 && d < nearest) {
                        nearest = d;
                        const Vec n = Normalised(eye + direction * d - centre);
                        const Vec reflected = direction - n * (2 * Dot(direction, n));
                        Colour mirror = SunsetSky(
                            Normalised({reflected.x, std::fabs(reflected.y), reflected.z}), sun);
                        if (reflected.y < 0) mirror = Scale(mirror, 0.4f);
                        const float fog = 1 - std::exp(-d * 0.04f);
                        c = Mix(Scale(mirror, 0.9f),
                                SunsetSky({direction.x, 0.02f, direction.z}, sun), fog);
                    }
                }
            image.At(x, y) = c;
        }
}

// Stars streaming towards the viewer over a drifting nebula.
void Warp(int frame, Image& image) {
    const float t = float(frame) / kFramesPerSecond;
    const float w = float(image.Width()), h = float(image.Height());
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) {
            const float u = (float(x) - w / 2) / h, v = (float(y) - h / 2) / h;
            const float zoom = 1.0f + 0.08f * t;
            const float n = FractalNoise(u * 3 / zoom + 10 + t * 0.1f, v * 3 / zoom + 5, 61, 4);
            const float m = FractalNoise(u * 5 / zoom + t * 0.05f, v * 5 / zoom, 62, 3);
            Colour c = Mix({0.02f, 0.0f, 0.06f}, {0.5f, 0.1f, 0.45f}, Smoothstep(0.4f, 0.8f, n));
            c = Add(c, Scale({0.1f, 0.35f, 0.6f}, Smoothstep(0.5f, 0.9f, m)));
            image.At(x, y) = c;
        }
    for (uint32_t i = 0; i < 500; ++i) {
        const float sx = Hash01(i, 1) * 2 - 1, sy = Hash01(i, 2) * 2 - 1;
        const float speed = 4.0f;
        const float depth = std::fmod(Hash01(i, 3) * 20 - t * speed + 200, 20.0f) + 0.3f;
        const float previous = depth + speed / kFramesPerSecond * 1.5f;
        const float brightness = std::min(1.0f, 3.0f / depth);
        const Colour colour = Mix({1, 1, 1}, {0.6f, 0.8f, 1.0f}, Hash01(i, 4));
        // A streak from where the star was to where it is.
        for (int step = 0; step <= 12; ++step) {
            const float d = depth + (previous - depth) * float(step) / 12;
            const float px = w / 2 + sx / d * h * 1.5f, py = h / 2 + sy / d * h * 1.5f;
            image.Blend(int(px), int(py), colour, brightness * (1 - float(step) / 13));
        }
    }
}

// Shiny blobs orbiting and merging, lit from the upper left.
void Blobs(int frame, Image& image) {
    const float t = float(frame) / kFramesPerSecond;
    const float w = float(image.Width()), h = float(image.Height());
    float bx[6], by[6], radius[6];
    for (int i = 0; i < 6; ++i) {
        const float phase = float(i) * kPi / 3;
        bx[i] = 0.55f * std::cos(t * (0.9f + 0.15f * float(i)) + phase) *
                (1.0f + 0.3f * std::sin(t * 0.5f + phase));
        by[i] = 0.32f * std::sin(t * (1.1f + 0.1f * float(i)) + phase * 1.3f);
        radius[i] = 0.11f + 0.04f * std::sin(float(i) * 2.1f);
    }
    const Vec light = Normalised({-0.5f, 0.6f, 0.7f});
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) {
            const float u = (float(x) - w / 2) / h, v = (h / 2 - float(y)) / h;
            float field = 0, gx = 0, gy = 0;
            for (int i = 0; i < 6; ++i) {
                const float dx = u - bx[i], dy = v - by[i];
                const float d2 = dx * dx + dy * dy + 1e-5f;
                const float f = radius[i] * radius[i] / d2;
                field += f;
                gx += -2 * f * dx / d2;
                gy += -2 * f * dy / d2;
            }
            Colour background = Mix({0.05f, 0.1f, 0.2f}, {0.3f, 0.15f, 0.35f}, float(y) / h);
            const float stripes = 0.5f + 0.5f * std::sin((u + v) * 30 + t * 2);
            background = Scale(background, 0.8f + 0.2f * stripes);
            if (field < 1.0f) {
                image.At(x, y) = Add(
                    background, Scale({0.4f, 0.7f, 1.0f}, Smoothstep(0.5f, 1.0f, field) * 0.3f));
                continue;
            }
            const Vec n = Normalised({-gx, -gy, 4.0f * std::sqrt(field)});
            const float diffuse = std::max(Dot(n, light), 0.0f);
            const Vec half = Normalised(light + Vec{0, 0, 1});
            const float specular = std::pow(std::max(Dot(n, half), 0.0f), 40.0f);
            Colour c = Scale({0.9f, 0.3f, 0.15f}, 0.25f + 0.75f * diffuse);
            c = Add(c, Scale({1, 1, 1}, specular));
            c = Add(c, Scale({0.2f, 0.4f, 0.8f}, std::pow(1 - n.z, 2.0f) * 0.6f));
            image.At(x, y) = c;
        }
}

// Low over an evening sea whose waves roll towards the viewer.
void Sea(int frame, Image& image) {
    const float t = float(frame) / kFramesPerSecond;
    const Vec eye{0, 1.4f, t * 3.0f};
    const Vec sun = Normalised({-0.3f, 0.08f, 1.0f});
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) {
            const float px = (float(x) - image.Width() * 0.5f) / image.Height();
            const float py = (image.Height() * 0.5f - float(y)) / image.Height() - 0.1f;
            const Vec direction = Normalised({px, py, 1.3f});
            if (direction.y >= -0.001f) {
                image.At(x, y) = SunsetSky(direction, sun);
                continue;
            }
            const float d = -eye.y / direction.y;
            const Vec p = eye + direction * d;
            // The surface's slope from a few travelling waves.
            const float sx = 0.12f * std::cos(p.x * 1.3f + t * 1.1f) +
                             0.08f * std::cos((p.x + p.z) * 2.1f - t * 1.7f);
            const float sz = 0.15f * std::cos(p.z * 0.9f - t * 1.5f) +
                             0.08f * std::cos((p.x + p.z) * 2.1f - t * 1.7f) +
                             0.05f * std::cos(p.z * 3.7f + p.x * 0.7f - t * 2.3f);
            const Vec n = Normalised({-sx, 1.0f, -sz});
            Vec reflected = direction - n * (2 * Dot(direction, n));
            reflected.y = std::fabs(reflected.y);
            const float fresnel =
                0.1f + 0.9f * std::pow(1 - std::max(-Dot(direction, n), 0.0f), 4.0f);
            const Colour deep{0.02f, 0.07f, 0.12f};
            Colour c = Mix(deep, SunsetSky(Normalised(reflected), sun), fresnel);
            const float fog = 1 - std::exp(-d * 0.02f);
            image.At(x, y) = Mix(c, SunsetSky({direction.x, 0.0f, direction.z}, sun), fog);
        }
}

// A row of pendulums of slowly differing lengths, swinging in and out of step.
void Pendulums(int frame, Image& image) {
    const float t = float(frame) / kFramesPerSecond;
    constexpr int kCount = 12;
    Vec balls[kCount];
    for (int i = 0; i < kCount; ++i) {
        const float period = 60.0f / float(40 + i);
        const float angle = 0.45f * std::cos(2 * kPi * t / period);
        const float length = 2.2f;
        const float z = float(i) * 0.5f - 2.75f;
        balls[i] = {length * std::sin(angle), 2.6f - length * std::cos(angle), z};
    }
    const Vec eye{4.6f, 1.5f, -5.2f};
    const Vec forward = Normalised(Vec{0, 0.6f, 0} - eye);
    const Vec right = Normalised({forward.z, 0, -forward.x});
    // forward x right points up in these left-handed coordinates.
    const Vec up{forward.y * right.z - forward.z * right.y,
                 forward.z * right.x - forward.x * right.z,
                 forward.x * right.y - forward.y * right.x};
    const Vec light = Normalised({-0.4f, 1.0f, -0.3f});
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) {
            const float px = (float(x) - image.Width() * 0.5f) / image.Height();
            const float py = (image.Height() * 0.5f - float(y)) / image.Height();
            const Vec direction = Normalised(forward * 1.4f + right * px + up * py);
            Colour c =
                Mix({0.9f, 0.88f, 0.82f}, {0.55f, 0.6f, 0.7f}, std::clamp(py + 0.5f, 0.0f, 1.0f));
            float nearest = 1e9f;
            if (direction.y < 0) {
                const float d = -eye.y / direction.y;
                const Vec p = eye + direction * d;
                float shade = 1.0f;
                for (const Vec& ball : balls) {
                    // Soft shadow straight below each ball.
                    const float dx = p.x - ball.x, dz = p.z - ball.z;
                    shade -= 0.35f * std::exp(-(dx * dx + dz * dz) * 12);
                }
                const bool tile = (int(std::floor(p.x * 2)) + int(std::floor(p.z * 2))) % 2 == 0;
                c = Scale(tile ? Colour{0.75f, 0.72f, 0.68f} : Colour{0.62f, 0.6f, 0.58f},
                          std::max(shade, 0.3f));
                nearest = d;
            }
            for (const Vec& ball : balls) {
                const float d = HitSphere(eye, direction, ball, 0.22f);
                if (d > 0 && d < nearest) {
                    nearest = d;
                    const Vec n = Normalised(eye + direction * d - ball);
                    const float diffuse = std::max(Dot(n, light), 0.0f);
                    const float specular =
                        std::pow(std::max(Dot(Normalised(light - direction), n), 0.0f), 50.0f);
                    c = Add(Scale({0.75f, 0.55f, 0.2f}, 0.2f + 0.8f * diffuse),
                            Scale({1, 1, 1}, specular));
                }
            }
            image.At(x, y) = c;
        }
    // Strings and the bar they hang from, drawn over in screen space.
    const auto project = [&](const Vec& p, float& sx, float& sy) {
        const Vec d = p - eye;
        const float z = Dot(d, forward);
        sx = image.Width() * 0.5f + Dot(d, right) / z * 1.4f * image.Height();
        sy = image.Height() * 0.5f - Dot(d, up) / z * 1.4f * image.Height();
    };
    for (int i = 0; i < kCount; ++i) {
        const Vec top{0, 2.6f, balls[i].z};
        float x0, y0, x1, y1;
        project(top, x0, y0);
        project(balls[i], x1, y1);
        for (int s = 0; s <= 100; ++s) {
            const float k = float(s) / 100;
            image.Blend(int(x0 + (x1 - x0) * k), int(y0 + (y1 - y0) * k), {0.2f, 0.2f, 0.25f},
                        0.8f);
        }
    }
}

} // namespace

std::vector<ClipSpec> ShowClips() {
    // Sizes fit the room each scene gives its clip; frame counts give about 20 to 25 frames a
    // second at the rates the scenes play them. The tube's clip runs backwards whole: its key
    // frames come every 10 frames, the others' every second (the opening clip's last 40 frames
    // run backwards too, but only once). Each quality keeps every frame above 36 dB against
    // what was drawn, and each clip's mean near what Motion JPEG gave.
    return {
        {"trailer3.avi", 320, 256, 250, Flight, {24, 25}},
        {"kalf5.avi", 492, 256, 560, Warp, {24, 25}},
        {"group6.avi", 512, 256, 125, Blobs, {31, 10}},
        {"vaan1.avi", 320, 256, 282, Sea, {29, 25}},
        {"pendulaEIND.avi", 320, 256, 282, Pendulums, {24, 25}},
    };
}
