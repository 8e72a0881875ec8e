#include "platform/d3d8/fixed_function.h"
#include "platform/d3d8/colour.h"
#include "platform/d3d8/fixed_function_shaders.h"

#include "platform/d3d8/gl.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

enum Uniform {
    WorldViewProjection,
    WorldView,
    NormalMatrix,
    TextureMatrix,
    BaseColour,
    AmbientLight,
    MaterialDiffuse,
    MaterialAmbient,
    MaterialEmissive,
    MaterialSpecular,
    MaterialPower,
    LightToward,
    LightDiffuse,
    LightSpecular,
    Image,
    TextureFactor,
    AlphaRef,
    UniformCount
};

const char* const kUniformNames[UniformCount] = {
    "worldViewProjection", "worldView",       "normalMatrix",
    "textureMatrix",       "baseColour",      "ambientLight",
    "materialDiffuse",     "materialAmbient", "materialEmissive",
    "materialSpecular",    "materialPower",   "lightToward",
    "lightDiffuse",        "lightSpecular",   "image",
    "textureFactor",       "alphaRef"};

// Row-vector product a x b of Direct3D's row-major matrices.
D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX out;
    const float* x = &a._11;
    const float* y = &b._11;
    float* o = &out._11;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            o[r * 4 + c] = x[r * 4] * y[c] + x[r * 4 + 1] * y[4 + c] + x[r * 4 + 2] * y[8 + c] +
                           x[r * 4 + 3] * y[12 + c];
    return out;
}

bool IsZero(const D3DCOLORVALUE& c) {
    return c.r == 0.0f && c.g == 0.0f && c.b == 0.0f;
}

} // namespace

namespace {

// Whether `operation` reads an argument that is the stage's texture.
bool ReadsTexture(int operation, int argument1, int argument2) {
    const bool first = (argument1 & 15) == int(D3DTA_TEXTURE);
    const bool second = (argument2 & 15) == int(D3DTA_TEXTURE);
    if (operation == D3DTOP_DISABLE) return false;
    if (operation == D3DTOP_SELECTARG1) return first;
    if (operation == D3DTOP_SELECTARG2) return second;
    return first || second;
}

// The names under which the shaders know the texture-coordinate sources.
const struct {
    const char* name;
    TexCoordSource source;
} kTexCoordNames[] = {
    {"TEXCOORD_VERTEX", TexCoordSource::Vertex},
    {"TEXCOORD_CAMERA_NORMAL", TexCoordSource::CameraSpaceNormal},
    {"TEXCOORD_CAMERA_POSITION", TexCoordSource::CameraSpacePosition},
    {"TEXCOORD_CAMERA_REFLECTION", TexCoordSource::CameraSpaceReflection},
};

} // namespace

uint64_t ShaderVariant::Key() const {
    uint64_t key = 0;
    for (bool flag :
         {lighting, localViewer, normalizeNormals, diffuseFromVertex, ambientFromVertex,
          emissiveFromVertex, textureTransform, flatShading, textured, specular, alphaTest})
        key = key << 1 | (flag ? 1 : 0);
    key = key << 2 | uint64_t(int(texCoordSource) & 3);
    key = key << 4 | uint64_t(lightCount & 15);
    for (int op : {colorOp, alphaOp})
        key = key << 5 | uint64_t(op & 31);
    for (int argument : {colorArg1, colorArg2, alphaArg1, alphaArg2})
        key = key << 6 | uint64_t(argument & 63);
    return key << 4 | uint64_t(alphaFunc & 15);
}

bool ShaderVariant::NeedsNormal() const {
    return lighting || (textured && (texCoordSource == TexCoordSource::CameraSpaceNormal ||
                                     texCoordSource == TexCoordSource::CameraSpaceReflection));
}

bool ShaderVariant::NeedsCameraPosition() const {
    // A distant viewer looks along the camera's axis wherever the vertex is.
    return (HasSpecular() && localViewer) ||
           (textured && (texCoordSource == TexCoordSource::CameraSpacePosition ||
                         (texCoordSource == TexCoordSource::CameraSpaceReflection && localViewer)));
}

bool ShaderVariant::SimpleModulate() const {
    const int current = int(D3DTA_CURRENT), diffuse = int(D3DTA_DIFFUSE);
    return textured && colorOp == D3DTOP_MODULATE && colorArg1 == int(D3DTA_TEXTURE) &&
           (colorArg2 == diffuse || colorArg2 == current) && alphaOp == D3DTOP_SELECTARG1 &&
           alphaArg1 == int(D3DTA_TEXTURE);
}

std::string ShaderVariant::Prelude(bool es) const {
    // ES has no clip control: the vertex shader moves depth from Direct3D's 0..w to -w..w
    // itself; and texels and vertex colours come in as RGBA where they were BGRA.
    std::string text =
        es ? "#version 300 es\nprecision highp float;\nprecision highp int;\n"
             "#define DEPTH_ZERO_TO_W 1\n#define SWAP_RED_BLUE 1\n"
           : "#version 330 core\n#define DEPTH_ZERO_TO_W 0\n#define SWAP_RED_BLUE 0\n";
    const auto define = [&text](const char* name, int value) {
        text += std::string("#define ") + name + " " + std::to_string(value) + "\n";
    };
    const auto flag = [&text](const char* name, bool value) {
        text += std::string("const bool ") + name + (value ? " = true;\n" : " = false;\n");
    };
    const auto number = [&text](const char* name, int value) {
        text += std::string("const int ") + name + " = " + std::to_string(value) + ";\n";
    };
    for (const auto& source : kTexCoordNames)
        define(source.name, int(source.source));
    define("LIGHTING", lighting);
    define("LIGHT_COUNT", lighting ? lightCount : 0);
    define("SPECULAR", HasSpecular());
    define("LOCAL_VIEWER", localViewer);
    define("TEXTURED", textured);
    define("TEXCOORD_SOURCE", int(texCoordSource));
    define("TEXTURE_TRANSFORM", textureTransform);
    define("NORMALIZE_NORMALS", normalizeNormals);
    define("NEEDS_NORMAL", NeedsNormal());
    define("NEEDS_CAMERA_POSITION", NeedsCameraPosition());
    define("SIMPLE_MODULATE", SimpleModulate());
    define("ALPHA_TEST", alphaTest);
    text += flatShading ? "#define SHADING flat\n" : "#define SHADING smooth\n";
    flag("diffuseFromVertex", diffuseFromVertex);
    flag("ambientFromVertex", ambientFromVertex);
    flag("emissiveFromVertex", emissiveFromVertex);
    number("colorOp", colorOp & 31);
    number("colorArg1", colorArg1 & 63);
    number("colorArg2", colorArg2 & 63);
    number("alphaOp", alphaOp & 31);
    number("alphaArg1", alphaArg1 & 63);
    number("alphaArg2", alphaArg2 & 63);
    flag("colorReadsTexture", ReadsTexture(colorOp, colorArg1, colorArg2));
    flag("alphaReadsTexture", ReadsTexture(alphaOp, alphaArg1, alphaArg2));
    number("alphaFunc", alphaFunc & 15);
    return text;
}

ShaderVariant ShaderVariant::Of(const DrawState& s) {
    const DWORD* rs = s.renderStates;
    const DWORD* ts = s.stageStates;
    const bool colourVertex = rs[D3DRS_COLORVERTEX] != FALSE;
    const DWORD generation = ts[D3DTSS_TEXCOORDINDEX] & 0xFFFF0000u;
    ShaderVariant v{};
    v.lighting = rs[D3DRS_LIGHTING] != FALSE;
    v.localViewer = rs[D3DRS_LOCALVIEWER] != FALSE;
    v.normalizeNormals = rs[D3DRS_NORMALIZENORMALS] != FALSE;
    v.diffuseFromVertex = colourVertex && rs[D3DRS_DIFFUSEMATERIALSOURCE] == D3DMCS_COLOR1;
    v.ambientFromVertex = colourVertex && rs[D3DRS_AMBIENTMATERIALSOURCE] == D3DMCS_COLOR1;
    v.emissiveFromVertex = colourVertex && rs[D3DRS_EMISSIVEMATERIALSOURCE] == D3DMCS_COLOR1;
    v.texCoordSource =
        generation == D3DTSS_TCI_CAMERASPACENORMAL     ? TexCoordSource::CameraSpaceNormal
        : generation == D3DTSS_TCI_CAMERASPACEPOSITION ? TexCoordSource::CameraSpacePosition
        : generation == D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR
            ? TexCoordSource::CameraSpaceReflection
            : TexCoordSource::Vertex;
    v.textureTransform = (ts[D3DTSS_TEXTURETRANSFORMFLAGS] & 0xFF) != D3DTTFF_DISABLE;
    v.flatShading = rs[D3DRS_SHADEMODE] == D3DSHADE_FLAT;
    v.textured = s.textured;
    v.colorOp = int(ts[D3DTSS_COLOROP]);
    v.colorArg1 = int(ts[D3DTSS_COLORARG1]);
    v.colorArg2 = int(ts[D3DTSS_COLORARG2]);
    v.alphaOp = int(ts[D3DTSS_ALPHAOP]);
    v.alphaArg1 = int(ts[D3DTSS_ALPHAARG1]);
    v.alphaArg2 = int(ts[D3DTSS_ALPHAARG2]);
    v.alphaTest = rs[D3DRS_ALPHATESTENABLE] != FALSE;
    v.alphaFunc = int(rs[D3DRS_ALPHAFUNC]);
    // Point and spot lights light nothing here; only directional ones count.
    bool lightSpecular = false;
    for (int i = 0; i < kMaxLights; ++i)
        if (s.lightEnabled[i] && s.lights[i].Type == D3DLIGHT_DIRECTIONAL) {
            ++v.lightCount;
            lightSpecular |= !IsZero(s.lights[i].Specular);
        }
    if (!v.lighting) v.lightCount = 0;
    v.specular = v.lighting && rs[D3DRS_SPECULARENABLE] != FALSE && lightSpecular &&
                 !IsZero(s.material->Specular);
    return v;
}

namespace {

GLuint Compile(GLenum kind, const std::string& prelude, const char* body) {
    // The shader files begin with their comments; the prelude gives the version line.
    const GLuint shader = glCreateShader(kind);
    const char* parts[2] = {prelude.c_str(), body};
    glShaderSource(shader, 2, parts, nullptr);
    glCompileShader(shader);
    GLint compiled = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (!compiled) {
        char log[2048];
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        std::fprintf(stderr, "fixed-function shader: %s\n", log);
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

GLenum BlendFactor(DWORD blend) {
    switch (blend) {
    case D3DBLEND_ZERO:
        return GL_ZERO;
    case D3DBLEND_ONE:
        return GL_ONE;
    case D3DBLEND_SRCCOLOR:
        return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR:
        return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA:
        return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA:
        return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA:
        return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA:
        return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR:
        return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR:
        return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT:
        return GL_SRC_ALPHA_SATURATE;
    default:
        return GL_ONE;
    }
}

GLenum BlendEquation(DWORD operation) {
    switch (operation) {
    case D3DBLENDOP_SUBTRACT:
        return GL_FUNC_SUBTRACT;
    case D3DBLENDOP_REVSUBTRACT:
        return GL_FUNC_REVERSE_SUBTRACT;
    case D3DBLENDOP_MIN:
        return GL_MIN;
    case D3DBLENDOP_MAX:
        return GL_MAX;
    default:
        return GL_FUNC_ADD;
    }
}

GLenum CompareFunction(DWORD function) {
    switch (function) {
    case D3DCMP_NEVER:
        return GL_NEVER;
    case D3DCMP_LESS:
        return GL_LESS;
    case D3DCMP_EQUAL:
        return GL_EQUAL;
    case D3DCMP_LESSEQUAL:
        return GL_LEQUAL;
    case D3DCMP_GREATER:
        return GL_GREATER;
    case D3DCMP_NOTEQUAL:
        return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL:
        return GL_GEQUAL;
    default:
        return GL_ALWAYS;
    }
}

GLint AddressMode(DWORD address) {
    switch (address) {
    case D3DTADDRESS_MIRROR:
        return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP:
        return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER:
#if SHOW_GLES
        return GL_CLAMP_TO_EDGE;
#else
        return GL_CLAMP_TO_BORDER;
#endif
    default:
        return GL_REPEAT;
    }
}

GLint Filter(DWORD filter) {
    return filter == D3DTEXF_LINEAR || filter == D3DTEXF_ANISOTROPIC ? GL_LINEAR : GL_NEAREST;
}

// Light i points along Direction; the shader wants the unit vector toward it in camera space.
void TowardLight(const D3DLIGHT8& light, const D3DMATRIX& view, float out[3]) {
    const float x = -light.Direction.x, y = -light.Direction.y, z = -light.Direction.z;
    out[0] = x * view._11 + y * view._21 + z * view._31;
    out[1] = x * view._12 + y * view._22 + z * view._32;
    out[2] = x * view._13 + y * view._23 + z * view._33;
    const float length = std::sqrt(out[0] * out[0] + out[1] * out[1] + out[2] * out[2]);
    if (length > 0.0f)
        for (int i = 0; i < 3; ++i)
            out[i] /= length;
}

} // namespace

unsigned BuildFixedFunctionProgram(const ShaderVariant& variant, bool es) {
    const std::string prelude = variant.Prelude(es);
    const GLuint vertex = Compile(GL_VERTEX_SHADER, prelude, kFixedFunctionVertexShader);
    const GLuint fragment = Compile(GL_FRAGMENT_SHADER, prelude, kFixedFunctionFragmentShader);
    if (!vertex || !fragment) {
        if (vertex) glDeleteShader(vertex);
        if (fragment) glDeleteShader(fragment);
        return 0;
    }
    const GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glLinkProgram(program);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (!linked) {
        char log[2048];
        glGetProgramInfoLog(program, sizeof log, nullptr, log);
        std::fprintf(stderr, "fixed-function program: %s\n", log);
        glDeleteProgram(program);
        return 0;
    }
    return program;
}

static_assert(UniformCount == 17, "FixedFunction::kUniforms counts the uniforms");

FixedFunction::Program* FixedFunction::Build(const ShaderVariant& variant) {
    const GLuint program = BuildFixedFunctionProgram(variant);
    if (!program) return nullptr;
    Program& made = programs[variant.Key()];
    made.name = program;
    for (int i = 0; i < UniformCount; ++i)
        made.locations[i] = glGetUniformLocation(program, kUniformNames[i]);
    // The sampler always reads unit 0.
    glUseProgram(program);
    glUniform1i(made.locations[Image], 0);
    current.program = program;
    return &made;
}

bool FixedFunction::Create() {
    glGenSamplers(1, &sampler);
    glBindSampler(0, sampler);
#if !SHOW_GLES
    // Flat shading takes the first vertex's colour, as Direct3D does.
    glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
#endif
    // Triangles clockwise on screen are the front ones; the target is drawn upside down (see
    // SetTransforms), which turns them the other way.
    glFrontFace(GL_CCW);
    current = GlState{};
    // The toolkit's plain textured draw, which the first frames need, is built now; every other
    // combination when it is first drawn (a few milliseconds, once, or less from the driver's
    // shader cache), so that start-up does not wait for pairs the show needs only later.
    ShaderVariant plain{};
    plain.localViewer = true;
    plain.diffuseFromVertex = true;
    plain.textured = true;
    plain.colorOp = D3DTOP_MODULATE;
    plain.colorArg1 = int(D3DTA_TEXTURE);
    plain.colorArg2 = int(D3DTA_DIFFUSE);
    plain.alphaOp = D3DTOP_SELECTARG1;
    plain.alphaArg1 = int(D3DTA_TEXTURE);
    plain.alphaArg2 = int(D3DTA_CURRENT);
    plain.alphaFunc = D3DCMP_ALWAYS;
    return Build(plain) != nullptr;
}

void FixedFunction::Destroy() {
    if (sampler) glDeleteSamplers(1, &sampler);
    for (auto& entry : programs)
        glDeleteProgram(entry.second.name);
    programs.clear();
    sampler = 0;
    current = GlState{};
}

void FixedFunction::OpenWriteMasks() {
    if (!current.known || current.colourMask != 7)
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE), current.colourMask = 7;
    if (!current.known || !current.depthWrite) glDepthMask(GL_TRUE), current.depthWrite = true;
}

void FixedFunction::ColourMaskOpened() {
    current.colourMask = 7;
}

bool FixedFunction::Differs(Program& program, int which, const float* values, size_t count) {
    std::vector<uint32_t>& held = program.held[which];
    if (held.size() == count && std::memcmp(held.data(), values, count * 4) == 0) return false;
    held.resize(count);
    std::memcpy(held.data(), values, count * 4);
    return true;
}

bool FixedFunction::Use(const DrawState& s) {
    const ShaderVariant variant = ShaderVariant::Of(s);
    auto found = programs.find(variant.Key());
    Program* program = found != programs.end() ? &found->second : Build(variant);
    if (!program) return false;
    if (current.program != program->name) {
        glUseProgram(program->name);
        current.program = program->name;
    }
    SetTransforms(*program, variant, s);
    if (variant.lighting) SetLighting(*program, variant, s);
    if (!variant.SimpleModulate()) SetStageConstants(*program, variant, s);
    SetSampler(s);
    SetRasterState(s);
    return true;
}

void FixedFunction::SetTransforms(Program& program, const ShaderVariant& variant,
                                  const DrawState& s) {
    const GLint* at = program.locations;
    // World x view, and the whole chain to the clip, multiplied here once per draw. The clip
    // is then shifted so that pixel centres sit on integer coordinates, as Direct3D has them,
    // and turned upside down: the target's first row in memory is the picture's top.
    const D3DMATRIX worldView = Multiply(*s.world, *s.view);
    D3DMATRIX toClip = Multiply(worldView, *s.projection);
    const float shiftX = 1.0f / float(s.targetWidth), shiftY = -1.0f / float(s.targetHeight);
    for (float* row = &toClip._11; row < &toClip._11 + 16; row += 4) {
        row[0] += shiftX * row[3];
        row[1] = -(row[1] + shiftY * row[3]);
    }
    if (Differs(program, WorldViewProjection, &toClip._11, 16))
        glUniformMatrix4fv(at[WorldViewProjection], 1, GL_FALSE, &toClip._11);
    if (variant.NeedsCameraPosition() && Differs(program, WorldView, &worldView._11, 16))
        glUniformMatrix4fv(at[WorldView], 1, GL_FALSE, &worldView._11);
    if (variant.NeedsNormal()) {
        const float normal[9] = {worldView._11, worldView._12, worldView._13,
                                 worldView._21, worldView._22, worldView._23,
                                 worldView._31, worldView._32, worldView._33};
        if (Differs(program, NormalMatrix, normal, 9))
            glUniformMatrix3fv(at[NormalMatrix], 1, GL_FALSE, normal);
    }
    if (variant.textured && variant.textureTransform &&
        Differs(program, TextureMatrix, &s.texture0->_11, 16))
        glUniformMatrix4fv(at[TextureMatrix], 1, GL_FALSE, &s.texture0->_11);
}

void FixedFunction::SetLighting(Program& program, const ShaderVariant& variant,
                                const DrawState& s) {
    const GLint* at = program.locations;
    // Ambient light from the state and from every light used; with the material's own ambient
    // and emissive it folds into one colour.
    const ColourChannels global = UnpackColour(D3DCOLOR(s.renderStates[D3DRS_AMBIENT]));
    float ambient[3] = {global.r, global.g, global.b};
    float toward[kMaxLights][3], diffuse[kMaxLights][3], specular[kMaxLights][3];
    int count = 0;
    for (int i = 0; i < kMaxLights; ++i) {
        const D3DLIGHT8& light = s.lights[i];
        if (!s.lightEnabled[i] || light.Type != D3DLIGHT_DIRECTIONAL) continue;
        ambient[0] += light.Ambient.r;
        ambient[1] += light.Ambient.g;
        ambient[2] += light.Ambient.b;
        TowardLight(light, *s.view, toward[count]);
        diffuse[count][0] = light.Diffuse.r;
        diffuse[count][1] = light.Diffuse.g;
        diffuse[count][2] = light.Diffuse.b;
        specular[count][0] = light.Specular.r;
        specular[count][1] = light.Specular.g;
        specular[count][2] = light.Specular.b;
        ++count;
    }
    const D3DMATERIAL8& m = *s.material;
    float base[3] = {0.0f, 0.0f, 0.0f};
    const float* ma = &m.Ambient.r;
    const float* me = &m.Emissive.r;
    for (int c = 0; c < 3; ++c) {
        if (!variant.emissiveFromVertex) base[c] += me[c];
        if (!variant.ambientFromVertex) base[c] += ma[c] * ambient[c];
    }
    // Each only as far as it differs from what the program holds.
    const auto vector3 = [&](int which, const float* values, int n) {
        if (n > 0 && Differs(program, which, values, size_t(n) * 3))
            glUniform3fv(at[which], n, values);
    };
    const auto colour = [&](int which, const D3DCOLORVALUE& c) {
        const float values[4] = {c.r, c.g, c.b, c.a};
        if (Differs(program, which, values, 4)) glUniform4fv(at[which], 1, values);
    };
    vector3(BaseColour, base, 1);
    vector3(AmbientLight, ambient, 1);
    colour(MaterialDiffuse, m.Diffuse);
    colour(MaterialAmbient, m.Ambient);
    colour(MaterialEmissive, m.Emissive);
    vector3(LightToward, &toward[0][0], count);
    vector3(LightDiffuse, &diffuse[0][0], count);
    if (variant.HasSpecular()) {
        const float highlight[3] = {m.Specular.r, m.Specular.g, m.Specular.b};
        vector3(MaterialSpecular, highlight, 1);
        if (Differs(program, MaterialPower, &m.Power, 1)) glUniform1f(at[MaterialPower], m.Power);
        vector3(LightSpecular, &specular[0][0], count);
    }
}

void FixedFunction::SetStageConstants(Program& program, const ShaderVariant&, const DrawState& s) {
    const ColourChannels factor = UnpackColour(D3DCOLOR(s.renderStates[D3DRS_TEXTUREFACTOR]));
    const float colour[4] = {factor.r, factor.g, factor.b, factor.a};
    if (Differs(program, TextureFactor, colour, 4))
        glUniform4fv(program.locations[TextureFactor], 1, colour);
    const float reference = float(s.renderStates[D3DRS_ALPHAREF] & 0xFF);
    if (Differs(program, AlphaRef, &reference, 1))
        glUniform1f(program.locations[AlphaRef], reference);
}

void FixedFunction::SetSampler(const DrawState& s) {
    const DWORD* ts = s.stageStates;
    // Only as far as it changed.
    const GLint magnify = Filter(ts[D3DTSS_MAGFILTER]), minify = Filter(ts[D3DTSS_MINFILTER]);
    const GLint wrapS = AddressMode(ts[D3DTSS_ADDRESSU]), wrapT = AddressMode(ts[D3DTSS_ADDRESSV]);
    const DWORD border = ts[D3DTSS_BORDERCOLOR];
    if (magnify != current.magnify) glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, magnify);
    if (minify != current.minify) glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, minify);
    if (wrapS != current.wrapS) glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, wrapS);
    if (wrapT != current.wrapT) glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, wrapT);
#if !SHOW_GLES
    if (border != current.border || !current.known) {
        const ColourChannels b = UnpackColour(D3DCOLOR(border));
        const float colour[4] = {b.r, b.g, b.b, b.a};
        glSamplerParameterfv(sampler, GL_TEXTURE_BORDER_COLOR, colour);
    }
#endif
    current.magnify = magnify;
    current.minify = minify;
    current.wrapS = wrapS;
    current.wrapT = wrapT;
    current.border = border;
}

void FixedFunction::SetRasterState(const DrawState& s) {
    const DWORD* rs = s.renderStates;
    // Only as far as it changed.
    GlState next = current;
    next.depthFunction = CompareFunction(rs[D3DRS_ZFUNC]);
    next.depthWrite = rs[D3DRS_ZWRITEENABLE] != FALSE;
    // A test that cannot fail is left out: while every depth value is the far plane, each
    // fragment (clipped to 0..1) passes less-or-equal, so a draw that writes no depth needs none.
    const bool cannotFail =
        s.depthAllFar && !next.depthWrite &&
        (rs[D3DRS_ZFUNC] == D3DCMP_LESSEQUAL || rs[D3DRS_ZFUNC] == D3DCMP_ALWAYS);
    next.depthTest = rs[D3DRS_ZENABLE] != D3DZB_FALSE && !cannotFail;
    next.blend = rs[D3DRS_ALPHABLENDENABLE] != FALSE;
    unsigned source = BlendFactor(rs[D3DRS_SRCBLEND]);
    unsigned destination = BlendFactor(rs[D3DRS_DESTBLEND]);
    if (rs[D3DRS_SRCBLEND] == D3DBLEND_BOTHSRCALPHA)
        source = GL_SRC_ALPHA, destination = GL_ONE_MINUS_SRC_ALPHA;
    if (rs[D3DRS_SRCBLEND] == D3DBLEND_BOTHINVSRCALPHA)
        source = GL_ONE_MINUS_SRC_ALPHA, destination = GL_SRC_ALPHA;
    const unsigned equation = BlendEquation(rs[D3DRS_BLENDOP]);
    next.cull = rs[D3DRS_CULLMODE] == D3DCULL_NONE ? 0
                : rs[D3DRS_CULLMODE] == D3DCULL_CW ? GL_FRONT
                                                   : GL_BACK;
    next.fill = rs[D3DRS_FILLMODE];
    next.colourMask = rs[D3DRS_COLORWRITEENABLE] & 7;
    next.known = true;
    const bool fresh = !current.known;
    if (fresh) {
        glBindSampler(0, sampler);
        glFrontFace(GL_CCW);
#if !SHOW_GLES
        glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
#endif
    }
    if (fresh || next.depthTest != current.depthTest)
        next.depthTest ? glEnable(GL_DEPTH_TEST) : glDisable(GL_DEPTH_TEST);
    if (fresh || next.depthFunction != current.depthFunction) glDepthFunc(next.depthFunction);
    if (fresh || next.depthWrite != current.depthWrite)
        glDepthMask(next.depthWrite ? GL_TRUE : GL_FALSE);
    if (fresh || next.blend != current.blend) next.blend ? glEnable(GL_BLEND) : glDisable(GL_BLEND);
    // The factors and the operation count only while blending is on: sent only then, as they
    // change, and kept by OpenGL while it is off.
    if (next.blend && (source != current.source || destination != current.destination)) {
        glBlendFunc(source, destination);
        next.source = source, next.destination = destination;
    }
    if (next.blend && equation != current.equation) {
        glBlendEquation(equation);
        next.equation = equation;
    }
    // Culling on or off, and the face culled, each sent only as it changes.
    const bool culling = next.cull != 0;
    if (fresh || culling != (current.cull != 0))
        culling ? glEnable(GL_CULL_FACE) : glDisable(GL_CULL_FACE);
    if (culling && (fresh || next.cull != current.cullFace)) {
        glCullFace(GLenum(next.cull));
        next.cullFace = next.cull;
    }
#if !SHOW_GLES
    if (fresh || next.fill != current.fill)
        glPolygonMode(GL_FRONT_AND_BACK, next.fill == D3DFILL_WIREFRAME ? GL_LINE
                                         : next.fill == D3DFILL_POINT   ? GL_POINT
                                                                        : GL_FILL);
#endif
    // The target has no alpha to keep: where every colour channel is written, all four are.
    if (fresh || next.colourMask != current.colourMask)
        glColorMask((next.colourMask & 1) != 0, (next.colourMask & 2) != 0,
                    (next.colourMask & 4) != 0, next.colourMask == 7);
    current = next;
}
