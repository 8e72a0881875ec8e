#include "gfx/picture/triangle_filter.h"

#include <cmath>

namespace {

constexpr float kNegligible = 0.00001f;

enum class Half { Rising, Falling, Flat };

// Adds the integral of one half of source pixel j's tent, over source coordinates [s0, s1],
// to each destination pixel it overlaps. A linear piece is integrated exactly by its value at
// the middle of each overlap. Worked in double: in float, coordinates in the thousands lose
// enough that the weights reaching a pixel sum to 1.0002.
void AddHalf(std::vector<TentWeight>& weights, int j, double s0, double s1, Half half, double scale,
             int destinationSize) {
    const double t0 = s0 * scale, t1 = s1 * scale;
    for (int u = int(std::floor(t0)); double(u) < t1; ++u) {
        const double from = t0 > double(u) ? t0 : double(u);
        const double to = t1 < double(u + 1) ? t1 : double(u + 1);
        if (to <= from) continue;
        const double middle = (from + to) * 0.5 / scale;
        double value = 1.0;
        if (half == Half::Rising) value = middle - (double(j) - 0.5);
        if (half == Half::Falling) value = (double(j) + 1.5) - middle;
        const float weight = float((to - from) * value);
        // Beyond an edge the tent falls on the opposite edge.
        const int index = ((u % destinationSize) + destinationSize) % destinationSize;
        bool merged = false;
        for (TentWeight& existing : weights)
            if (existing.destination == index) {
                existing.weight += weight;
                merged = true;
            }
        if (!merged) weights.push_back({index, weight});
    }
}

} // namespace

std::vector<std::vector<TentWeight>> TentWeights(int sourceSize, int destinationSize, bool mirror) {
    std::vector<std::vector<TentWeight>> lists(static_cast<size_t>(sourceSize));
    const double scale = double(destinationSize) / double(sourceSize);
    for (int j = 0; j < sourceSize; ++j) {
        std::vector<TentWeight>& weights = lists[size_t(j)];
        const double centre = double(j) + 0.5;
        if (mirror && j == 0)
            AddHalf(weights, j, 0.0, centre, Half::Flat, scale, destinationSize);
        else
            AddHalf(weights, j, centre - 1.0, centre, Half::Rising, scale, destinationSize);
        if (mirror && j == sourceSize - 1)
            AddHalf(weights, j, centre, double(sourceSize), Half::Flat, scale, destinationSize);
        else
            AddHalf(weights, j, centre, centre + 1.0, Half::Falling, scale, destinationSize);
        std::vector<TentWeight> kept;
        for (const TentWeight& w : weights)
            if (w.weight > kNegligible) kept.push_back(w);
        weights.swap(kept);
    }
    return lists;
}

void TriangleResample(const PixelSource& source, int sourceX, int sourceY, int sourceWidth,
                      int sourceHeight, D3DFORMAT destinationFormat, uint8_t* destination,
                      int destinationPitch, int destinationWidth, int destinationHeight,
                      bool mirrorU, bool mirrorV, bool dither) {
    const auto columns = TentWeights(sourceWidth, destinationWidth, mirrorU);
    const auto rows = TentWeights(sourceHeight, destinationHeight, mirrorV);
    // The weight each destination column gathers, to divide by: with the weights rounded to
    // floats and the smallest dropped, it is only close to 1.
    std::vector<float> columnWeight(size_t(destinationWidth), 0.0f);
    for (const auto& list : columns)
        for (const TentWeight& c : list)
            columnWeight[size_t(c.destination)] += c.weight;

    std::vector<WorkingPixel> sourceRow(static_cast<size_t>(sourceWidth));
    // Only the destination rows still collecting weight hold an accumulator.
    std::vector<std::vector<WorkingPixel>> accumulators(static_cast<size_t>(destinationHeight));
    std::vector<float> collected(size_t(destinationHeight), 0.0f);
    std::vector<bool> written(size_t(destinationHeight), false);
    struct Target {
        WorkingPixel* row;
        float weight;
    };
    std::vector<Target> targets;
    const auto writeRow = [&](int y) {
        std::vector<WorkingPixel>& row = accumulators[size_t(y)];
        if (row.empty()) row.assign(size_t(destinationWidth), WorkingPixel{0, 0, 0, 0});
        for (int x = 0; x < destinationWidth; ++x) {
            const float total = columnWeight[size_t(x)] * collected[size_t(y)];
            if (total <= 0.0f) continue;
            WorkingPixel& p = row[size_t(x)];
            p.r /= total;
            p.g /= total;
            p.b /= total;
            p.a /= total;
        }
        WritePixels(destinationFormat, row.data(), destinationWidth, y, dither,
                    destination + size_t(y) * size_t(destinationPitch));
        std::vector<WorkingPixel>().swap(row);
        written[size_t(y)] = true;
    };

    for (int y = 0; y < sourceHeight; ++y) {
        ReadPixels(source, sourceX, sourceY + y, sourceWidth, sourceRow.data());
        const std::vector<TentWeight>& rowWeights = rows[size_t(y)];
        targets.clear();
        for (const TentWeight& r : rowWeights) {
            std::vector<WorkingPixel>& row = accumulators[size_t(r.destination)];
            if (written[size_t(r.destination)]) continue;
            if (row.empty()) row.assign(size_t(destinationWidth), WorkingPixel{0, 0, 0, 0});
            targets.push_back({row.data(), r.weight});
        }
        for (int x = 0; x < sourceWidth; ++x) {
            const WorkingPixel& p = sourceRow[size_t(x)];
            for (const TentWeight& c : columns[size_t(x)])
                for (const Target& target : targets) {
                    const float w = c.weight * target.weight;
                    WorkingPixel& a = target.row[c.destination];
                    a.r += w * p.r;
                    a.g += w * p.g;
                    a.b += w * p.b;
                    a.a += w * p.a;
                }
        }
        for (const TentWeight& r : rowWeights) {
            collected[size_t(r.destination)] += r.weight;
            if (!written[size_t(r.destination)] &&
                collected[size_t(r.destination)] + kNegligible >= 1.0f)
                writeRow(r.destination);
        }
    }
    // Rows still short of their full weight are written with what they gathered.
    for (int y = 0; y < destinationHeight; ++y)
        if (!written[size_t(y)]) writeRow(y);
}
