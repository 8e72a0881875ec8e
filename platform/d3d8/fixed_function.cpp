#include "platform/d3d8/fixed_function.h"

#include <epoxy/gl.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Matrices go up as Direct3D stores them, row by row. OpenGL reads that as the transpose, so
// "M * v" in the shaders is Direct3D's row-vector product v x M.
const char* const kVertexShader = R"(
layout(location = 0) in vec3 inPosition;
layout(location = 1) in vec3 inNormal;
layout(location = 2) in vec4 inDiffuse;
layout(location = 3) in vec2 inTexCoord;

uniform mat4 world;
uniform mat4 view;
uniform mat4 projection;
uniform mat4 textureMatrix;
uniform vec2 pixelOffset;

uniform vec4 materialDiffuse;
uniform vec4 materialAmbient;
uniform vec4 materialSpecular;
uniform vec4 materialEmissive;
uniform float materialPower;
uniform vec4 globalAmbient;
uniform int lightCount;
uniform vec3 lightToward[8];
uniform vec4 lightDiffuse[8];
uniform vec4 lightSpecular[8];
uniform vec4 lightAmbient[8];


out vec4 diffuseSmooth;
flat out vec4 diffuseFlat;
out vec4 specularSmooth;
flat out vec4 specularFlat;
out vec2 texCoord;

void main() {
    vec4 cameraPosition = view * (world * vec4(inPosition, 1.0));
    vec3 normal = mat3(view) * (mat3(world) * inNormal);
    if (normalizeNormals && dot(normal, normal) > 0.0) normal = normalize(normal);

    vec4 diffuse = inDiffuse;
    vec4 specular = vec4(0.0);
    vec3 toEye = localViewer ? normalize(-cameraPosition.xyz) : vec3(0.0, 0.0, -1.0);
    if (lighting) {
        vec4 md = diffuseFromVertex ? inDiffuse : materialDiffuse;
        vec4 ma = ambientFromVertex ? inDiffuse : materialAmbient;
        vec4 me = emissiveFromVertex ? inDiffuse : materialEmissive;
        vec3 ambientSum = globalAmbient.rgb;
        vec3 diffuseSum = vec3(0.0);
        vec3 specularSum = vec3(0.0);
        for (int i = 0; i < lightCount; ++i) {
            ambientSum += lightAmbient[i].rgb;
            float nl = dot(normal, lightToward[i]);
            // A light adds nothing, not even specular, to a vertex it does not face.
            if (nl <= 0.0) continue;
            diffuseSum += lightDiffuse[i].rgb * nl;
            float nh = max(dot(normal, normalize(lightToward[i] + toEye)), 0.0);
            float highlight = materialPower > 0.0 ? (nh > 0.0 ? pow(nh, materialPower) : 0.0)
                                                  : 1.0;
            specularSum += lightSpecular[i].rgb * highlight;
        }
        diffuse = clamp(vec4(me.rgb + ma.rgb * ambientSum + md.rgb * diffuseSum, md.a), 0.0, 1.0);
        specular = vec4(clamp(materialSpecular.rgb * specularSum, 0.0, 1.0), 0.0);
    }
    diffuseSmooth = diffuse;
    diffuseFlat = diffuse;
    specularSmooth = specular;
    specularFlat = specular;

    vec4 source = vec4(inTexCoord, 1.0, 0.0);
    if (texCoordMode == 1) source = vec4(normal, 1.0);
    else if (texCoordMode == 2) source = vec4(cameraPosition.xyz, 1.0);
    else if (texCoordMode == 3) source = vec4(reflect(-toEye, normal), 1.0);
    texCoord = textureTransform ? (textureMatrix * source).xy : source.xy;

    vec4 clip = projection * cameraPosition;
    // Direct3D puts pixel centres on integer coordinates; depth is 0..w as the clip control has
    // it. Turned upside down, its top row lands in the target's first row in memory.
    clip.xy += pixelOffset * clip.w;
    clip.y = -clip.y;
    gl_Position = clip;
}
)";

const char* const kFragmentShader = R"(
in vec4 diffuseSmooth;
flat in vec4 diffuseFlat;
in vec4 specularSmooth;
flat in vec4 specularFlat;
in vec2 texCoord;

uniform sampler2D image;
uniform vec4 textureFactor;
uniform float alphaRef;

out vec4 fragColor;

vec4 Argument(int argument, vec4 diffuse, vec4 texel, vec4 specular) {
    int select = argument & 15;
    vec4 value = diffuse;               // D3DTA_DIFFUSE, and D3DTA_CURRENT on stage 0
    if (select == 2) value = texel;     // D3DTA_TEXTURE
    if (select == 3) value = textureFactor;
    if (select == 4) value = specular;
    if ((argument & 16) != 0) value = vec4(1.0) - value;
    if ((argument & 32) != 0) value = vec4(value.a);
    return value;
}

vec4 Operate(int operation, vec4 a, vec4 b, vec4 current) {
    if (operation == 2) return a;
    if (operation == 3) return b;
    if (operation == 4) return a * b;
    if (operation == 5) return 2.0 * a * b;
    if (operation == 6) return 4.0 * a * b;
    if (operation == 7) return a + b;
    if (operation == 8) return a + b - 0.5;
    if (operation == 9) return 2.0 * (a + b - 0.5);
    if (operation == 10) return a - b;
    if (operation == 11) return a + b - a * b;
    return current;                     // D3DTOP_DISABLE passes the colour on
}

bool Passes(int function, float value, float reference) {
    if (function == 1) return false;
    if (function == 2) return value < reference;
    if (function == 3) return value == reference;
    if (function == 4) return value <= reference;
    if (function == 5) return value > reference;
    if (function == 6) return value != reference;
    if (function == 7) return value >= reference;
    return true;
}

void main() {
    vec4 diffuse = flatShading ? diffuseFlat : diffuseSmooth;
    vec4 specular = flatShading ? specularFlat : specularSmooth;
    vec4 texel = textured ? texture(image, texCoord) : vec4(1.0);
    vec4 colour = vec4(
        Operate(colorOp, Argument(colorArg1, diffuse, texel, specular),
                Argument(colorArg2, diffuse, texel, specular), diffuse).rgb,
        Operate(alphaOp, Argument(alphaArg1, diffuse, texel, specular),
                Argument(alphaArg2, diffuse, texel, specular), diffuse).a);
    // An operation that reads a texture the stage does not have passes the colour it was
    // given on, as Windows drivers do.
    if (!textured && colorReadsTexture) colour.rgb = diffuse.rgb;
    if (!textured && alphaReadsTexture) colour.a = diffuse.a;
    if (specularEnable) colour.rgb += specular.rgb;
    colour = clamp(colour, 0.0, 1.0);
    // The alpha test compares 8-bit values, as the reference is given.
    if (alphaTest && !Passes(alphaFunc, floor(colour.a * 255.0 + 0.5), alphaRef)) discard;
    fragColor = colour;
}
)";

enum Uniform {
    World,
    View,
    Projection,
    TextureMatrix,
    PixelOffset,
    MaterialDiffuse,
    MaterialAmbient,
    MaterialSpecular,
    MaterialEmissive,
    MaterialPower,
    GlobalAmbient,
    LightCount,
    LightToward,
    LightDiffuse,
    LightSpecular,
    LightAmbient,
    Image,
    TextureFactor,
    AlphaRef,
    UniformCount
};

const char* const kUniformNames[UniformCount] = {"world",
                                                 "view",
                                                 "projection",
                                                 "textureMatrix",
                                                 "pixelOffset",
                                                 "materialDiffuse",
                                                 "materialAmbient",
                                                 "materialSpecular",
                                                 "materialEmissive",
                                                 "materialPower",
                                                 "globalAmbient",
                                                 "lightCount",
                                                 "lightToward",
                                                 "lightDiffuse",
                                                 "lightSpecular",
                                                 "lightAmbient",
                                                 "image",
                                                 "textureFactor",
                                                 "alphaRef"};

} // namespace

// The state choices that shape the shaders' code. They go in as constants, so each combination
// gets a pair compiled without the branches it does not take; llvmpipe runs a branching pair
// about three times slower per pixel.
struct Variant {
    bool lighting, localViewer, normalizeNormals;
    bool diffuseFromVertex, ambientFromVertex, emissiveFromVertex;
    int texCoordMode;
    bool textureTransform;
    bool flatShading, textured;
    int colorOp, colorArg1, colorArg2, alphaOp, alphaArg1, alphaArg2;
    bool specularEnable, alphaTest;
    int alphaFunc;

    uint64_t Key() const {
        uint64_t key = 0;
        for (bool flag : {lighting, localViewer, normalizeNormals, diffuseFromVertex,
                          ambientFromVertex, emissiveFromVertex, textureTransform, flatShading,
                          textured, specularEnable, alphaTest})
            key = key << 1 | (flag ? 1 : 0);
        key = key << 2 | uint64_t(texCoordMode & 3);
        for (int op : {colorOp, alphaOp})
            key = key << 5 | uint64_t(op & 31);
        for (int argument : {colorArg1, colorArg2, alphaArg1, alphaArg2})
            key = key << 6 | uint64_t(argument & 63);
        return key << 4 | uint64_t(alphaFunc & 15);
    }

    // Whether `operation` reads an argument that is the stage's texture.
    static bool ReadsTexture(int operation, int argument1, int argument2) {
        const bool first = (argument1 & 15) == int(D3DTA_TEXTURE);
        const bool second = (argument2 & 15) == int(D3DTA_TEXTURE);
        if (operation == D3DTOP_DISABLE) return false;
        if (operation == D3DTOP_SELECTARG1) return first;
        if (operation == D3DTOP_SELECTARG2) return second;
        return first || second;
    }

    std::string Prelude() const {
        std::string text = "#version 330 core\n";
        const auto flag = [&text](const char* name, bool value) {
            text += std::string("const bool ") + name + (value ? " = true;\n" : " = false;\n");
        };
        const auto number = [&text](const char* name, int value) {
            text += std::string("const int ") + name + " = " + std::to_string(value) + ";\n";
        };
        flag("lighting", lighting);
        flag("localViewer", localViewer);
        flag("normalizeNormals", normalizeNormals);
        flag("diffuseFromVertex", diffuseFromVertex);
        flag("ambientFromVertex", ambientFromVertex);
        flag("emissiveFromVertex", emissiveFromVertex);
        number("texCoordMode", texCoordMode & 3);
        flag("textureTransform", textureTransform);
        flag("flatShading", flatShading);
        flag("textured", textured);
        number("colorOp", colorOp & 31);
        number("colorArg1", colorArg1 & 63);
        number("colorArg2", colorArg2 & 63);
        number("alphaOp", alphaOp & 31);
        number("alphaArg1", alphaArg1 & 63);
        number("alphaArg2", alphaArg2 & 63);
        flag("colorReadsTexture", ReadsTexture(colorOp, colorArg1, colorArg2));
        flag("alphaReadsTexture", ReadsTexture(alphaOp, alphaArg1, alphaArg2));
        flag("specularEnable", specularEnable);
        flag("alphaTest", alphaTest);
        number("alphaFunc", alphaFunc & 15);
        return text;
    }
};

namespace {

Variant VariantOf(const DrawState& s) {
    const DWORD* rs = s.renderStates;
    const DWORD* ts = s.stageStates;
    const bool colourVertex = rs[D3DRS_COLORVERTEX] != FALSE;
    const DWORD generation = ts[D3DTSS_TEXCOORDINDEX] & 0xFFFF0000u;
    Variant v{};
    v.lighting = rs[D3DRS_LIGHTING] != FALSE;
    v.localViewer = rs[D3DRS_LOCALVIEWER] != FALSE;
    v.normalizeNormals = rs[D3DRS_NORMALIZENORMALS] != FALSE;
    v.diffuseFromVertex = colourVertex && rs[D3DRS_DIFFUSEMATERIALSOURCE] == D3DMCS_COLOR1;
    v.ambientFromVertex = colourVertex && rs[D3DRS_AMBIENTMATERIALSOURCE] == D3DMCS_COLOR1;
    v.emissiveFromVertex = colourVertex && rs[D3DRS_EMISSIVEMATERIALSOURCE] == D3DMCS_COLOR1;
    v.texCoordMode = generation == D3DTSS_TCI_CAMERASPACENORMAL             ? 1
                     : generation == D3DTSS_TCI_CAMERASPACEPOSITION         ? 2
                     : generation == D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR ? 3
                                                                            : 0;
    v.textureTransform = (ts[D3DTSS_TEXTURETRANSFORMFLAGS] & 0xFF) != D3DTTFF_DISABLE;
    v.flatShading = rs[D3DRS_SHADEMODE] == D3DSHADE_FLAT;
    v.textured = s.textured;
    v.colorOp = int(ts[D3DTSS_COLOROP]);
    v.colorArg1 = int(ts[D3DTSS_COLORARG1]);
    v.colorArg2 = int(ts[D3DTSS_COLORARG2]);
    v.alphaOp = int(ts[D3DTSS_ALPHAOP]);
    v.alphaArg1 = int(ts[D3DTSS_ALPHAARG1]);
    v.alphaArg2 = int(ts[D3DTSS_ALPHAARG2]);
    v.specularEnable = rs[D3DRS_SPECULARENABLE] != FALSE;
    v.alphaTest = rs[D3DRS_ALPHATESTENABLE] != FALSE;
    v.alphaFunc = int(rs[D3DRS_ALPHAFUNC]);
    return v;
}

GLuint Compile(GLenum kind, const std::string& prelude, const char* body) {
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

void Colour(GLint location, const D3DCOLORVALUE& c) {
    glUniform4f(location, c.r, c.g, c.b, c.a);
}

void Colour(GLint location, D3DCOLOR c) {
    glUniform4f(location, float(c >> 16 & 0xFF) / 255.0f, float(c >> 8 & 0xFF) / 255.0f,
                float(c & 0xFF) / 255.0f, float(c >> 24) / 255.0f);
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
        return GL_CLAMP_TO_BORDER;
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

FixedFunction::Program* FixedFunction::Build(const Variant& variant) {
    const std::string prelude = variant.Prelude();
    const GLuint vertex = Compile(GL_VERTEX_SHADER, prelude, kVertexShader);
    const GLuint fragment = Compile(GL_FRAGMENT_SHADER, prelude, kFragmentShader);
    if (!vertex || !fragment) {
        if (vertex) glDeleteShader(vertex);
        if (fragment) glDeleteShader(fragment);
        return nullptr;
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
        return nullptr;
    }
    Program& made = programs[variant.Key()];
    made.name = program;
    for (int i = 0; i < UniformCount; ++i)
        made.locations[i] = glGetUniformLocation(program, kUniformNames[i]);
    return &made;
}

bool FixedFunction::Create() {
    glGenSamplers(1, &sampler);
    // Flat shading takes the first vertex's colour, as Direct3D does.
    glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
    // The combinations the drawing toolkit uses, built now rather than in the first frames
    // that need them: lit or not, environment-mapped or not, flat or smooth.
    Variant common{};
    common.localViewer = true;
    common.diffuseFromVertex = true;
    common.textured = true;
    common.colorOp = D3DTOP_MODULATE;
    common.colorArg1 = int(D3DTA_TEXTURE);
    common.colorArg2 = int(D3DTA_DIFFUSE);
    common.alphaOp = D3DTOP_SELECTARG1;
    common.alphaArg1 = int(D3DTA_TEXTURE);
    common.alphaArg2 = int(D3DTA_CURRENT);
    common.specularEnable = true;
    common.alphaFunc = D3DCMP_ALWAYS;
    for (bool lighting : {false, true})
        for (bool environment : {false, true})
            for (bool flat : {false, true}) {
                Variant v = common;
                v.lighting = lighting;
                v.texCoordMode = environment ? 1 : 0;
                v.textureTransform = environment;
                v.flatShading = flat;
                if (!Build(v)) return false;
            }
    return true;
}

void FixedFunction::Destroy() {
    if (sampler) glDeleteSamplers(1, &sampler);
    for (auto& entry : programs)
        glDeleteProgram(entry.second.name);
    programs.clear();
    sampler = 0;
}

bool FixedFunction::Use(const DrawState& s) {
    const DWORD* rs = s.renderStates;
    const DWORD* ts = s.stageStates;
    const Variant variant = VariantOf(s);
    auto found = programs.find(variant.Key());
    Program* program = found != programs.end() ? &found->second : Build(variant);
    if (!program) return false;
    const GLint* at = program->locations;
    glUseProgram(program->name);

    glUniformMatrix4fv(at[World], 1, GL_FALSE, &s.world->_11);
    glUniformMatrix4fv(at[View], 1, GL_FALSE, &s.view->_11);
    glUniformMatrix4fv(at[Projection], 1, GL_FALSE, &s.projection->_11);
    glUniformMatrix4fv(at[TextureMatrix], 1, GL_FALSE, &s.texture0->_11);
    glUniform2f(at[PixelOffset], 1.0f / float(s.targetWidth), -1.0f / float(s.targetHeight));

    // Lighting; which colours come from the vertex is part of the variant.
    Colour(at[MaterialDiffuse], s.material->Diffuse);
    Colour(at[MaterialAmbient], s.material->Ambient);
    Colour(at[MaterialSpecular], s.material->Specular);
    Colour(at[MaterialEmissive], s.material->Emissive);
    glUniform1f(at[MaterialPower], s.material->Power);
    Colour(at[GlobalAmbient], D3DCOLOR(rs[D3DRS_AMBIENT]));
    float toward[kMaxLights][3];
    float diffuse[kMaxLights][4], specular[kMaxLights][4], ambient[kMaxLights][4];
    int count = 0;
    for (int i = 0; i < kMaxLights; ++i) {
        const D3DLIGHT8& light = s.lights[i];
        if (!s.lightEnabled[i] || light.Type != D3DLIGHT_DIRECTIONAL) continue;
        TowardLight(light, *s.view, toward[count]);
        std::memcpy(diffuse[count], &light.Diffuse, sizeof diffuse[count]);
        std::memcpy(specular[count], &light.Specular, sizeof specular[count]);
        std::memcpy(ambient[count], &light.Ambient, sizeof ambient[count]);
        ++count;
    }
    glUniform1i(at[LightCount], count);
    if (count) {
        glUniform3fv(at[LightToward], count, &toward[0][0]);
        glUniform4fv(at[LightDiffuse], count, &diffuse[0][0]);
        glUniform4fv(at[LightSpecular], count, &specular[0][0]);
        glUniform4fv(at[LightAmbient], count, &ambient[0][0]);
    }

    // Stage 0.
    glUniform1i(at[Image], 0);
    Colour(at[TextureFactor], D3DCOLOR(rs[D3DRS_TEXTUREFACTOR]));
    glUniform1f(at[AlphaRef], float(rs[D3DRS_ALPHAREF] & 0xFF));

    glBindSampler(0, sampler);
    glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, Filter(ts[D3DTSS_MAGFILTER]));
    glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, Filter(ts[D3DTSS_MINFILTER]));
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, AddressMode(ts[D3DTSS_ADDRESSU]));
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, AddressMode(ts[D3DTSS_ADDRESSV]));
    const D3DCOLOR border = D3DCOLOR(ts[D3DTSS_BORDERCOLOR]);
    const float borderColour[4] = {float(border >> 16 & 0xFF) / 255.0f,
                                   float(border >> 8 & 0xFF) / 255.0f,
                                   float(border & 0xFF) / 255.0f, float(border >> 24) / 255.0f};
    glSamplerParameterfv(sampler, GL_TEXTURE_BORDER_COLOR, borderColour);

    // Raster state.
    if (rs[D3DRS_ZENABLE] != D3DZB_FALSE) {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(CompareFunction(rs[D3DRS_ZFUNC]));
    } else {
        glDisable(GL_DEPTH_TEST);
    }
    glDepthMask(rs[D3DRS_ZWRITEENABLE] ? GL_TRUE : GL_FALSE);
    if (rs[D3DRS_ALPHABLENDENABLE]) {
        glEnable(GL_BLEND);
        GLenum source = BlendFactor(rs[D3DRS_SRCBLEND]);
        GLenum destination = BlendFactor(rs[D3DRS_DESTBLEND]);
        if (rs[D3DRS_SRCBLEND] == D3DBLEND_BOTHSRCALPHA)
            source = GL_SRC_ALPHA, destination = GL_ONE_MINUS_SRC_ALPHA;
        if (rs[D3DRS_SRCBLEND] == D3DBLEND_BOTHINVSRCALPHA)
            source = GL_ONE_MINUS_SRC_ALPHA, destination = GL_SRC_ALPHA;
        glBlendFunc(source, destination);
        glBlendEquation(BlendEquation(rs[D3DRS_BLENDOP]));
    } else {
        glDisable(GL_BLEND);
    }
    // Triangles clockwise on screen are the front ones; upside down they turn the other way.
    glFrontFace(GL_CCW);
    if (rs[D3DRS_CULLMODE] == D3DCULL_NONE) {
        glDisable(GL_CULL_FACE);
    } else {
        glEnable(GL_CULL_FACE);
        glCullFace(rs[D3DRS_CULLMODE] == D3DCULL_CW ? GL_FRONT : GL_BACK);
    }
    glPolygonMode(GL_FRONT_AND_BACK, rs[D3DRS_FILLMODE] == D3DFILL_WIREFRAME ? GL_LINE
                                     : rs[D3DRS_FILLMODE] == D3DFILL_POINT   ? GL_POINT
                                                                             : GL_FILL);
    // The back buffer has no alpha: its alpha stays 1, as destination-alpha blending expects.
    const DWORD mask = rs[D3DRS_COLORWRITEENABLE];
    glColorMask((mask & 1) != 0, (mask & 2) != 0, (mask & 4) != 0, GL_FALSE);
    return true;
}
