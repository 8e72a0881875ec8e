// IDirect3DDevice8: frames, clears, presentation, the render-state table and buffer creation.
#include "platform/d3d8/adapter_profile.h"
#include "platform/d3d8/colour.h"
#include "platform/d3d8/d3d8.h"
#include "platform/d3d8/record_hook.h"
#include "platform/d3d8/render_states.h"
#include "platform/d3d8/texel_formats.h"
#include "platform/host/backend.h"
#include "platform/host/host.h"
#include "platform/host/run_state.h"
#include "platform/host/test_hooks.h"
#include "platform/win32/window_record.h"

#include "platform/d3d8/gl.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

namespace {

// The device whose context is current; GL calls go to it.
IDirect3DDevice8* activeDevice = nullptr;

} // namespace

IDirect3DDevice8::IDirect3DDevice8(IDirect3D8* owner, const D3DDEVICE_CREATION_PARAMETERS& creation,
                                   const D3DPRESENT_PARAMETERS& presentation)
    : d3d(owner), caps(ActiveAdapterProfile().caps), creationParameters(creation),
      presentParameters(presentation) {
    d3d->AddRef();
    FillDefaultRenderStates(renderStates, presentation.EnableAutoDepthStencil != FALSE,
                            (creation.BehaviorFlags & D3DCREATE_SOFTWARE_VERTEXPROCESSING) != 0);
    FillDefaultStageStates(stageStates);
    world = view = projection = texture0 = IdentityMatrix();
    for (D3DLIGHT8& light : lights)
        light = DefaultLight();
}

bool IDirect3DDevice8::CreateTarget() {
    HWND window = presentParameters.hDeviceWindow ? presentParameters.hDeviceWindow
                                                  : creationParameters.hFocusWindow;
    context = host::Active().CreateGlContext(window);
    if (!context) return false;
    activeDevice = this;
    // Direct3D's depth runs 0 to 1. Its window origin is the top left with y down: the shaders
    // turn every picture upside down in OpenGL's terms (y up), which leaves the target's rows
    // top first in memory and makes ties on horizontal edges fall as Direct3D's top-left rule
    // gives them (OpenGL's own upper-left origin leaves them as they were on llvmpipe).
#if !SHOW_GLES
    if (!epoxy_has_gl_extension("GL_ARB_clip_control") && epoxy_gl_version() < 45) {
        std::fprintf(stderr, "OpenGL: the driver lacks ARB_clip_control (OpenGL 4.5), which "
                             "Direct3D's depth range needs\n");
        return false;
    }
    glClipControl(GL_LOWER_LEFT, GL_ZERO_TO_ONE);
#endif

    int width = 0, height = 0;
    WantedTargetSize(width, height);
    if (!TargetFits(width, height)) return false;
    glGenFramebuffers(1, &framebuffer);
    if (!MakeTargetBuffers(framebuffer, colorBuffer, depthBuffer, width, height)) return false;
    targetWidth = width;
    targetHeight = height;
    glViewport(0, 0, width, height);
    // Direct3D leaves a new target's contents undefined; black and far is the kindest choice.
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    SetClearDepth(1.0f);
    glDisable(GL_SCISSOR_TEST);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    held = Held{};
    held.scissor = false;
    held.clearColour[0] = held.clearColour[1] = held.clearColour[2] = 0.0f;
    held.clearDepth = 1.0f;
    depthAllFar = true;
    // A vertex array is always bound (the draws choose theirs); stage 0's unit is the only one
    // used.
    glGenVertexArrays(1, &vertexArrays[0].name);
    glBindVertexArray(vertexArrays[0].name);
    for (unsigned attribute = 0; attribute < 4; ++attribute)
        glEnableVertexAttribArray(attribute);
    vertexArrays[0].elements = 0;
    boundArray = 0;
    held.elementBuffer = 0;
    glActiveTexture(GL_TEXTURE0);
    return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE && pipeline.Create();
}

void IDirect3DDevice8::WantedTargetSize(int& width, int& height) const {
    const host::RunState& run = host::Run();
    const bool scaled = run.drawingWidth > 0 && run.drawingHeight > 0;
    width = scaled ? run.drawingWidth : int(presentParameters.BackBufferWidth);
    height = scaled ? run.drawingHeight : int(presentParameters.BackBufferHeight);
}

bool IDirect3DDevice8::TargetFits(int width, int height) const {
    GLint largest = 0, viewport[2] = {0, 0};
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &largest);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    const GLint widest = std::min(largest, viewport[0]), tallest = std::min(largest, viewport[1]);
    if (width <= widest && height <= tallest) return true;
    std::fprintf(stderr,
                 "OpenGL: a %d x %d picture is beyond what this driver draws into (at most "
                 "%d x %d)\n",
                 int(width), int(height), int(widest), int(tallest));
    return false;
}

bool IDirect3DDevice8::MakeTargetBuffers(unsigned target, unsigned& colour, unsigned& depth,
                                         int width, int height) const {
    while (glGetError() != GL_NO_ERROR) {
    }
    glBindFramebuffer(GL_FRAMEBUFFER, target);
    glGenRenderbuffers(1, &colour);
    glBindRenderbuffer(GL_RENDERBUFFER, colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGB8, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    if (presentParameters.EnableAutoDepthStencil) {
        glGenRenderbuffers(1, &depth);
        glBindRenderbuffer(GL_RENDERBUFFER, depth);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, width, height);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    }
    if (glGetError() == GL_OUT_OF_MEMORY) {
        std::fprintf(stderr, "OpenGL: no memory for a %d x %d picture\n", int(width), int(height));
        return false;
    }
    return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

void IDirect3DDevice8::FollowDrawingSize() {
    int width = 0, height = 0;
    WantedTargetSize(width, height);
    if (width == targetWidth && height == targetHeight) return;
    // A size the driver cannot draw is not taken: the frames go on at the size they have.
    if (!TargetFits(width, height)) {
        host::SetDrawingSize(targetWidth, targetHeight);
        return;
    }
    unsigned target = 0, colour = 0, depth = 0;
    glGenFramebuffers(1, &target);
    if (!MakeTargetBuffers(target, colour, depth, width, height)) {
        glDeleteRenderbuffers(1, &colour);
        if (depth) glDeleteRenderbuffers(1, &depth);
        glDeleteFramebuffers(1, &target);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        host::SetDrawingSize(targetWidth, targetHeight);
        return;
    }
    // What the target held, at the new size: a frame that draws over only part of it finds the
    // rest as it was. (Present left the scissor test off.)
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, target);
    glBlitFramebuffer(0, 0, targetWidth, targetHeight, 0, 0, width, height, GL_COLOR_BUFFER_BIT,
                      GL_LINEAR);
    if (depth)
        glBlitFramebuffer(0, 0, targetWidth, targetHeight, 0, 0, width, height, GL_DEPTH_BUFFER_BIT,
                          GL_NEAREST);
    glDeleteRenderbuffers(1, &colorBuffer);
    if (depthBuffer) glDeleteRenderbuffers(1, &depthBuffer);
    glDeleteFramebuffers(1, &framebuffer);
    framebuffer = target, colorBuffer = colour, depthBuffer = depth;
    targetWidth = width, targetHeight = height;
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glViewport(0, 0, width, height);
}

IDirect3DDevice8::~IDirect3DDevice8() {
    host::hooks::Trace("IDirect3DDevice8 destroyed");
    if (context) {
        Activate();
        pipeline.Destroy();
        for (VertexArray& array : vertexArrays)
            if (array.name) glDeleteVertexArrays(1, &array.name);
        if (depthBuffer) glDeleteRenderbuffers(1, &depthBuffer);
        if (colorBuffer) glDeleteRenderbuffers(1, &colorBuffer);
        if (framebuffer) glDeleteFramebuffers(1, &framebuffer);
        host::Active().DestroyGlContext(context);
    }
    if (activeDevice == this) activeDevice = nullptr;
    d3d->Release();
}

void IDirect3DDevice8::Activate() {
    if (activeDevice == this) return;
    host::Active().MakeCurrent(context);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    activeDevice = this;
}

HRESULT IDirect3DDevice8::TestCooperativeLevel() {
    SHOW_RECORD_CALL(D3DCall::TestCooperativeLevel);
    const HWND window = presentParameters.hDeviceWindow ? presentParameters.hDeviceWindow
                                                        : creationParameters.hFocusWindow;
    const bool screenTaken = !presentParameters.Windowed && window->screenTaken;
    if (screenTaken || host::hooks::DeviceForcedLost()) return D3DERR_DEVICELOST;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color,
                                float z, DWORD /*stencil*/) {
    SHOW_RECORD_CALL(D3DCall::Clear, {count, flags, color}, z, nullptr,
                     RecordedBytes(rects, sizeof(D3DRECT) * count));
    // As Windows drivers take it: a count of 0 clears nothing when rectangles are given, and
    // rectangles that are not given mean the whole target, whatever the count.
    if (count == 0 && rects) return D3D_OK;
    if (!rects) count = 0;
    if ((flags & D3DCLEAR_STENCIL) || ((flags & D3DCLEAR_ZBUFFER) && !depthBuffer))
        return D3DERR_INVALIDCALL;
    GLbitfield buffers = 0;
    if (flags & D3DCLEAR_TARGET) buffers |= GL_COLOR_BUFFER_BIT;
    if (flags & D3DCLEAR_ZBUFFER) buffers |= GL_DEPTH_BUFFER_BIT;
    if (!buffers) return D3D_OK;

    if (host::Run().fastForward) return D3D_OK;
    Activate();
    // A clear writes whatever the draw states mask off: every channel and depth open.
    pipeline.OpenWriteMasks();
    // The back buffer keeps no alpha: it reads as 1.
    const ColourChannels clear = UnpackColour(color);
    if (clear.r != held.clearColour[0] || clear.g != held.clearColour[1] ||
        clear.b != held.clearColour[2]) {
        glClearColor(clear.r, clear.g, clear.b, 1.0f);
        held.clearColour[0] = clear.r, held.clearColour[1] = clear.g, held.clearColour[2] = clear.b;
    }
    const float depth = z < 0.0f ? 0.0f : z > 1.0f ? 1.0f : z;
    if (depth != held.clearDepth) SetClearDepth(depth), held.clearDepth = depth;
    if (count == 0) {
        if (held.scissor) glDisable(GL_SCISSOR_TEST), held.scissor = false;
        glClear(buffers);
        if (flags & D3DCLEAR_ZBUFFER) depthAllFar = depth == 1.0f;
        return D3D_OK;
    }
    // Part of the target cleared to something nearer: not all far any more.
    if ((flags & D3DCLEAR_ZBUFFER) && depth != 1.0f) depthAllFar = false;
    // Rectangles are in Direct3D's top-down pixel coordinates of the back buffer, which the
    // target shares scaled to its size; each is cut to the back buffer, then each edge scaled
    // to the nearest of the target's pixel edges (rectangles that meet still meet).
    const LONG width = LONG(presentParameters.BackBufferWidth);
    const LONG height = LONG(presentParameters.BackBufferHeight);
    const auto scaled = [](LONG at, LONG from, GLsizei to) {
        return GLint((int64_t(at) * to * 2 + from) / (int64_t(from) * 2));
    };
    glEnable(GL_SCISSOR_TEST);
    for (DWORD i = 0; i < count; ++i) {
        const LONG x1 = std::max(rects[i].x1, LONG(0)), y1 = std::max(rects[i].y1, LONG(0));
        const LONG x2 = std::min(rects[i].x2, width), y2 = std::min(rects[i].y2, height);
        if (x2 <= x1 || y2 <= y1) continue;
        const GLint left = scaled(x1, width, targetWidth), top = scaled(y1, height, targetHeight);
        const GLint right = scaled(x2, width, targetWidth);
        const GLint bottom = scaled(y2, height, targetHeight);
        glScissor(left, top, right - left, bottom - top);
        glClear(buffers);
    }
    glDisable(GL_SCISSOR_TEST);
    held.scissor = false;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::BeginScene() {
    SHOW_RECORD_CALL(D3DCall::BeginScene);
    if (inScene) return D3DERR_INVALIDCALL;
    inScene = true;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::EndScene() {
    SHOW_RECORD_CALL(D3DCall::EndScene);
    if (!inScene) return D3DERR_INVALIDCALL;
    inScene = false;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::Present(const RECT* /*sourceRect*/, const RECT* /*destRect*/,
                                  HWND /*destWindowOverride*/, const void* /*dirtyRegion*/) {
    SHOW_RECORD_CALL(D3DCall::Present);
    host::hooks::Trace("Present");
    if (inScene) return D3DERR_INVALIDCALL;
    if (TestCooperativeLevel() != D3D_OK) return D3DERR_DEVICELOST;
    if (host::Run().fastForward) {
        // The host hands on a frame without pixels.
        host::Active().Present(context, 0, targetWidth, targetHeight);
        host::hooks::FramePresented();
        return D3D_OK;
    }
    Activate();
    if (host::Active().Present(context, framebuffer, targetWidth, targetHeight)) {
        // What showing the frame changes (host/letterbox.cpp): the scissor test off, every
        // channel written, the clear colour; it binds the target again as it ends. A host that
        // only reads the frame back changes none of it.
        held.scissor = false;
        held.clearColour[0] = held.clearColour[1] = held.clearColour[2] = -1.0f;
        pipeline.ColourMaskOpened();
    }
#if SHOW_TEST_CONTROLS && !SHOW_GLES
    // The tests' build: a state the device believes OpenGL holds, and OpenGL does not, would
    // leave a later draw with the wrong state unseen, so it stops the run here.
    if (const std::string differs = host::hooks::ChecksHeldGlState() ? HeldStateDiffers() : "";
        !differs.empty()) {
        std::fprintf(stderr, "the device's record of OpenGL's state is wrong after Present: %s\n",
                     differs.c_str());
        std::abort();
    }
#endif
    FollowDrawingSize();
    host::hooks::FramePresented();
    return D3D_OK;
}

HRESULT IDirect3DDevice8::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                             IDirect3DVertexBuffer8** result) {
    host::hooks::Trace("CreateVertexBuffer");
    if (!result) return D3DERR_INVALIDCALL;
    *result = nullptr;
    if (length == 0 || pool == D3DPOOL_SCRATCH) return D3DERR_INVALIDCALL;
    int64_t code = D3DERR_OUTOFVIDEOMEMORY;
    if (host::hooks::Fails("CreateVertexBuffer", &code)) return HRESULT(code);
    try {
        *result = new IDirect3DVertexBuffer8(this, length, usage, fvf);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return D3D_OK;
}

HRESULT IDirect3DDevice8::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format,
                                            D3DPOOL pool, IDirect3DIndexBuffer8** result) {
    host::hooks::Trace("CreateIndexBuffer");
    if (!result) return D3DERR_INVALIDCALL;
    *result = nullptr;
    if (length == 0 || pool == D3DPOOL_SCRATCH ||
        (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32))
        return D3DERR_INVALIDCALL;
    int64_t code = D3DERR_OUTOFVIDEOMEMORY;
    if (host::hooks::Fails("CreateIndexBuffer", &code)) return HRESULT(code);
    try {
        *result = new IDirect3DIndexBuffer8(this, length, usage, format);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return D3D_OK;
}

namespace {

bool IsPowerOfTwo(UINT value) {
    return value && !(value & (value - 1));
}

UINT FullLevelCount(UINT width, UINT height) {
    UINT count = 1;
    for (UINT size = width > height ? width : height; size > 1; size >>= 1)
        ++count;
    return count;
}

} // namespace

HRESULT IDirect3DDevice8::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage,
                                        D3DFORMAT format, D3DPOOL pool,
                                        IDirect3DTexture8** result) {
    host::hooks::Trace("CreateTexture");
    if (!result) return D3DERR_INVALIDCALL;
    *result = nullptr;
    if (width == 0 || height == 0 || width > caps.MaxTextureWidth ||
        height > caps.MaxTextureHeight || pool < D3DPOOL_DEFAULT || pool >= D3DPOOL_SCRATCH)
        return D3DERR_INVALIDCALL;
    if ((caps.TextureCaps & D3DPTEXTURECAPS_POW2) &&
        (!IsPowerOfTwo(width) || !IsPowerOfTwo(height)))
        return D3DERR_INVALIDCALL;
    if ((caps.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY) && width != height)
        return D3DERR_INVALIDCALL;
    if (!IsTextureFormatSupported(format) ||
        FAILED(d3d->CheckDeviceFormat(creationParameters.AdapterOrdinal,
                                      creationParameters.DeviceType,
                                      presentParameters.BackBufferFormat, usage & ~D3DUSAGE_DYNAMIC,
                                      D3DRTYPE_TEXTURE, format)))
        return D3DERR_INVALIDCALL;
    if (TexelLayoutOf(format).blockCompressed && ((width | height) & 3)) return D3DERR_INVALIDCALL;
    const UINT full = FullLevelCount(width, height);
    if (levels == 0 || levels > full) levels = full;
    int64_t code = D3DERR_OUTOFVIDEOMEMORY;
    if (host::hooks::Fails("CreateTexture", &code)) return HRESULT(code);
    try {
        *result = new IDirect3DTexture8(this, width, height, levels, usage, format, pool);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return D3D_OK;
}

HRESULT IDirect3DDevice8::UpdateTexture(IDirect3DTexture8* source, IDirect3DTexture8* destination) {
    if (!source || !destination || source->pool != D3DPOOL_SYSTEMMEM ||
        destination->pool != D3DPOOL_DEFAULT || source->format != destination->format ||
        source->levels.size() < destination->levels.size() ||
        source->levels[0].width != destination->levels[0].width ||
        source->levels[0].height != destination->levels[0].height)
        return D3DERR_INVALIDCALL;
    int64_t code = D3DERR_INVALIDCALL;
    if (host::hooks::Fails("UpdateTexture", &code)) return HRESULT(code);
    for (size_t i = 0; i < destination->levels.size(); ++i)
        destination->levels[i].bits = source->levels[i].bits;
    destination->dirty = true;
    destination->written =
        ChangedRect{0, 0, destination->levels[0].width, destination->levels[0].height};
    return D3D_OK;
}

HRESULT IDirect3DDevice8::GetDirect3D(IDirect3D8** result) {
    if (!result) return D3DERR_INVALIDCALL;
    d3d->AddRef();
    *result = d3d;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::GetDeviceCaps(D3DCAPS8* result) {
    if (!result) return D3DERR_INVALIDCALL;
    *result = caps;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::GetDisplayMode(D3DDISPLAYMODE* mode) {
    if (!mode) return D3DERR_INVALIDCALL;
    if (presentParameters.Windowed) return d3d->GetAdapterDisplayMode(0, mode);
    *mode = D3DDISPLAYMODE{presentParameters.BackBufferWidth, presentParameters.BackBufferHeight,
                           presentParameters.FullScreen_RefreshRateInHz,
                           presentParameters.BackBufferFormat};
    return D3D_OK;
}

HRESULT IDirect3DDevice8::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    SHOW_RECORD_CALL(D3DCall::SetRenderState, {DWORD(state), value});
    if (state < 0 || state >= D3DRS_TABLE_SIZE) return D3DERR_INVALIDCALL;
    // The table is read when something is drawn; nothing reaches OpenGL here.
    renderStates[state] = value;
    return D3D_OK;
}
