#include "bench/call_replay.h"
#include "gfx/shared_device.h"
#include "platform/d3d8/device_queries.h"

#include <algorithm>
#include <initializer_list>

#include <chrono>
#include <cstring>

namespace {

double Now() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

const void* Pointer(const D3DCall& call) {
    return call.bytes.empty() ? nullptr : call.bytes.data();
}

// The calls that set the device's state as it stands: its render and stage states, matrices,
// material, lights and texture.
std::vector<D3DCall> StateOf(IDirect3DDevice8* device) {
    std::vector<D3DCall> calls;
    const auto call = [&calls](D3DCall::Kind kind, std::initializer_list<DWORD> args,
                               void* object = nullptr, const void* bytes = nullptr,
                               size_t size = 0) {
        D3DCall made;
        made.kind = kind;
        std::copy(args.begin(), args.end(), made.args);
        made.object = object;
        const auto* from = static_cast<const BYTE*>(bytes);
        made.bytes.assign(from, from + size);
        calls.push_back(std::move(made));
    };
    for (int state = 0; state < D3DRS_TABLE_SIZE; ++state) {
        DWORD value = 0;
        if (SUCCEEDED(DeviceQueries::GetRenderState(device, D3DRENDERSTATETYPE(state), &value)))
            call(D3DCall::SetRenderState, {DWORD(state), value});
    }
    for (int type = 1; type < D3DTSS_TABLE_SIZE; ++type) {
        DWORD value = 0;
        if (SUCCEEDED(DeviceQueries::GetTextureStageState(device, 0, D3DTEXTURESTAGESTATETYPE(type),
                                                          &value)))
            call(D3DCall::SetTextureStageState, {0, DWORD(type), value});
    }
    for (auto state : {D3DTS_WORLD, D3DTS_VIEW, D3DTS_PROJECTION, D3DTS_TEXTURE0}) {
        D3DMATRIX matrix;
        if (SUCCEEDED(DeviceQueries::GetTransform(device, state, &matrix)))
            call(D3DCall::SetTransform, {DWORD(state)}, nullptr, &matrix, sizeof matrix);
    }
    D3DMATERIAL8 material;
    if (SUCCEEDED(DeviceQueries::GetMaterial(device, &material)))
        call(D3DCall::SetMaterial, {}, nullptr, &material, sizeof material);
    for (DWORD index = 0; index < DWORD(kMaxLights); ++index) {
        D3DLIGHT8 light;
        BOOL enabled = FALSE;
        if (SUCCEEDED(DeviceQueries::GetLight(device, index, &light)) &&
            light.Type >= D3DLIGHT_POINT && light.Type <= D3DLIGHT_DIRECTIONAL)
            call(D3DCall::SetLight, {index}, nullptr, &light, sizeof light);
        if (SUCCEEDED(DeviceQueries::GetLightEnable(device, index, &enabled)))
            call(D3DCall::LightEnable, {index, DWORD(enabled)});
    }
    IDirect3DTexture8* texture = nullptr;
    if (SUCCEEDED(DeviceQueries::GetTexture(device, 0, &texture))) {
        call(D3DCall::SetTexture, {0}, texture);
        if (texture) texture->Release(); // the scene keeps it alive
    }
    return calls;
}

} // namespace

void RecordCallsOf(CallRecording& recording, const std::function<void()>& drawFrame) {
    if (recording.frames.empty()) recording.state = StateOf(sharedDevice);
    recording.frames.emplace_back();
    std::vector<D3DCall>& frame = recording.frames.back();
    RecordCalls([&](D3DCall&& call) {
        if (call.kind == D3DCall::StartingBytes) {
            // Each frame is a record of its own: only the first frame to write a buffer or
            // level tells what it held at the start.
            const bool known = std::any_of(
                recording.starting.begin(), recording.starting.end(), [&](const D3DCall& start) {
                    return start.object == call.object && start.args[0] == call.args[0];
                });
            if (!known) recording.starting.push_back(std::move(call));
        } else
            frame.push_back(std::move(call));
    });
    drawFrame();
    RecordCalls(nullptr);
}

void RestoreStart(const CallRecording& recording) {
    ReplayCalls(*sharedDevice, recording.state);
    for (const D3DCall& start : recording.starting) {
        if (start.args[1] == D3DCall::BufferWrite) {
            auto* target = static_cast<D3DBuffer*>(start.object);
            BYTE* bits = nullptr;
            if (SUCCEEDED(target->Lock(0, 0, &bits, 0))) {
                std::memcpy(bits, start.bytes.data(), start.bytes.size());
                target->Unlock();
            }
        } else {
            auto* target = static_cast<IDirect3DTexture8*>(start.object);
            D3DLOCKED_RECT locked{};
            if (SUCCEEDED(target->LockRect(start.args[0], &locked, nullptr, 0))) {
                std::memcpy(locked.pBits, start.bytes.data(), start.bytes.size());
                target->UnlockRect(start.args[0]);
            }
        }
    }
}

double ReplayCalls(IDirect3DDevice8& device, const std::vector<D3DCall>& calls) {
    double copying = 0;
    for (const D3DCall& call : calls) {
        const DWORD* a = call.args;
        switch (call.kind) {
        case D3DCall::Clear:
            device.Clear(a[0], static_cast<const D3DRECT*>(Pointer(call)), a[1], D3DCOLOR(a[2]),
                         call.z, 0);
            break;
        case D3DCall::BeginScene:
            device.BeginScene();
            break;
        case D3DCall::EndScene:
            device.EndScene();
            break;
        case D3DCall::Present:
            device.Present(nullptr, nullptr, nullptr, nullptr);
            break;
        case D3DCall::TestCooperativeLevel:
            device.TestCooperativeLevel();
            break;
        case D3DCall::SetRenderState:
            device.SetRenderState(D3DRENDERSTATETYPE(a[0]), a[1]);
            break;
        case D3DCall::SetTransform:
            device.SetTransform(D3DTRANSFORMSTATETYPE(a[0]),
                                static_cast<const D3DMATRIX*>(Pointer(call)));
            break;
        case D3DCall::SetTextureStageState:
            device.SetTextureStageState(a[0], D3DTEXTURESTAGESTATETYPE(a[1]), a[2]);
            break;
        case D3DCall::SetTexture:
            device.SetTexture(a[0], static_cast<IDirect3DTexture8*>(call.object));
            break;
        case D3DCall::SetMaterial:
            device.SetMaterial(static_cast<const D3DMATERIAL8*>(Pointer(call)));
            break;
        case D3DCall::SetLight:
            device.SetLight(a[0], static_cast<const D3DLIGHT8*>(Pointer(call)));
            break;
        case D3DCall::LightEnable:
            device.LightEnable(a[0], BOOL(a[1]));
            break;
        case D3DCall::SetStreamSource:
            device.SetStreamSource(a[0], static_cast<IDirect3DVertexBuffer8*>(call.object), a[1]);
            break;
        case D3DCall::SetVertexShader:
            device.SetVertexShader(a[0]);
            break;
        case D3DCall::SetIndices:
            device.SetIndices(static_cast<IDirect3DIndexBuffer8*>(call.object), a[0]);
            break;
        case D3DCall::DrawIndexedPrimitive:
            device.DrawIndexedPrimitive(D3DPRIMITIVETYPE(a[0]), a[1], a[2], a[3], a[4]);
            break;
        case D3DCall::BufferWrite: {
            auto* buffer = static_cast<D3DBuffer*>(call.object);
            BYTE* bits = nullptr;
            if (FAILED(buffer->Lock(a[0], a[1], &bits, a[2]))) break;
            const double start = Now();
            std::copy(call.bytes.begin(), call.bytes.end(), bits - a[3] + call.at);
            copying += Now() - start;
            buffer->Unlock();
            break;
        }
        case D3DCall::TextureWrite: {
            auto* texture = static_cast<IDirect3DTexture8*>(call.object);
            D3DLOCKED_RECT locked{};
            if (FAILED(texture->LockRect(a[0], &locked, a[2] ? &call.rect : nullptr, a[1]))) break;
            const double start = Now();
            std::copy(call.bytes.begin(), call.bytes.end(),
                      static_cast<BYTE*>(locked.pBits) - a[3] + call.at);
            copying += Now() - start;
            texture->UnlockRect(a[0]);
            break;
        }
        case D3DCall::StartingBytes:
            break;
        }
    }
    return copying;
}

double CallsPerFrame(const CallRecording& recording) {
    size_t calls = 0;
    for (const auto& frame : recording.frames)
        calls += frame.size();
    return recording.frames.empty() ? 0.0 : double(calls) / double(recording.frames.size());
}
