#include "tools/datagen/ball_mesh.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

namespace {

using Point = std::array<double, 3>;
using Triangle = std::array<int, 3>;

Point Unit(const Point& p) {
    const double length = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
    return {p[0] / length, p[1] / length, p[2] / length};
}

// (P0 - P1) x (P1 - P2), the normal the toolkit computes.
Point FaceNormal(const Point& a, const Point& b, const Point& c) {
    const Point u{a[0] - b[0], a[1] - b[1], a[2] - b[2]}, v{b[0] - c[0], b[1] - c[1], b[2] - c[2]};
    return {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
}

void Put(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(value >> (8 * i)));
}

} // namespace

bool WriteBallMesh(const std::string& path) {
    const double g = (1 + std::sqrt(5.0)) / 2;
    std::vector<Point> points = {{-1, g, 0}, {1, g, 0}, {-1, -g, 0}, {1, -g, 0},
                                 {0, -1, g}, {0, 1, g}, {0, -1, -g}, {0, 1, -g},
                                 {g, 0, -1}, {g, 0, 1}, {-g, 0, -1}, {-g, 0, 1}};
    for (Point& p : points)
        p = Unit(p);
    std::vector<Triangle> triangles = {{0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11},
                                       {1, 5, 9},  {5, 11, 4}, {11, 10, 2}, {10, 7, 6}, {7, 1, 8},
                                       {3, 9, 4},  {3, 4, 2},  {3, 2, 6},   {3, 6, 8},  {3, 8, 9},
                                       {4, 9, 5},  {2, 4, 11}, {6, 2, 10},  {8, 6, 7},  {9, 8, 1}};
    for (int level = 0; level < 4; ++level) {
        std::map<std::pair<int, int>, int> middles;
        const auto middle = [&](int a, int b) {
            const std::pair<int, int> key{std::min(a, b), std::max(a, b)};
            auto found = middles.find(key);
            if (found != middles.end()) return found->second;
            const Point& p = points[size_t(a)];
            const Point& q = points[size_t(b)];
            points.push_back(Unit({(p[0] + q[0]) / 2, (p[1] + q[1]) / 2, (p[2] + q[2]) / 2}));
            return middles[key] = int(points.size() - 1);
        };
        std::vector<Triangle> finer;
        for (const Triangle& t : triangles) {
            const int ab = middle(t[0], t[1]), bc = middle(t[1], t[2]), ca = middle(t[2], t[0]);
            finer.push_back({t[0], ab, ca});
            finer.push_back({t[1], bc, ab});
            finer.push_back({t[2], ca, bc});
            finer.push_back({ab, bc, ca});
        }
        triangles.swap(finer);
    }

    std::vector<uint8_t> bytes = {'E', 'M', 'V'};
    Put(bytes, uint32_t(points.size()));
    for (const Point& p : points)
        for (double c : p) {
            const float value = float(c * 120.0);
            uint32_t bits;
            static_assert(sizeof bits == sizeof value, "32-bit floats");
            std::memcpy(&bits, &value, 4);
            Put(bytes, bits);
        }
    Put(bytes, uint32_t(triangles.size()));
    for (Triangle t : triangles) {
        const Point& a = points[size_t(t[0])];
        const Point n = FaceNormal(a, points[size_t(t[1])], points[size_t(t[2])]);
        if (n[0] * a[0] + n[1] * a[1] + n[2] * a[2] < 0) std::swap(t[1], t[2]);
        for (int index : t)
            Put(bytes, uint32_t(index));
    }

    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}
