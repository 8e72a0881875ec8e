#include "fx/draw_geometry.h"
#include "fx/draw_settings.h"
#include "gfx/shared_device.h"

#include <algorithm>

namespace {

// Texture coordinates from the camera-space normal: u = 0.5 n.x + 0.5, v = 0.5 - 0.5 n.y.
const D3DXMATRIX kEnvironmentMapping{0.5f, 0.0f, 0.0f, 0.0f, 0.0f, -0.5f, 0.0f, 0.0f,
                                     0.0f, 0.0f, 1.0f, 0.0f, 0.5f, 0.5f,  0.0f, 1.0f};

} // namespace

void DrawGeometry(const Camera& camera, const Rotation& rotation, const Texture& texture,
                  int16_t vertexCount, int16_t triangleCount) {
    IDirect3DDevice8* device = sharedDevice;
    const DrawSettings& s = drawSettings;
    const int32_t lightCount = std::clamp(s.lightCount, 0, kDrawLights);

    // Turned about x first, then y, then z.
    D3DXMATRIX world, turn;
    D3DXMatrixRotationX(&world, rotation.x);
    D3DXMatrixRotationY(&turn, rotation.y);
    D3DXMatrixMultiply(&world, &world, &turn);
    D3DXMatrixRotationZ(&turn, rotation.z);
    D3DXMatrixMultiply(&world, &world, &turn);
    D3DXMATRIX view, projection;
    const D3DXVECTOR3 up{0.0f, 1.0f, 0.0f};
    D3DXMatrixLookAtLH(&view, &camera.eye, &camera.target, &up);
    D3DXMatrixPerspectiveFovLH(&projection, camera.fieldOfView, 1.0f, 1.0f, 100.0f);
    device->SetTransform(D3DTS_WORLD, &world);
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetTransform(D3DTS_PROJECTION, &projection);

    device->SetTexture(0, texture.Interface());
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    if (s.environmentMap) {
        device->SetTransform(D3DTS_TEXTURE0, &kEnvironmentMapping);
        device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
        device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACENORMAL);
    }
    if (s.blend) {
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        if (s.multiplyBlend) {
            device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_DESTCOLOR);
            device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVDESTCOLOR);
        } else {
            device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
        }
        device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    }
    if (!s.cullBackFaces) device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    if (s.flatShading) device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
    if (s.lighting) {
        device->SetRenderState(D3DRS_LIGHTING, TRUE);
        device->SetRenderState(D3DRS_AMBIENT, s.ambient);
        device->SetMaterial(&s.material);
        for (int32_t i = 0; i < lightCount; ++i) {
            device->SetLight(DWORD(i), &s.lights[i]);
            device->LightEnable(DWORD(i), TRUE);
        }
    }

    device->SetStreamSource(0, sharedVertexBuffer, kSharedVertexStride);
    device->SetVertexShader(kSharedVertexFormat);
    device->SetIndices(sharedIndexBuffer, 0);
    device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, UINT(vertexCount), 0, UINT(triangleCount));

    // Back to the baseline.
    if (s.lighting) {
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        for (int32_t i = 0; i < lightCount; ++i)
            device->LightEnable(DWORD(i), FALSE);
    }
    if (s.flatShading) device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
    if (!s.cullBackFaces) device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    if (s.blend) {
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        if (s.multiplyBlend) device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
        device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    }
    device->SetTexture(0, nullptr);
    if (s.environmentMap) {
        device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
        device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
    }
}
