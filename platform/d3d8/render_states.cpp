#include "platform/d3d8/render_states.h"

#include <cstring>

namespace {

DWORD FloatBits(float value) {
    DWORD bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

} // namespace

void FillDefaultRenderStates(DWORD (&states)[D3DRS_TABLE_SIZE], bool autoDepthBuffer,
                             bool softwareVertexProcessing) {
    for (DWORD& state : states)
        state = 0;

    states[D3DRS_ZENABLE] = autoDepthBuffer ? D3DZB_TRUE : D3DZB_FALSE;
    states[D3DRS_FILLMODE] = D3DFILL_SOLID;
    states[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
    states[D3DRS_ZWRITEENABLE] = TRUE;
    states[D3DRS_ALPHATESTENABLE] = FALSE;
    states[D3DRS_LASTPIXEL] = TRUE;
    states[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    states[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    states[D3DRS_CULLMODE] = D3DCULL_CCW;
    states[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    states[D3DRS_ALPHAREF] = 0;
    states[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    states[D3DRS_DITHERENABLE] = FALSE;
    states[D3DRS_ALPHABLENDENABLE] = FALSE;
    states[D3DRS_FOGENABLE] = FALSE;
    states[D3DRS_SPECULARENABLE] = FALSE;
    states[D3DRS_FOGCOLOR] = 0;
    states[D3DRS_FOGTABLEMODE] = D3DFOG_NONE;
    states[D3DRS_FOGSTART] = FloatBits(0.0f);
    states[D3DRS_FOGEND] = FloatBits(1.0f);
    states[D3DRS_FOGDENSITY] = FloatBits(1.0f);
    states[D3DRS_STENCILFAIL] = D3DSTENCILOP_KEEP;
    states[D3DRS_STENCILZFAIL] = D3DSTENCILOP_KEEP;
    states[D3DRS_STENCILPASS] = D3DSTENCILOP_KEEP;
    states[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
    states[D3DRS_STENCILMASK] = 0xFFFFFFFF;
    states[D3DRS_STENCILWRITEMASK] = 0xFFFFFFFF;
    states[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFF;
    states[D3DRS_CLIPPING] = TRUE;
    states[D3DRS_LIGHTING] = TRUE;
    states[D3DRS_AMBIENT] = 0;
    states[D3DRS_FOGVERTEXMODE] = D3DFOG_NONE;
    states[D3DRS_COLORVERTEX] = TRUE;
    states[D3DRS_LOCALVIEWER] = TRUE;
    states[D3DRS_NORMALIZENORMALS] = FALSE;
    states[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
    states[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
    states[D3DRS_AMBIENTMATERIALSOURCE] = D3DMCS_MATERIAL;
    states[D3DRS_EMISSIVEMATERIALSOURCE] = D3DMCS_MATERIAL;
    states[D3DRS_VERTEXBLEND] = D3DVBF_DISABLE;
    states[D3DRS_SOFTWAREVERTEXPROCESSING] = softwareVertexProcessing ? TRUE : FALSE;
    states[D3DRS_POINTSIZE] = FloatBits(1.0f);
    states[D3DRS_MULTISAMPLEANTIALIAS] = TRUE;
    states[D3DRS_MULTISAMPLEMASK] = 0xFFFFFFFF;
    states[D3DRS_COLORWRITEENABLE] = 0x0000000F;
    states[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
}

void FillDefaultStageStates(DWORD (&states)[D3DTSS_TABLE_SIZE]) {
    for (DWORD& state : states)
        state = 0;
    states[D3DTSS_COLOROP] = D3DTOP_MODULATE;
    states[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    states[D3DTSS_COLORARG2] = D3DTA_CURRENT;
    states[D3DTSS_ALPHAOP] = D3DTOP_SELECTARG1;
    states[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    states[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
    states[D3DTSS_TEXCOORDINDEX] = 0;
    states[D3DTSS_ADDRESSU] = D3DTADDRESS_WRAP;
    states[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
    states[D3DTSS_ADDRESSW] = D3DTADDRESS_WRAP;
    states[D3DTSS_BORDERCOLOR] = 0;
    states[D3DTSS_MAGFILTER] = D3DTEXF_POINT;
    states[D3DTSS_MINFILTER] = D3DTEXF_POINT;
    states[D3DTSS_MIPFILTER] = D3DTEXF_NONE;
    states[D3DTSS_MAXANISOTROPY] = 1;
    states[D3DTSS_TEXTURETRANSFORMFLAGS] = D3DTTFF_DISABLE;
    states[D3DTSS_COLORARG0] = D3DTA_CURRENT;
    states[D3DTSS_ALPHAARG0] = D3DTA_CURRENT;
    states[D3DTSS_RESULTARG] = D3DTA_CURRENT;
}

D3DMATRIX IdentityMatrix() {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

D3DLIGHT8 DefaultLight() {
    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = D3DCOLORVALUE{1.0f, 1.0f, 1.0f, 0.0f};
    light.Direction = D3DVECTOR{0.0f, 0.0f, 1.0f};
    return light;
}
