// D3DXCheckTextureRequirements: the size, level count and format a texture will get.
#include "gfx/picture/d3dx_texture.h"
#include "gfx/picture/format_table.h"

namespace {

bool IsPowerOfTwo(UINT value) {
    return value && !(value & (value - 1));
}

UINT NextPowerOfTwo(UINT value) {
    UINT power = 1;
    while (power < value && power < 0x80000000u)
        power <<= 1;
    return power < value ? value : power;
}

uint32_t ChannelScore(int requested, int candidate) {
    if (requested < candidate) return requested == 0 ? 256u : uint32_t(candidate - requested);
    if (requested > candidate)
        return candidate == 0 ? 0x1000000u : uint32_t(requested - candidate) * 65536u;
    return 0;
}

bool Compatible(FormatKind requested, FormatKind candidate) {
    return requested == candidate ||
           (candidate == FormatKind::Colour && requested != FormatKind::Bump);
}

} // namespace

uint32_t FormatScore(D3DFORMAT requested, D3DFORMAT candidate) {
    const FormatDescriptor r = DescribeFormat(requested), c = DescribeFormat(candidate);
    // Losing precision costs far more than gaining it, and losing a channel most.
    return ChannelScore(r.luminance, c.luminance) + ChannelScore(r.alpha, c.alpha) +
           ChannelScore(r.red, c.red) + ChannelScore(r.green, c.green) +
           ChannelScore(r.blue, c.blue);
}

HRESULT ChooseTextureFormat(IDirect3D8* d3d, const D3DCAPS8& caps, D3DFORMAT displayFormat,
                            DWORD usage, D3DFORMAT requested, D3DFORMAT& chosen) {
    const FormatDescriptor wanted = DescribeFormat(requested);
    const FormatDescriptor* best = nullptr;
    uint32_t bestScore = 0;
    for (const FormatDescriptor* row = FormatTableBegin(); row != FormatTableEnd(); ++row) {
        if (FAILED(d3d->CheckDeviceFormat(caps.AdapterOrdinal, caps.DeviceType, displayFormat,
                                          usage, D3DRTYPE_TEXTURE, row->format)))
            continue;
        if (row->format == requested) {
            chosen = requested;
            return D3D_OK;
        }
        if (!row->substitute || !Compatible(wanted.kind, row->kind)) continue;
        const uint32_t score = FormatScore(requested, row->format);
        // Ties go to fewer bits per pixel, then to the earlier row.
        if (!best || score < bestScore ||
            (score == bestScore && row->bitsPerPixel < best->bitsPerPixel)) {
            best = row;
            bestScore = score;
        }
    }
    if (!best) return D3DERR_NOTAVAILABLE;
    chosen = best->format;
    return D3D_OK;
}

HRESULT D3DXCheckTextureRequirements(IDirect3DDevice8* device, UINT* width, UINT* height,
                                     UINT* mipLevels, DWORD usage, D3DFORMAT* format,
                                     D3DPOOL pool) {
    if (!device) return D3DERR_INVALIDCALL;
    if (pool != D3DPOOL_DEFAULT && pool != D3DPOOL_MANAGED && pool != D3DPOOL_SYSTEMMEM)
        return D3DERR_INVALIDCALL;
    if (usage == D3DX_DEFAULT) usage = 0;
    if (usage & ~(D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)) return D3DERR_INVALIDCALL;

    IDirect3D8* d3d = nullptr;
    D3DCAPS8 caps;
    D3DDISPLAYMODE mode;
    HRESULT result = device->GetDirect3D(&d3d);
    if (FAILED(result)) return result;
    if (FAILED(result = device->GetDeviceCaps(&caps)) ||
        FAILED(result = device->GetDisplayMode(&mode))) {
        d3d->Release();
        return result;
    }

    // Size.
    UINT w = width ? *width : D3DX_DEFAULT, h = height ? *height : D3DX_DEFAULT;
    if (w == D3DX_DEFAULT && h == D3DX_DEFAULT)
        w = h = 256;
    else if (w == D3DX_DEFAULT)
        w = h;
    else if (h == D3DX_DEFAULT)
        h = w;
    if (w == 0) w = 1;
    if (h == 0) h = 1;
    if (w > caps.MaxTextureWidth) w = caps.MaxTextureWidth;
    if (h > caps.MaxTextureHeight) h = caps.MaxTextureHeight;
    const UINT aspect =
        (caps.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY) ? 1 : caps.MaxTextureAspectRatio;
    if (aspect != 0) {
        if (uint64_t(w) > uint64_t(h) * aspect) w = h * aspect;
        if (uint64_t(h) > uint64_t(w) * aspect) h = w * aspect;
    }
    // Raised after the limits, so the result may exceed them.
    if (caps.TextureCaps & D3DPTEXTURECAPS_POW2) {
        w = NextPowerOfTwo(w);
        h = NextPowerOfTwo(h);
    }
    const D3DFORMAT requested = format ? *format : D3DFMT_UNKNOWN;
    if (IsDxtFormat(requested)) {
        w = (w + 3) & ~3u;
        h = (h + 3) & ~3u;
    }

    // Format.
    D3DFORMAT chosen = D3DFMT_UNKNOWN;
    result = ChooseTextureFormat(d3d, caps, mode.Format, usage, requested, chosen);
    d3d->Release();
    if (FAILED(result)) return result;

    // Levels.
    UINT levels = 1;
    if ((caps.TextureCaps & D3DPTEXTURECAPS_MIPMAP) && IsPowerOfTwo(w) && IsPowerOfTwo(h)) {
        UINT full = 1;
        for (UINT size = w > h ? w : h; size > 1; size >>= 1)
            ++full;
        const UINT wanted = mipLevels ? *mipLevels : 0;
        levels = wanted >= 1 && wanted <= full ? wanted : full;
    }

    if (width) *width = w;
    if (height) *height = h;
    if (mipLevels) *mipLevels = levels;
    if (format) *format = chosen;
    return D3D_OK;
}
