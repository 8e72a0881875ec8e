#include "platform/d3d8/device_queries.h"

#include "platform/d3d8/gl.h"

#if !SHOW_TEST_CONTROLS
#error "device queries belong to the tests' build of the platform only"
#endif

HRESULT DeviceQueries::GetRenderState(IDirect3DDevice8* device, D3DRENDERSTATETYPE state,
                                      DWORD* value) {
    if (state < 0 || state >= D3DRS_TABLE_SIZE || !value) return D3DERR_INVALIDCALL;
    *value = device->renderStates[state];
    return D3D_OK;
}

HRESULT DeviceQueries::GetTransform(IDirect3DDevice8* device, D3DTRANSFORMSTATETYPE state,
                                    D3DMATRIX* matrix) {
    const D3DMATRIX* slot = device->TransformSlot(state);
    if (!slot || !matrix) return D3DERR_INVALIDCALL;
    *matrix = *slot;
    return D3D_OK;
}

HRESULT DeviceQueries::GetTextureStageState(IDirect3DDevice8* device, DWORD stage,
                                            D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
    if (stage != 0 || type <= 0 || type >= D3DTSS_TABLE_SIZE || !value) return D3DERR_INVALIDCALL;
    *value = device->stageStates[type];
    return D3D_OK;
}

HRESULT DeviceQueries::GetTexture(IDirect3DDevice8* device, DWORD stage,
                                  IDirect3DTexture8** bound) {
    if (stage != 0 || !bound) return D3DERR_INVALIDCALL;
    if (device->texture) device->texture->AddRef();
    *bound = device->texture;
    return D3D_OK;
}

HRESULT DeviceQueries::GetMaterial(IDirect3DDevice8* device, D3DMATERIAL8* value) {
    if (!value) return D3DERR_INVALIDCALL;
    *value = device->material;
    return D3D_OK;
}

HRESULT DeviceQueries::GetLight(IDirect3DDevice8* device, DWORD index, D3DLIGHT8* light) {
    if (index >= DWORD(kMaxLights) || !light) return D3DERR_INVALIDCALL;
    *light = device->lights[index];
    return D3D_OK;
}

HRESULT DeviceQueries::GetLightEnable(IDirect3DDevice8* device, DWORD index, BOOL* enable) {
    if (index >= DWORD(kMaxLights) || !enable) return D3DERR_INVALIDCALL;
    *enable = device->lightEnabled[index] ? TRUE : FALSE;
    return D3D_OK;
}

HRESULT DeviceQueries::GetCreationParameters(IDirect3DDevice8* device,
                                             D3DDEVICE_CREATION_PARAMETERS* parameters) {
    if (!parameters) return D3DERR_INVALIDCALL;
    *parameters = device->creationParameters;
    return D3D_OK;
}

const D3DPRESENT_PARAMETERS& DeviceQueries::PresentParameters(const IDirect3DDevice8* device) {
    return device->presentParameters;
}

std::vector<uint32_t> DeviceQueries::ReadBackLevel0(IDirect3DTexture8* texture) {
    std::vector<uint32_t> texels;
    const unsigned name = texture->GlTexture();
    if (!name) return texels;
    texture->device->BindTexture(name);
    const auto& level = texture->levels[0];
    texels.resize(size_t(level.width) * level.height);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
#if SHOW_GLES
    // ES reads textures only through a framebuffer, as R, G, B, A bytes.
    GLuint reader = 0;
    glGenFramebuffers(1, &reader);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, reader);
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, name, 0);
    glReadPixels(0, 0, GLsizei(level.width), GLsizei(level.height), GL_RGBA, GL_UNSIGNED_BYTE,
                 texels.data());
    glDeleteFramebuffers(1, &reader);
    glBindFramebuffer(GL_FRAMEBUFFER, texture->device->framebuffer);
    // The texture holds the words' bytes as they were sent, which ES took as R, G, B, A: read
    // back the same way, they are the words again.
#else
    glGetTexImage(GL_TEXTURE_2D, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, texels.data());
#endif
    return texels;
}
