// Direct3D 8 stand-in: the subset of Direct3D 8 the show uses, on OpenGL 3.3 core (libepoxy).
//
// Provides: Direct3DCreate8; IDirect3D8 adapter queries (display modes, device type, format and
// depth checks, caps) answered from the adapter profile (adapter_profile.h), CreateDevice;
// IDirect3DDevice8 Clear, BeginScene, EndScene, Present, TestCooperativeLevel,
// CreateVertexBuffer, CreateIndexBuffer, CreateTexture, UpdateTexture, GetDirect3D,
// GetDeviceCaps, GetDisplayMode, SetRenderState with Direct3D 8's default state table,
// SetTransform (world, view, projection, texture 0), SetTextureStageState, SetTexture,
// SetMaterial, SetLight, LightEnable, SetStreamSource, SetVertexShader (the format 0x152),
// SetIndices and DrawIndexedPrimitive with triangle lists, drawn by the shader pair of
// fixed_function.h; vertex and
// index buffers with Lock and Unlock that keep their contents; textures and their level
// surfaces (texture.cpp); AddRef/Release reference counting throughout, resources holding a
// reference on their device and the device on its IDirect3D8, as Direct3D does. The device's
// bindings (texture, stream, indices) hold no reference: a resource unbinds itself when it goes.
//
// The device draws into its own 640 x 480 target (8-bit RGB colour, 16-bit depth) whatever the
// back-buffer format, and the host shows or hands on that target at Present. The target has no
// alpha, as the back buffer has none: destination alpha reads as 1 without any draw's alpha
// having to be masked off. It draws upside
// down in OpenGL's terms, so the target's rows are top first and ties on edges fall by Direct3D's
// top-left rule, with 0..1 depth (ARB_clip_control, which it requires). Clear takes rectangles
// as Windows drivers do: none given means the whole target, a count of 0 with rectangles clears
// nothing, and each is cut to the target. The device is lost
// for good when the tests force it or its full-screen window was minimised or hidden; there is
// no Reset.
//
// Left out: more than one adapter, Reset, swap chains, state blocks, cursors, gamma ramps,
// programmable shaders and vertex formats other than 0x152, primitives other than triangle
// lists, texture stages beyond 0, lights beyond index 7, cube and volume textures, stencil,
// multisampling, and the rest of the interface the show does not call.
#pragma once

#include "platform/d3d8/changed_rect.h"
#include "platform/d3d8/d3d8_types.h"
#include "platform/d3d8/fixed_function.h"

#include <cstddef>
#include <string>
#include <vector>

namespace host {
struct GlContext;
}

class IDirect3DDevice8;
class IDirect3DVertexBuffer8;
class IDirect3DIndexBuffer8;
class IDirect3DTexture8;
class IDirect3DSurface8;

// IUnknown-style reference counting: an object is born with one reference and destroyed when
// the last one is released.
class D3DUnknown {
public:
    ULONG AddRef();
    ULONG Release();

protected:
    D3DUnknown() = default;
    virtual ~D3DUnknown() = default;
    D3DUnknown(const D3DUnknown&) = delete;
    D3DUnknown& operator=(const D3DUnknown&) = delete;

private:
    ULONG references = 1;
};

class IDirect3D8 : public D3DUnknown {
public:
    UINT GetAdapterCount();
    HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode);
    UINT GetAdapterModeCount(UINT adapter);
    HRESULT EnumAdapterModes(UINT adapter, UINT mode, D3DDISPLAYMODE* result);
    HRESULT CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT displayFormat,
                            D3DFORMAT backBufferFormat, BOOL windowed);
    HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                              D3DRESOURCETYPE resourceType, D3DFORMAT checkFormat);
    HRESULT CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                   D3DFORMAT renderTargetFormat, D3DFORMAT depthStencilFormat);
    HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS8* caps);
    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
                         D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice8** result);

private:
    friend IDirect3D8* WINAPI Direct3DCreate8(UINT sdkVersion);
    IDirect3D8() = default;
    ~IDirect3D8() override;
};

IDirect3D8* WINAPI Direct3DCreate8(UINT sdkVersion);

class IDirect3DDevice8 : public D3DUnknown {
public:
    HRESULT TestCooperativeLevel();
    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                  DWORD stencil);
    HRESULT BeginScene();
    HRESULT EndScene();
    HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
                    const void* dirtyRegion);

    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               IDirect3DVertexBuffer8** result);
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DIndexBuffer8** result);

    HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                          D3DPOOL pool, IDirect3DTexture8** result);
    // Copies every level of a system-memory texture into a default-pool one of the same shape.
    HRESULT UpdateTexture(IDirect3DTexture8* source, IDirect3DTexture8* destination);

    HRESULT GetDirect3D(IDirect3D8** result);
    HRESULT GetDeviceCaps(D3DCAPS8* caps);
    HRESULT GetDisplayMode(D3DDISPLAYMODE* mode);

    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value);
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix);
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value);
    // Direct3D takes any base texture here; this device has only 2-D textures.
    HRESULT SetTexture(DWORD stage, IDirect3DTexture8* texture);
    HRESULT SetMaterial(const D3DMATERIAL8* material);
    HRESULT SetLight(DWORD index, const D3DLIGHT8* light);
    HRESULT LightEnable(DWORD index, BOOL enable);
    HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer8* buffer, UINT stride);
    HRESULT SetVertexShader(DWORD handle);
    HRESULT SetIndices(IDirect3DIndexBuffer8* buffer, UINT baseVertexIndex);
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT minIndex, UINT vertexCount,
                                 UINT startIndex, UINT primitiveCount);

    // Makes this device's OpenGL context current and its target bound (for the resources).
    void Activate();
    // Called by a resource as it goes, so that no binding outlives it.
    void Unbind(const D3DUnknown* resource);
    // Binds an OpenGL buffer or texture of this device's context, unless it is bound already.
    void BindBuffer(unsigned target, unsigned name);
    // Called by a buffer as it deletes an OpenGL buffer: no vertex array is taken to hold it.
    void ForgetGlBuffer(unsigned name);
    void BindTexture(unsigned name);
    // Sets the rows of an upload to `texels` apart (tightly packed rows of 4-byte texels),
    // unless OpenGL holds that layout already.
    void UnpackRows(int texels);

private:
    // The tests' build: what this device holds as OpenGL's state, against what OpenGL reports
    // (held_state_check.cpp); empty when they agree, else what differs.
    std::string HeldStateDiffers() const;

    friend class IDirect3D8;
    // The tests' reading of state the show never queries (device_queries.h).
    friend struct DeviceQueries;
    IDirect3DDevice8(IDirect3D8* owner, const D3DDEVICE_CREATION_PARAMETERS& creation,
                     const D3DPRESENT_PARAMETERS& presentation);
    ~IDirect3DDevice8() override;
    bool CreateTarget();
    // The size the target is to have: the host's drawing size, else the back buffer's.
    void WantedTargetSize(int& width, int& height) const;
    // Whether the driver can draw a target of that size; says why not on standard error.
    bool TargetFits(int width, int height) const;
    // Gives framebuffer `target` a colour buffer (and a depth buffer where the device has one)
    // of that size; false, saying why where it can tell, when the driver cannot.
    bool MakeTargetBuffers(unsigned target, unsigned& colour, unsigned& depth, int width,
                           int height) const;
    // After a Present: takes a new drawing size the host asks for, the picture kept.
    void FollowDrawingSize();
    // The matrix a transform state names, or null for one the device does not keep.
    D3DMATRIX* TransformSlot(D3DTRANSFORMSTATETYPE state);

    IDirect3D8* d3d;
    D3DCAPS8 caps;
    D3DDEVICE_CREATION_PARAMETERS creationParameters;
    D3DPRESENT_PARAMETERS presentParameters;
    host::GlContext* context = nullptr;
    unsigned framebuffer = 0;
    unsigned colorBuffer = 0;
    unsigned depthBuffer = 0;
    // The target's size: the back buffer's, or the drawing size it is scaled to.
    int targetWidth = 0;
    int targetHeight = 0;
    // Every depth value is the far plane (1.0): cleared so, and nothing drawn into it since.
    bool depthAllFar = false;
    bool inScene = false;
    DWORD renderStates[D3DRS_TABLE_SIZE];
    DWORD stageStates[D3DTSS_TABLE_SIZE];
    D3DMATRIX world, view, projection, texture0;
    D3DMATERIAL8 material{};
    D3DLIGHT8 lights[kMaxLights];
    bool lightEnabled[kMaxLights] = {};
    IDirect3DTexture8* texture = nullptr;
    IDirect3DVertexBuffer8* stream = nullptr;
    UINT streamStride = 0;
    DWORD vertexShader = 0;
    IDirect3DIndexBuffer8* indices = nullptr;
    UINT baseVertexIndex = 0;
    // The range of vertices the last draw's indices reached, kept while the same indices are
    // drawn again (four times a frame in some scenes).
    struct IndexRange {
        const IDirect3DIndexBuffer8* buffer = nullptr;
        uint64_t version = 0;
        UINT start = 0, count = 0, lowest = 0, highest = 0;
    } lastIndexRange;
    FixedFunction pipeline;
    // What this device's OpenGL context holds (the draws', the clears' and the resources'
    // bindings), so that a call that would change nothing is not made; kUnknown is a name
    // nothing holds.
    static constexpr unsigned kUnknown = ~0u;
    struct Held {
        unsigned arrayBuffer = kUnknown, elementBuffer = kUnknown, texture = kUnknown;
        bool scissor = true;
        float clearColour[3] = {-1.0f, -1.0f, -1.0f};
        float clearDepth = -1.0f;
        // The unpack row length, 0 for none set (rows as wide as each upload); -1 unknown.
        int unpackRowLength = -1;
    } held;
    // Vertex arrays for the OpenGL vertex buffers (and base vertices) drawn from lately, each
    // keeping its attributes and the index buffer bound to it, so that going back to a buffer
    // is one call. `elementBuffer` above is the bound one's.
    struct VertexArray {
        unsigned name = 0;
        unsigned buffer = 0; // 0: points at nothing yet
        size_t base = 0;
        unsigned elements = kUnknown;
        uint64_t lastUse = 0;
    };
    static constexpr int kVertexArrays = 8;
    VertexArray vertexArrays[kVertexArrays];
    int boundArray = -1;
    uint64_t arrayUses = 0;
    // Binds a vertex array whose attributes read `buffer` from byte `base` on.
    void UseVertexArray(unsigned buffer, size_t base);
};

// A buffer resource: a CPU copy that Lock hands out, kept between locks.
class D3DBuffer : public D3DUnknown {
public:
    HRESULT Lock(UINT offset, UINT size, BYTE** data, DWORD flags);
    HRESULT Unlock();

    // The current contents, for the draw code and tests.
    const std::vector<BYTE>& Contents() const { return contents; }
    // Counts the unlocks: contents with the same count are the same contents.
    uint64_t Version() const { return version; }
    // An OpenGL buffer holding at least bytes [begin, end) as they stand, sent through `target`
    // where none did (which leaves it bound there).
    unsigned GlBuffer(unsigned target, size_t begin, size_t end);

protected:
    D3DBuffer(IDirect3DDevice8* owner, UINT length, DWORD usage, const char* kind);
    ~D3DBuffer() override;
    // Copy `copy`, for a draw reading [begin, end) of it, which holds the contents there.
    unsigned Use(int copy, size_t begin, size_t end);

    IDirect3DDevice8* device;
    const char* kind;
    std::vector<BYTE> contents;
    DWORD usage;
    bool locked = false;
    // OpenGL copies of the contents, each remembering the bytes it holds. Copy 0 takes what
    // changes from draw to draw; what a buffer is given again and again (a scene's shared
    // buffers rewritten with the same indices each frame, other draws between) is kept in the
    // others once seen twice, and found there instead of being sent again.
    struct GlCopy {
        unsigned name = 0;
        // The bytes it holds, valid in [knownBegin, knownEnd); its storage is held.size().
        std::vector<BYTE> held;
        size_t knownBegin = 0, knownEnd = 0;
        uint64_t lastUse = 0;
    };
    static constexpr int kGlCopies = 4;
    GlCopy copies[kGlCopies];
    uint64_t uses = 0;
    // Samples of the last things sent through copy 0 (their range and a few of their bytes),
    // to tell a thing seen before.
    static constexpr int kRemembered = 16;
    uint64_t sentSamples[kRemembered] = {};
    int nextSample = 0;
    // The smallest thing worth keeping: switching a vertex buffer's copy costs the vertex
    // array's four attributes, more than sending a few vertices again.
    size_t keepFrom = 0;
    // The copy the last draw read, and the bytes of it known to be the contents as they stand;
    // emptied by Unlock.
    int current = -1;
    size_t cleanBegin = 0;
    size_t cleanEnd = 0;
    uint64_t version = 0;
};

class IDirect3DVertexBuffer8 : public D3DBuffer {
public:
    DWORD Fvf() const { return fvf; }

private:
    friend class IDirect3DDevice8;
    IDirect3DVertexBuffer8(IDirect3DDevice8* owner, UINT length, DWORD usage, DWORD fvf)
        : D3DBuffer(owner, length, usage, "IDirect3DVertexBuffer8"), fvf(fvf) {
        keepFrom = 1024;
    }
    DWORD fvf;
};

class IDirect3DIndexBuffer8 : public D3DBuffer {
public:
    D3DFORMAT Format() const { return format; }

private:
    friend class IDirect3DDevice8;
    IDirect3DIndexBuffer8(IDirect3DDevice8* owner, UINT length, DWORD usage, D3DFORMAT format)
        : D3DBuffer(owner, length, usage, "IDirect3DIndexBuffer8"), format(format) {}
    D3DFORMAT format;
};

// A texture: a chain of levels, each a CPU copy that LockRect hands out. Level 0 is uploaded to
// OpenGL (expanded to BGRA) when a draw needs it after a change.
class IDirect3DTexture8 : public D3DUnknown {
public:
    DWORD GetLevelCount() { return DWORD(levels.size()); }
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* description);
    HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface8** result);
    // Default-pool textures cannot be locked; fill them through a system-memory texture and
    // UpdateTexture.
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags);
    HRESULT UnlockRect(UINT level);

    // The OpenGL texture holding level 0, uploaded first if the contents changed; 0 for a
    // system-memory texture, which cannot be drawn.
    unsigned GlTexture();
    // Whether level 0 changed since OpenGL last had it.
    bool Dirty() const { return dirty; }
    D3DFORMAT Format() const { return format; }
    D3DPOOL Pool() const { return pool; }

private:
    friend class IDirect3DDevice8;
    friend struct DeviceQueries;
    struct Level {
        UINT width;
        UINT height;
        UINT pitch;
        std::vector<BYTE> bits;
        bool locked;
    };

    IDirect3DTexture8(IDirect3DDevice8* owner, UINT width, UINT height, UINT levelCount,
                      DWORD usage, D3DFORMAT format, D3DPOOL pool);
    ~IDirect3DTexture8() override;

    IDirect3DDevice8* device;
    DWORD usage;
    D3DFORMAT format;
    D3DPOOL pool;
    std::vector<Level> levels;
    bool dirty = true;
    unsigned glName = 0;
    // Whether the OpenGL texture has storage of level 0's size yet.
    bool allocated = false;
    // Level 0 as OpenGL holds it, kept once the level is written a second time (32-bit formats).
    std::vector<BYTE> sent;
    // The texels of level 0 that may have changed since OpenGL last had it: the union of the
    // rectangles locked for writing (a lock without one may write anywhere).
    ChangedRect written;
};

// One level of a texture; it keeps its texture alive.
class IDirect3DSurface8 : public D3DUnknown {
public:
    HRESULT GetDesc(D3DSURFACE_DESC* description);
    HRESULT LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags);
    HRESULT UnlockRect();

private:
    friend class IDirect3DTexture8;
    IDirect3DSurface8(IDirect3DTexture8* container, UINT level);
    ~IDirect3DSurface8() override;

    IDirect3DTexture8* container;
    UINT level;
};
