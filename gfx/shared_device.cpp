#include "gfx/shared_device.h"
#include "gfx/renderer.h"

IDirect3DDevice8* sharedDevice = nullptr;
IDirect3DVertexBuffer8* sharedVertexBuffer = nullptr;
IDirect3DIndexBuffer8* sharedIndexBuffer = nullptr;

int32_t CreateSharedBuffers(Renderer* renderer) {
    sharedDevice = renderer->GetDevice();
    sharedVertexBuffer = nullptr;
    sharedIndexBuffer = nullptr;
    if (FAILED(sharedDevice->CreateVertexBuffer(kSharedVertexBufferBytes, D3DUSAGE_DYNAMIC,
                                                kSharedVertexFormat, D3DPOOL_DEFAULT,
                                                &sharedVertexBuffer)))
        return -1;
    if (FAILED(sharedDevice->CreateIndexBuffer(kSharedIndexBufferBytes, D3DUSAGE_DYNAMIC,
                                               D3DFMT_INDEX16, D3DPOOL_DEFAULT,
                                               &sharedIndexBuffer))) {
        ReleaseSharedBuffers();
        return -1;
    }

    // The baseline that every draw routine restores after its draw.
    sharedDevice->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
    sharedDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    sharedDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    sharedDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    sharedDevice->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    sharedDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
    sharedDevice->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    return 0;
}

void ReleaseSharedBuffers() {
    // Cleared as well as released, so that a second call is harmless.
    if (sharedVertexBuffer) sharedVertexBuffer->Release();
    sharedVertexBuffer = nullptr;
    if (sharedIndexBuffer) sharedIndexBuffer->Release();
    sharedIndexBuffer = nullptr;
}
