// Textures and their level surfaces.
#include "platform/d3d8/changed_rect.h"
#include "platform/d3d8/d3d8.h"
#include "platform/d3d8/record_hook.h"
#include "platform/d3d8/texel_formats.h"
#include "platform/host/host.h"
#include "platform/host/run_state.h"
#include "platform/host/test_hooks.h"

#include "platform/d3d8/gl.h"

#include <algorithm>
#include <cstring>

namespace {

// 0xAARRGGBB words, B, G, R, A in memory, go up as they are: OpenGL reads them as BGRA; ES has
// no such order, reads them as RGBA, and the shaders swap red and blue back.
#if SHOW_GLES
constexpr GLenum kTexelOrder = GL_RGBA, kTexelType = GL_UNSIGNED_BYTE;
#else
constexpr GLenum kTexelOrder = GL_BGRA, kTexelType = GL_UNSIGNED_INT_8_8_8_8_REV;
#endif

UINT LevelSize(UINT size, UINT level) {
    const UINT shifted = size >> level;
    return shifted ? shifted : 1;
}

} // namespace

IDirect3DTexture8::IDirect3DTexture8(IDirect3DDevice8* owner, UINT width, UINT height,
                                     UINT levelCount, DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : device(owner), usage(usage), format(format), pool(pool) {
    device->AddRef();
    for (UINT i = 0; i < levelCount; ++i) {
        const UINT w = LevelSize(width, i), h = LevelSize(height, i);
        const UINT pitch = LevelPitch(format, w);
        levels.push_back(
            Level{w, h, pitch, std::vector<BYTE>(size_t(pitch) * LevelRows(format, h)), false});
    }
}

IDirect3DTexture8::~IDirect3DTexture8() {
    host::hooks::Trace("IDirect3DTexture8 destroyed");
    device->Unbind(this);
    if (glName) {
        device->Activate();
        glDeleteTextures(1, &glName);
    }
    device->Release();
}

HRESULT IDirect3DTexture8::GetLevelDesc(UINT level, D3DSURFACE_DESC* description) {
    if (level >= levels.size() || !description) return D3DERR_INVALIDCALL;
    const Level& l = levels[level];
    *description = D3DSURFACE_DESC{
        format,  D3DRTYPE_SURFACE, usage, pool, UINT(l.bits.size()), D3DMULTISAMPLE_NONE,
        l.width, l.height};
    return D3D_OK;
}

HRESULT IDirect3DTexture8::GetSurfaceLevel(UINT level, IDirect3DSurface8** result) {
    if (!result) return D3DERR_INVALIDCALL;
    *result = nullptr;
    if (level >= levels.size()) return D3DERR_INVALIDCALL;
    int64_t code = D3DERR_INVALIDCALL;
    if (host::hooks::Fails("GetSurfaceLevel", &code)) return HRESULT(code);
    *result = new IDirect3DSurface8(this, level);
    return D3D_OK;
}

HRESULT IDirect3DTexture8::LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect,
                                    [[maybe_unused]] DWORD flags) {
    if (!locked) return D3DERR_INVALIDCALL;
    locked->pBits = nullptr;
    locked->Pitch = 0;
    if (level >= levels.size() || levels[level].locked) return D3DERR_INVALIDCALL;
    if (pool == D3DPOOL_DEFAULT && !(usage & D3DUSAGE_DYNAMIC)) return D3DERR_INVALIDCALL;
    int64_t code = D3DERR_INVALIDCALL;
    if (host::hooks::Fails("LockRect", &code)) return HRESULT(code);

    Level& l = levels[level];
    size_t offset = 0;
    if (rect) {
        if (rect->left < 0 || rect->top < 0 || rect->right <= rect->left ||
            rect->bottom <= rect->top || UINT(rect->right) > l.width ||
            UINT(rect->bottom) > l.height)
            return D3DERR_INVALIDCALL;
        const TexelLayout layout = TexelLayoutOf(format);
        if (layout.blockCompressed) {
            if ((rect->left | rect->top) & 3) return D3DERR_INVALIDCALL;
            offset = size_t(rect->top / 4) * l.pitch + size_t(rect->left / 4) * layout.bytes;
        } else {
            offset = size_t(rect->top) * l.pitch + size_t(rect->left) * layout.bytes;
        }
    }
    l.locked = true;
    if (level == 0) {
        // What may be written: the rectangle, or the whole level.
        ChangedRect locked{0, 0, l.width, l.height};
        if (rect && !TexelLayoutOf(format).blockCompressed)
            locked = ChangedRect{UINT(rect->left), UINT(rect->top), UINT(rect->right),
                                 UINT(rect->bottom)};
        if (written.Empty()) {
            written = locked;
        } else {
            written.left = std::min(written.left, locked.left);
            written.top = std::min(written.top, locked.top);
            written.right = std::max(written.right, locked.right);
            written.bottom = std::max(written.bottom, locked.bottom);
        }
    }
    // A clip frame asked for while it is locked is meant for this level.
    host::Run().lockedSurface = &l;
    locked->pBits = l.bits.data() + offset;
    locked->Pitch = INT(l.pitch);
#if SHOW_TEST_CONTROLS
    if (CallsRecorded()) {
        D3DCall write =
            RecordedCall(D3DCall::TextureWrite, {level, flags, rect != nullptr}, 0, this);
        if (rect) write.rect = *rect;
        RecordLocked(&l, std::move(write), l.bits.data(), l.bits.size(),
                     static_cast<const BYTE*>(locked->pBits));
    }
#endif
    return D3D_OK;
}

HRESULT IDirect3DTexture8::UnlockRect(UINT level) {
    if (level >= levels.size() || !levels[level].locked) return D3DERR_INVALIDCALL;
    levels[level].locked = false;
#if SHOW_TEST_CONTROLS
    if (CallsRecorded()) RecordUnlocked(&levels[level]);
#endif
    if (level == 0) dirty = true;
    host::Run().lockedSurface = nullptr;
    return D3D_OK;
}

unsigned IDirect3DTexture8::GlTexture() {
    if (pool == D3DPOOL_SYSTEMMEM) return 0;
    device->Activate();
    if (!dirty) return glName;
    if (!glName) {
        glGenTextures(1, &glName);
        device->BindTexture(glName);
        // Only level 0 is ever sampled: nothing sets a mip filter.
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    }
    device->BindTexture(glName);

    const Level& top = levels[0];
    const TexelLayout layout = TexelLayoutOf(format);
    if (layout.blockCompressed) {
#if SHOW_GLES
        // The browser's adapter offers no block-compressed format (WebGL 2 has them only as an
        // extension, not everywhere): no such texture is ever made.
        return 0;
#else
        // DXT2 and DXT4 hold premultiplied colour; the device samples them as stored.
        GLenum internal = GL_COMPRESSED_RGBA_S3TC_DXT5_EXT;
        if (format == D3DFMT_DXT1) internal = GL_COMPRESSED_RGBA_S3TC_DXT1_EXT;
        if (format == D3DFMT_DXT2 || format == D3DFMT_DXT3)
            internal = GL_COMPRESSED_RGBA_S3TC_DXT3_EXT;
        glCompressedTexImage2D(GL_TEXTURE_2D, 0, internal, GLsizei(top.width), GLsizei(top.height),
                               0, GLsizei(top.bits.size()), top.bits.data());
#endif
    } else if (format == D3DFMT_A8R8G8B8) {
        // Stored as OpenGL reads it: straight up, rows as they are, into storage made once.
        // X8R8G8B8's unused byte reads as opaque alpha through the swizzle set at creation.
        // The rows' layout (sent only when it differs from the one OpenGL holds).
        const auto rows = [this, &top] { device->UnpackRows(int(top.pitch / 4)); };
        if (!allocated) {
            rows();
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, GLsizei(top.width), GLsizei(top.height), 0,
                         kTexelOrder, kTexelType, top.bits.data());
        } else if (sent.empty()) {
            // Written again after its first upload, as a clip's canvas is once a frame: from now
            // on a copy of what OpenGL holds is kept, and only what differs from it goes up.
            rows();
            glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, GLsizei(top.width), GLsizei(top.height),
                            kTexelOrder, kTexelType, top.bits.data());
            sent = top.bits;
        } else {
            const ChangedRect changed =
                FindChangedRect(top.bits.data(), sent.data(), top.pitch, written);
            if (!changed.Empty()) {
                const size_t first = size_t(changed.top) * top.pitch + size_t(changed.left) * 4;
                rows();
                glTexSubImage2D(GL_TEXTURE_2D, 0, GLint(changed.left), GLint(changed.top),
                                GLsizei(changed.right - changed.left),
                                GLsizei(changed.bottom - changed.top), kTexelOrder, kTexelType,
                                top.bits.data() + first);
                for (UINT y = changed.top; y < changed.bottom; ++y) {
                    const size_t at = size_t(y) * top.pitch + size_t(changed.left) * 4;
                    std::memcpy(sent.data() + at, top.bits.data() + at,
                                size_t(changed.right - changed.left) * 4);
                }
            }
        }
        allocated = true;
    } else {
        std::vector<uint32_t> expanded(size_t(top.width) * top.height);
        for (UINT y = 0; y < top.height; ++y)
            ExpandRowToArgb(format, top.bits.data() + size_t(y) * top.pitch, top.width,
                            expanded.data() + size_t(y) * top.width);
        device->UnpackRows(int(top.width));
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, GLsizei(top.width), GLsizei(top.height), 0,
                     kTexelOrder, kTexelType, expanded.data());
    }
    dirty = false;
    written = ChangedRect{};
    return glName;
}

IDirect3DSurface8::IDirect3DSurface8(IDirect3DTexture8* texture, UINT level)
    : container(texture), level(level) {
    container->AddRef();
}

IDirect3DSurface8::~IDirect3DSurface8() {
    container->Release();
}

HRESULT IDirect3DSurface8::GetDesc(D3DSURFACE_DESC* description) {
    return container->GetLevelDesc(level, description);
}

HRESULT IDirect3DSurface8::LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
    return container->LockRect(level, locked, rect, flags);
}

HRESULT IDirect3DSurface8::UnlockRect() {
    return container->UnlockRect(level);
}
