#include "bench/call_replay.h"

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

} // namespace

void RecordCallsOf(CallRecording& recording, const std::function<void()>& drawFrame) {
    recording.frames.emplace_back();
    std::vector<D3DCall>& frame = recording.frames.back();
    RecordCalls([&](D3DCall&& call) {
        if (call.kind == D3DCall::StartingBytes)
            recording.starting.push_back(std::move(call));
        else
            frame.push_back(std::move(call));
    });
    drawFrame();
    RecordCalls(nullptr);
}

void RestoreStart(const CallRecording& recording) {
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
            std::memcpy(bits - a[3] + call.at, call.bytes.data(), call.bytes.size());
            copying += Now() - start;
            buffer->Unlock();
            break;
        }
        case D3DCall::TextureWrite: {
            auto* texture = static_cast<IDirect3DTexture8*>(call.object);
            D3DLOCKED_RECT locked{};
            if (FAILED(texture->LockRect(a[0], &locked, a[2] ? &call.rect : nullptr, a[1]))) break;
            const double start = Now();
            std::memcpy(static_cast<BYTE*>(locked.pBits) - a[3] + call.at, call.bytes.data(),
                        call.bytes.size());
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
