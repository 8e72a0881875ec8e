// The device's drawing state and DrawIndexedPrimitive.
#include "platform/d3d8/d3d8.h"
#include "platform/d3d8/record_hook.h"
#include "platform/d3d8/render_states.h"
#include "platform/host/host.h"
#include "platform/host/run_state.h"
#include "platform/host/test_hooks.h"
#if SHOW_TEST_CONTROLS
#include "platform/d3d8/draw_record.h"
#endif

#include "platform/d3d8/gl.h"

#include <cstddef>
#include <string>

namespace {

constexpr DWORD kVertexFormat = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1;

constexpr UINT kVertexSize = 36;
#if SHOW_GLES
constexpr GLint kColourLayout = 4;
#else
constexpr GLint kColourLayout = GL_BGRA;
#endif

} // namespace

D3DMATRIX* IDirect3DDevice8::TransformSlot(D3DTRANSFORMSTATETYPE state) {
    switch (state) {
    case D3DTS_WORLD:
        return &world;
    case D3DTS_VIEW:
        return &view;
    case D3DTS_PROJECTION:
        return &projection;
    case D3DTS_TEXTURE0:
        return &texture0;
    default:
        return nullptr;
    }
}

HRESULT IDirect3DDevice8::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    SHOW_RECORD_CALL(D3DCall::SetTransform, {DWORD(state)}, 0, nullptr,
                     RecordedBytes(matrix, sizeof(D3DMATRIX)));
    D3DMATRIX* slot = TransformSlot(state);
    if (!slot || !matrix) return D3DERR_INVALIDCALL;
    *slot = *matrix;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                               DWORD value) {
    SHOW_RECORD_CALL(D3DCall::SetTextureStageState, {stage, DWORD(type), value});
    if (stage != 0 || type <= 0 || type >= D3DTSS_TABLE_SIZE) return D3DERR_INVALIDCALL;
    stageStates[type] = value;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::SetTexture(DWORD stage, IDirect3DTexture8* bound) {
    SHOW_RECORD_CALL(D3DCall::SetTexture, {stage}, 0, bound);
    if (stage != 0) return D3DERR_INVALIDCALL;
    texture = bound;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::SetMaterial(const D3DMATERIAL8* value) {
    SHOW_RECORD_CALL(D3DCall::SetMaterial, {}, 0, nullptr,
                     RecordedBytes(value, sizeof(D3DMATERIAL8)));
    if (!value) return D3DERR_INVALIDCALL;
    material = *value;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::SetLight(DWORD index, const D3DLIGHT8* light) {
    SHOW_RECORD_CALL(D3DCall::SetLight, {index}, 0, nullptr,
                     RecordedBytes(light, sizeof(D3DLIGHT8)));
    if (index >= DWORD(kMaxLights) || !light) {
        host::hooks::Trace("SetLight refused", std::to_string(index).c_str());
        return D3DERR_INVALIDCALL;
    }
    if (light->Type < D3DLIGHT_POINT || light->Type > D3DLIGHT_DIRECTIONAL)
        return D3DERR_INVALIDCALL;
    lights[index] = *light;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::LightEnable(DWORD index, BOOL enable) {
    SHOW_RECORD_CALL(D3DCall::LightEnable, {index, DWORD(enable)});
    if (index >= DWORD(kMaxLights)) {
        host::hooks::Trace("LightEnable refused", std::to_string(index).c_str());
        return D3DERR_INVALIDCALL;
    }
    lightEnabled[index] = enable != FALSE;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::SetStreamSource(UINT number, IDirect3DVertexBuffer8* buffer,
                                          UINT stride) {
    SHOW_RECORD_CALL(D3DCall::SetStreamSource, {number, stride}, 0, buffer);
    if (number != 0) return D3DERR_INVALIDCALL;
    stream = buffer;
    streamStride = stride;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::SetVertexShader(DWORD handle) {
    SHOW_RECORD_CALL(D3DCall::SetVertexShader, {handle});
    if (handle != kVertexFormat) return D3DERR_INVALIDCALL;
    vertexShader = handle;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::SetIndices(IDirect3DIndexBuffer8* buffer, UINT baseVertex) {
    SHOW_RECORD_CALL(D3DCall::SetIndices, {baseVertex}, 0, buffer);
    indices = buffer;
    baseVertexIndex = baseVertex;
    return D3D_OK;
}

void IDirect3DDevice8::Unbind(const D3DUnknown* resource) {
    if (texture == resource) texture = nullptr;
    if (stream == resource) stream = nullptr;
    if (indices == resource) indices = nullptr;
    // A buffer that goes may lend its OpenGL name to the next one: nothing cached may outlive it,
    // and OpenGL unbinds a name it deletes.
    if (lastIndexRange.buffer == resource) lastIndexRange = IndexRange{};
    held.arrayBuffer = held.texture = kUnknown;
}

void IDirect3DDevice8::ForgetGlBuffer(unsigned name) {
    // OpenGL unbinds a deleted buffer only where it is bound now; a vertex array not bound
    // keeps the old buffer, whatever its name comes to mean. None is taken to hold it.
    for (VertexArray& array : vertexArrays) {
        if (array.buffer == name) array.buffer = 0;
        if (array.elements == name) array.elements = kUnknown;
    }
    if (held.arrayBuffer == name) held.arrayBuffer = kUnknown;
    if (boundArray >= 0) held.elementBuffer = vertexArrays[boundArray].elements;
}

void IDirect3DDevice8::BindBuffer(unsigned target, unsigned name) {
    unsigned& bound = target == GL_ARRAY_BUFFER ? held.arrayBuffer : held.elementBuffer;
    if (bound == name) return;
    glBindBuffer(target, name);
    bound = name;
    // The index buffer binding is the vertex array's.
    if (target == GL_ELEMENT_ARRAY_BUFFER) vertexArrays[boundArray].elements = name;
}

void IDirect3DDevice8::UseVertexArray(unsigned buffer, size_t base) {
    int found = -1, oldest = 0;
    for (int i = 0; i < kVertexArrays; ++i) {
        const VertexArray& array = vertexArrays[i];
        if (array.name && array.buffer == buffer && array.base == base) found = i;
        if (array.lastUse < vertexArrays[oldest].lastUse) oldest = i;
    }
    if (found < 0) {
        // The one least recently used points at this buffer from now on.
        VertexArray& array = vertexArrays[oldest];
        const bool made = array.name == 0;
        if (made) glGenVertexArrays(1, &array.name);
        glBindVertexArray(array.name);
        boundArray = oldest;
        held.elementBuffer = array.elements = made ? 0 : array.elements;
        BindBuffer(GL_ARRAY_BUFFER, buffer);
        const auto at = [base](size_t offset) {
            return reinterpret_cast<const void*>(base + offset);
        };
        if (made) // the four attributes of the one vertex format
            for (unsigned attribute = 0; attribute < 4; ++attribute)
                glEnableVertexAttribArray(attribute);
        glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, kVertexSize, at(0));
        glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, kVertexSize, at(12));
        // D3DCOLOR is B, G, R, A in memory (ES takes it as R, G, B, A; the shader swaps back).
        glVertexAttribPointer(2, kColourLayout, GL_UNSIGNED_BYTE, GL_TRUE, kVertexSize, at(24));
        glVertexAttribPointer(3, 2, GL_FLOAT, GL_FALSE, kVertexSize, at(28));
        array.buffer = buffer;
        array.base = base;
        found = oldest;
    } else if (found != boundArray) {
        glBindVertexArray(vertexArrays[found].name);
        boundArray = found;
        held.elementBuffer = vertexArrays[found].elements;
    }
    vertexArrays[found].lastUse = ++arrayUses;
}

void IDirect3DDevice8::UnpackRows(int texels) {
    if (held.unpackRowLength < 0) {
        // Four-byte rows need no more than OpenGL's own alignment of 4, which nothing changes.
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        held.unpackRowLength = 0;
    }
    if (texels == held.unpackRowLength) return;
    glPixelStorei(GL_UNPACK_ROW_LENGTH, texels);
    held.unpackRowLength = texels;
}

void IDirect3DDevice8::BindTexture(unsigned name) {
    if (held.texture == name) return;
    glBindTexture(GL_TEXTURE_2D, name);
    held.texture = name;
}

HRESULT IDirect3DDevice8::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT minIndex,
                                               UINT vertexCount, UINT startIndex,
                                               UINT primitiveCount) {
    SHOW_RECORD_CALL(D3DCall::DrawIndexedPrimitive,
                     {DWORD(type), minIndex, vertexCount, startIndex, primitiveCount});
    if (type != D3DPT_TRIANGLELIST || !stream || !indices || vertexShader != kVertexFormat ||
        streamStride != kVertexSize || indices->Format() != D3DFMT_INDEX16)
        return D3DERR_INVALIDCALL;
    if (primitiveCount == 0) return D3D_OK;

    // Every index the draw reads, and every vertex those indices reach, must lie inside the
    // buffers: nothing is read from outside them.
    const size_t indexCount = size_t(primitiveCount) * 3;
    const size_t indexBytes = indices->Contents().size();
    if (size_t(startIndex) + indexCount > indexBytes / 2) return D3DERR_INVALIDCALL;
    IndexRange& range = lastIndexRange;
    if (range.buffer != indices || range.version != indices->Version() ||
        range.start != startIndex || range.count != primitiveCount) {
        const auto* index =
            reinterpret_cast<const uint16_t*>(indices->Contents().data()) + startIndex;
        UINT low = 0xFFFF, high = 0;
        for (size_t i = 0; i < indexCount; ++i) {
            if (index[i] < low) low = index[i];
            if (index[i] > high) high = index[i];
        }
        range = IndexRange{indices, indices->Version(), startIndex, primitiveCount, low, high};
    }
    const UINT lowest = range.lowest, highest = range.highest;
    const size_t vertexBytes = stream->Contents().size();
    const size_t first = size_t(baseVertexIndex) + lowest;
    const size_t end = size_t(baseVertexIndex) + highest + 1;
    if (end * kVertexSize > vertexBytes) return D3DERR_INVALIDCALL;
    (void)minIndex;
    (void)vertexCount;

    // What the fixed-function pipeline needs; whether a texture is really there is known once
    // its OpenGL name is.
    DrawState state{renderStates,
                    stageStates,
                    &world,
                    &view,
                    &projection,
                    &texture0,
                    &material,
                    lights,
                    lightEnabled,
                    texture != nullptr,
                    depthAllFar,
                    int(presentParameters.BackBufferWidth),
                    int(presentParameters.BackBufferHeight)};
#if SHOW_TEST_CONTROLS
    // The benchmarks' recorder.
    if (DrawsRecorded()) {
        const DrawRecord record{state,
                                texture,
                                texture && texture->Dirty(),
                                stream->Contents().data() + size_t(baseVertexIndex) * kVertexSize,
                                highest + 1,
                                reinterpret_cast<const uint16_t*>(indices->Contents().data()) +
                                    startIndex,
                                UINT(indexCount)};
        RecordDraw(record);
    }
#endif
    if (host::Run().fastForward) return D3D_OK;

    Activate();
    const unsigned vertexBuffer =
        stream->GlBuffer(GL_ARRAY_BUFFER, first * kVertexSize, end * kVertexSize);
    UseVertexArray(vertexBuffer, size_t(baseVertexIndex) * kVertexSize);
    // Into the vertex array just bound, where it has other indices.
    BindBuffer(GL_ELEMENT_ARRAY_BUFFER,
               indices->GlBuffer(GL_ELEMENT_ARRAY_BUFFER, size_t(startIndex) * 2,
                                 (size_t(startIndex) + indexCount) * 2));

    const unsigned image = texture ? texture->GlTexture() : 0;
    BindTexture(image);
    state.textured = image != 0;
    if (!pipeline.Use(state)) return D3DERR_DRIVERINTERNALERROR;
    host::hooks::Trace("glDrawElements");
    glDrawElements(GL_TRIANGLES, GLsizei(indexCount), GL_UNSIGNED_SHORT,
                   reinterpret_cast<const void*>(size_t(startIndex) * 2));
    if (renderStates[D3DRS_ZENABLE] != D3DZB_FALSE && renderStates[D3DRS_ZWRITEENABLE] != FALSE)
        depthAllFar = false;
    return D3D_OK;
}
