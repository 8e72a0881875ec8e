// D3DXLoadSurfaceFromMemory: fills a surface rectangle from pixels in memory, by the first
// method that applies: row copy, conversion, no filter, point, 2 x 2 box, linear, triangle.
#include "gfx/picture/d3dx_texture.h"
#include "gfx/picture/format_table.h"
#include "gfx/picture/pixel_codec.h"
#include "gfx/picture/triangle_filter.h"

#include <cmath>
#include <cstring>
#include <new>
#include <vector>

namespace {

bool ValidFilter(DWORD filter) {
    const DWORD kind = filter & 0xFFFF;
    return kind >= D3DX_FILTER_NONE && kind <= D3DX_FILTER_BOX && filter < 0x100000;
}

bool SamePalette(const PALETTEENTRY* a, const PALETTEENTRY* b) {
    if (a == b) return true;
    return a && b && std::memcmp(a, b, 256 * sizeof(PALETTEENTRY)) == 0;
}

bool IsPaletteFormat(D3DFORMAT format) {
    return format == D3DFMT_P8 || format == D3DFMT_A8P8;
}

// The destination side of a load: the locked rectangle.
struct Target {
    D3DFORMAT format;
    uint8_t* bits;
    int pitch;
    int width;
    int height;
    bool dither;

    uint8_t* Row(int y) const { return bits + size_t(y) * size_t(pitch); }
    void Write(const std::vector<WorkingPixel>& row, int y) const {
        WritePixels(format, row.data(), width, y, dither, Row(y));
    }
};

// Source coordinate of destination pixel `i` of `count` over `size` source pixels, for linear
// sampling at pixel centres: wrapped around, or held at the edge when mirrored.
void LinearTap(int i, int count, int size, bool mirror, int& first, int& second, float& t) {
    const float position = (float(i) + 0.5f) * float(size) / float(count) - 0.5f;
    const float floorPosition = std::floor(position);
    t = position - floorPosition;
    first = int(floorPosition);
    second = first + 1;
    if (mirror) {
        first = first < 0 ? 0 : first >= size ? size - 1 : first;
        second = second < 0 ? 0 : second >= size ? size - 1 : second;
    } else {
        first = ((first % size) + size) % size;
        second = ((second % size) + size) % size;
    }
}

WorkingPixel Lerp(const WorkingPixel& a, const WorkingPixel& b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t,
            a.a + (b.a - a.a) * t};
}

HRESULT Load(const PixelSource& source, const RECT& from, const Target& target, DWORD filter,
             const PALETTEENTRY* destinationPalette) {
    const int sourceWidth = from.right - from.left, sourceHeight = from.bottom - from.top;
    const bool sameSize = sourceWidth == target.width && sourceHeight == target.height;
    const DWORD kind = filter & 0xFFFF;

    // 1. Same format, size and palette, no colour key: rows copied byte for byte.
    if (source.format == target.format && sameSize && source.colorKey == 0 &&
        (!IsPaletteFormat(source.format) || SamePalette(source.palette, destinationPalette))) {
        const size_t rowBytes = RowBytes(source.format, uint32_t(sourceWidth));
        const size_t rows = RowCount(source.format, uint32_t(sourceHeight));
        const bool dxt = IsDxtFormat(source.format);
        const size_t left = dxt ? size_t(from.left / 4) * RowBytes(source.format, 4)
                                : RowBytes(source.format, uint32_t(from.left));
        const size_t top = dxt ? size_t(from.top / 4) : size_t(from.top);
        for (size_t y = 0; y < rows; ++y)
            std::memcpy(target.Row(int(y)), source.bits + (top + y) * size_t(source.pitch) + left,
                        rowBytes);
        return D3D_OK;
    }
    if (!CanReadFormat(source.format) || !CanWriteFormat(target.format)) return E_FAIL;

    std::vector<WorkingPixel> row(size_t(target.width));
    const bool mirrorU = (filter & D3DX_FILTER_MIRROR_U) != 0;
    const bool mirrorV = (filter & D3DX_FILTER_MIRROR_V) != 0;

    // 2. Same size: each row converted.
    if (sameSize) {
        for (int y = 0; y < target.height; ++y) {
            ReadPixels(source, from.left, from.top + y, sourceWidth, row.data());
            target.Write(row, y);
        }
        return D3D_OK;
    }

    // 3. No filter: the overlapping part converted, the rest of the destination cleared.
    if (kind == D3DX_FILTER_NONE) {
        const int width = sourceWidth < target.width ? sourceWidth : target.width;
        for (int y = 0; y < target.height; ++y) {
            std::fill(row.begin(), row.end(), WorkingPixel{0, 0, 0, 0});
            if (y < sourceHeight) ReadPixels(source, from.left, from.top + y, width, row.data());
            target.Write(row, y);
        }
        return D3D_OK;
    }

    // 4. Point: the nearest source pixel, stepping in 16.16 fixed point.
    if (kind == D3DX_FILTER_POINT) {
        const uint32_t stepX = uint32_t((uint64_t(sourceWidth) << 16) / uint64_t(target.width));
        const uint32_t stepY = uint32_t((uint64_t(sourceHeight) << 16) / uint64_t(target.height));
        uint32_t positionY = stepY / 2;
        for (int y = 0; y < target.height; ++y, positionY += stepY) {
            uint32_t positionX = stepX / 2;
            for (int x = 0; x < target.width; ++x, positionX += stepX)
                ReadPixels(source, from.left + int(positionX >> 16),
                           from.top + int(positionY >> 16), 1, &row[size_t(x)]);
            target.Write(row, y);
        }
        return D3D_OK;
    }

    // 5. Box, to exactly half the size (or from 1 to 1): the average of each 2 x 2 block.
    const auto halves = [](int s, int d) { return d * 2 == s || (s == 1 && d == 1); };
    if (kind == D3DX_FILTER_BOX && halves(sourceWidth, target.width) &&
        halves(sourceHeight, target.height)) {
        std::vector<WorkingPixel> upper(static_cast<size_t>(sourceWidth));
        std::vector<WorkingPixel> lower(static_cast<size_t>(sourceWidth));
        for (int y = 0; y < target.height; ++y) {
            const int y0 = sourceHeight == 1 ? 0 : 2 * y;
            const int y1 = sourceHeight == 1 ? 0 : 2 * y + 1;
            ReadPixels(source, from.left, from.top + y0, sourceWidth, upper.data());
            ReadPixels(source, from.left, from.top + y1, sourceWidth, lower.data());
            for (int x = 0; x < target.width; ++x) {
                const int x0 = sourceWidth == 1 ? 0 : 2 * x, x1 = sourceWidth == 1 ? 0 : 2 * x + 1;
                const WorkingPixel &a = upper[size_t(x0)], &b = upper[size_t(x1)],
                                   &c = lower[size_t(x0)], &d = lower[size_t(x1)];
                row[size_t(x)] = {
                    ((a.r + b.r) + (c.r + d.r)) * 0.25f, ((a.g + b.g) + (c.g + d.g)) * 0.25f,
                    ((a.b + b.b) + (c.b + d.b)) * 0.25f, ((a.a + b.a) + (c.a + d.a)) * 0.25f};
            }
            target.Write(row, y);
        }
        return D3D_OK;
    }

    // 6. Linear: bilinear samples at the destination pixel centres.
    if (kind == D3DX_FILTER_LINEAR) {
        std::vector<WorkingPixel> upper(static_cast<size_t>(sourceWidth));
        std::vector<WorkingPixel> lower(static_cast<size_t>(sourceWidth));
        for (int y = 0; y < target.height; ++y) {
            int y0, y1;
            float ty;
            LinearTap(y, target.height, sourceHeight, mirrorV, y0, y1, ty);
            ReadPixels(source, from.left, from.top + y0, sourceWidth, upper.data());
            ReadPixels(source, from.left, from.top + y1, sourceWidth, lower.data());
            for (int x = 0; x < target.width; ++x) {
                int x0, x1;
                float tx;
                LinearTap(x, target.width, sourceWidth, mirrorU, x0, x1, tx);
                row[size_t(x)] = Lerp(Lerp(upper[size_t(x0)], upper[size_t(x1)], tx),
                                      Lerp(lower[size_t(x0)], lower[size_t(x1)], tx), ty);
            }
            target.Write(row, y);
        }
        return D3D_OK;
    }

    // 7. Triangle, and box at other sizes.
    TriangleResample(source, from.left, from.top, sourceWidth, sourceHeight, target.format,
                     target.bits, target.pitch, target.width, target.height, mirrorU, mirrorV,
                     target.dither);
    return D3D_OK;
}

} // namespace

HRESULT D3DXLoadSurfaceFromMemory(IDirect3DSurface8* surface, const PALETTEENTRY* destPalette,
                                  const RECT* destRect, const void* source, D3DFORMAT sourceFormat,
                                  UINT sourcePitch, const PALETTEENTRY* sourcePalette,
                                  const RECT* sourceRect, DWORD filter, D3DCOLOR colorKey) {
    if (!surface || !source || !sourceRect || !ValidFilter(filter)) return D3DERR_INVALIDCALL;
    const RECT from = *sourceRect;
    if (from.left < 0 || from.top < 0 || from.right <= from.left || from.bottom <= from.top)
        return D3DERR_INVALIDCALL;
    if (IsDxtFormat(sourceFormat) && ((from.left | from.top) & 3)) return D3DERR_INVALIDCALL;
    if (IsPaletteFormat(sourceFormat) && !sourcePalette) return D3DERR_INVALIDCALL;

    D3DSURFACE_DESC description;
    HRESULT result = surface->GetDesc(&description);
    if (FAILED(result)) return result;
    const RECT to =
        destRect ? *destRect : RECT{0, 0, LONG(description.Width), LONG(description.Height)};
    if (to.left < 0 || to.top < 0 || to.right <= to.left || to.bottom <= to.top ||
        UINT(to.right) > description.Width || UINT(to.bottom) > description.Height)
        return D3DERR_INVALIDCALL;

    D3DLOCKED_RECT locked;
    result = surface->LockRect(&locked, &to, 0);
    if (FAILED(result)) return result;

    const PixelSource pixels{sourceFormat, static_cast<const uint8_t*>(source), int(sourcePitch),
                             sourcePalette, colorKey};
    const Target target{description.Format,
                        static_cast<uint8_t*>(locked.pBits),
                        locked.Pitch,
                        int(to.right - to.left),
                        int(to.bottom - to.top),
                        (filter & D3DX_FILTER_DITHER) != 0};
    try {
        result = Load(pixels, from, target, filter, destPalette);
    } catch (const std::bad_alloc&) {
        result = E_OUTOFMEMORY;
    }
    surface->UnlockRect();
    return result;
}
