#include "bench/replay.h"
#include "bench/clip_decoder.h"
#include "bench/side_context.h"
#include "platform/d3d8/d3d8.h"
#include "platform/d3d8/device_queries.h"
#include "platform/d3d8/draw_record.h"
#include "platform/files/resolve_path.h"
#include "platform/testing/test_controls.h"

#include "platform/d3d8/gl.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <utility>

namespace {

constexpr int kWidth = 640, kHeight = 480;

void Multiply(const float* a, const float* b, float* out) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            out[r * 4 + c] = a[r * 4] * b[c] + a[r * 4 + 1] * b[4 + c] + a[r * 4 + 2] * b[8 + c] +
                             a[r * 4 + 3] * b[12 + c];
}

unsigned Factor(DWORD blend) {
    switch (blend) {
    case D3DBLEND_ZERO:
        return GL_ZERO;
    case D3DBLEND_ONE:
        return GL_ONE;
    case D3DBLEND_DESTCOLOR:
        return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR:
        return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHA:
        return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA:
        return GL_ONE_MINUS_SRC_ALPHA;
    default:
        return GL_INVALID_ENUM;
    }
}

bool Zero(const D3DCOLORVALUE& c) {
    return c.r == 0 && c.g == 0 && c.b == 0;
}

// One draw as the plain program needs it, or the reason it cannot draw it.
std::string Convert(const DrawRecord& record, Replay& replay, ReplayFrame& frame,
                    ReplayDraw& draw) {
    const DWORD* rs = record.state.renderStates;
    const DWORD* ts = record.state.stageStates;
    if (rs[D3DRS_SHADEMODE] != D3DSHADE_GOURAUD) return "flat shading";
    if (rs[D3DRS_ALPHATESTENABLE]) return "alpha test";
    if (rs[D3DRS_ZFUNC] != D3DCMP_LESSEQUAL || rs[D3DRS_ZENABLE] == D3DZB_FALSE)
        return "another depth test";
    if (rs[D3DRS_CULLMODE] == D3DCULL_CW) return "clockwise culling";
    if (rs[D3DRS_BLENDOP] != D3DBLENDOP_ADD) return "a blend operation other than adding";
    if (ts[D3DTSS_COLOROP] != D3DTOP_MODULATE || ts[D3DTSS_COLORARG1] != D3DTA_TEXTURE ||
        ts[D3DTSS_ALPHAOP] != D3DTOP_SELECTARG1 || ts[D3DTSS_ALPHAARG1] != D3DTA_TEXTURE)
        return "a texture stage other than texture times diffuse";
    if (!record.texture) return "no texture";

    draw.vertices.assign(record.vertices, record.vertices + size_t(record.vertexEnd) * 36);
    draw.indices.assign(record.indices, record.indices + record.indexCount);
    // A texture first seen, or changed since it was last drawn (a clip frame copied in), goes
    // up with this frame, once.
    auto* texture = record.texture;
    auto known = std::find_if(replay.textures.begin(), replay.textures.end(),
                              [&](const ReplayTexture& t) { return t.source == texture; });
    const bool seen = known != replay.textures.end();
    if (!seen) {
        ReplayTexture made;
        made.source = texture;
        D3DSURFACE_DESC description{};
        texture->GetLevelDesc(0, &description);
        made.width = int(description.Width);
        made.height = int(description.Height);
        replay.textures.push_back(made);
        known = replay.textures.end() - 1;
    }
    draw.texture = int(known - replay.textures.begin());
    const bool uploaded =
        std::any_of(frame.uploads.begin(), frame.uploads.end(),
                    [&](const ReplayUpload& u) { return u.texture == draw.texture; });
    if ((!seen || record.textureChanged) && !uploaded)
        frame.uploads.push_back({draw.texture, DeviceQueries::ReadBackLevel0(texture),
                                 std::exchange(replay.delivered, ReplayClipFrame{})});

    // The chain to the clip, shifted to Direct3D's pixel centres and turned upside down, as
    // the device draws.
    Multiply(&record.state.world->_11, &record.state.view->_11, draw.toCamera);
    Multiply(draw.toCamera, &record.state.projection->_11, draw.toClip);
    for (int r = 0; r < 4; ++r) {
        float* row = draw.toClip + 4 * r;
        row[0] += row[3] / float(kWidth);
        row[1] = -(row[1] - row[3] / float(kHeight));
    }
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            draw.normalToCamera[r * 3 + c] = draw.toCamera[r * 4 + c];

    const bool generated = (ts[D3DTSS_TEXCOORDINDEX] & 0xFFFF0000u) != 0;
    draw.environmentMap = generated;
    if (generated && (ts[D3DTSS_TEXCOORDINDEX] & 0xFFFF0000u) != D3DTSS_TCI_CAMERASPACENORMAL)
        return "texture coordinates made another way";
    if (!generated && (ts[D3DTSS_TEXTURETRANSFORMFLAGS] & 0xFF) != D3DTTFF_DISABLE)
        return "a texture transform";

    draw.lit = rs[D3DRS_LIGHTING] != FALSE;
    if (draw.lit) {
        if (!rs[D3DRS_COLORVERTEX] || rs[D3DRS_DIFFUSEMATERIALSOURCE] != D3DMCS_COLOR1 ||
            rs[D3DRS_AMBIENTMATERIALSOURCE] != D3DMCS_MATERIAL ||
            rs[D3DRS_EMISSIVEMATERIALSOURCE] != D3DMCS_MATERIAL || !rs[D3DRS_LOCALVIEWER] ||
            rs[D3DRS_NORMALIZENORMALS])
            return "other material sources or viewer";
        int count = 0;
        const D3DLIGHT8* light = nullptr;
        for (int i = 0; i < 8; ++i)
            if (record.state.lightEnabled[i]) ++count, light = &record.state.lights[i];
        if (count > 1 || (light && light->Type != D3DLIGHT_DIRECTIONAL)) return "other lights";
        const D3DMATERIAL8& m = *record.state.material;
        const D3DCOLOR global = D3DCOLOR(rs[D3DRS_AMBIENT]);
        const float ambient[3] = {
            float(global >> 16 & 0xFF) / 255.0f + (light ? light->Ambient.r : 0.0f),
            float(global >> 8 & 0xFF) / 255.0f + (light ? light->Ambient.g : 0.0f),
            float(global & 0xFF) / 255.0f + (light ? light->Ambient.b : 0.0f)};
        draw.base[0] = m.Emissive.r + m.Ambient.r * ambient[0];
        draw.base[1] = m.Emissive.g + m.Ambient.g * ambient[1];
        draw.base[2] = m.Emissive.b + m.Ambient.b * ambient[2];
        if (light) {
            const float* v = &record.state.view->_11;
            const float d[3] = {-light->Direction.x, -light->Direction.y, -light->Direction.z};
            float toward[3];
            for (int c = 0; c < 3; ++c)
                toward[c] = d[0] * v[c] + d[1] * v[4 + c] + d[2] * v[8 + c];
            const float length =
                std::sqrt(toward[0] * toward[0] + toward[1] * toward[1] + toward[2] * toward[2]);
            for (int c = 0; c < 3; ++c)
                draw.towardLight[c] = length > 0 ? toward[c] / length : 0.0f;
            draw.lightColour[0] = light->Diffuse.r;
            draw.lightColour[1] = light->Diffuse.g;
            draw.lightColour[2] = light->Diffuse.b;
            draw.highlight =
                rs[D3DRS_SPECULARENABLE] && !Zero(m.Specular) && !Zero(light->Specular);
            if (draw.highlight && m.Power <= 0) return "a highlight of power 0";
            draw.highlightColour[0] = m.Specular.r * light->Specular.r;
            draw.highlightColour[1] = m.Specular.g * light->Specular.g;
            draw.highlightColour[2] = m.Specular.b * light->Specular.b;
            draw.power = m.Power;
        }
    }
    draw.blend = rs[D3DRS_ALPHABLENDENABLE] != FALSE;
    draw.source = Factor(rs[D3DRS_SRCBLEND]);
    draw.destination = Factor(rs[D3DRS_DESTBLEND]);
    if (draw.blend && (draw.source == GL_INVALID_ENUM || draw.destination == GL_INVALID_ENUM))
        return "other blend factors";
    draw.depthWrite = rs[D3DRS_ZWRITEENABLE] != FALSE;
    draw.cull = rs[D3DRS_CULLMODE] != D3DCULL_NONE;
    return std::string();
}

const char* const kVertexShader = R"(
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
layout(location = 2) in vec4 colour;
layout(location = 3) in vec2 uv;
uniform mat4 toClip;
uniform mat4 toCamera;
uniform mat3 normalToCamera;
uniform vec3 base;
uniform vec3 towardLight;
uniform vec3 lightColour;
uniform vec3 highlightColour;
uniform float power;
out vec4 shade;
out vec3 highlight;
out vec2 st;
void main() {
    gl_Position = toClip * vec4(position, 1.0);
#if SWAP
    vec4 vertexColour = colour.bgra;
#else
    vec4 vertexColour = colour;
#endif
#if LIT || ENVIRONMENT
    vec3 n = normalToCamera * normal;
#endif
#if LIT
    float d = dot(n, towardLight);
    shade = clamp(vec4(base + (d > 0.0 ? vertexColour.rgb * lightColour * d : vec3(0.0)),
                       vertexColour.a),
                  0.0, 1.0);
#else
    shade = vertexColour;
#endif
#if HIGHLIGHT
    vec3 toEye = normalize(-(toCamera * vec4(position, 1.0)).xyz);
    float h = max(dot(n, normalize(towardLight + toEye)), 0.0);
    highlight = d > 0.0 && h > 0.0 ? clamp(highlightColour * pow(h, power), 0.0, 1.0) : vec3(0.0);
#else
    highlight = vec3(0.0);
#endif
#if ENVIRONMENT
    st = vec2(0.5 * n.x + 0.5, 0.5 - 0.5 * n.y);
#else
    st = uv;
#endif
}
)";

const char* const kFragmentShader = R"(
in vec4 shade;
in vec3 highlight;
in vec2 st;
uniform sampler2D picture;
out vec4 colour;
void main() {
#if SWAP
    vec4 t = texture(picture, st).bgra;
#else
    vec4 t = texture(picture, st);
#endif
#if HIGHLIGHT
    colour = vec4(t.rgb * shade.rgb + highlight, t.a);
#else
    colour = vec4(t.rgb * shade.rgb, t.a);
#endif
}
)";

// The floor: where each fragment lands, and nothing else.
const char* const kFloorVertexShader = R"(
layout(location = 0) in vec3 position;
uniform mat4 toClip;
void main() {
    gl_Position = toClip * vec4(position, 1.0);
}
)";

const char* const kFloorFragmentShader = R"(
out vec4 colour;
void main() {
    colour = vec4(1.0);
}
)";

// 0xAARRGGBB words are B, G, R, A in memory: the desktop takes them as BGRA. ES has no such
// order: it takes them as RGBA, and the shaders swap red and blue back (as the device's do).
#if SHOW_GLES
constexpr GLenum kTexelOrder = GL_RGBA, kTexelType = GL_UNSIGNED_BYTE;
constexpr GLint kColourLayout = 4;
const char* const kVersion = "#version 300 es\nprecision highp float;\n#define SWAP 1\n";
#else
constexpr GLenum kTexelOrder = GL_BGRA, kTexelType = GL_UNSIGNED_INT_8_8_8_8_REV;
constexpr GLint kColourLayout = GL_BGRA;
const char* const kVersion = "#version 330 core\n#define SWAP 0\n";
#endif

unsigned Compile(GLenum kind, const std::string& defines, const char* body) {
    const unsigned shader = glCreateShader(kind);
    const std::string head = kVersion + defines;
    const char* parts[2] = {head.c_str(), body};
    glShaderSource(shader, 2, parts, nullptr);
    glCompileShader(shader);
    GLint compiled = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (!compiled) {
        char log[1024];
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        std::fprintf(stderr, "bare shader: %s\n", log);
    }
    return shader;
}

} // namespace

void RecordFrame(Replay& replay, const std::function<void()>& drawFrame) {
    replay.frames.emplace_back();
    ReplayFrame& frame = replay.frames.back();
    replay.delivered = ReplayClipFrame{};
    host::test::OnClipFrameDelivered([&replay](const char* path, int64_t position) {
        replay.delivered.path = path;
        replay.delivered.position = position;
    });
    RecordDraws([&](const DrawRecord& record) {
        ReplayDraw draw;
        const std::string why = Convert(record, replay, frame, draw);
        if (!why.empty() && replay.unsupported.empty()) replay.unsupported = why;
        frame.draws.push_back(std::move(draw));
    });
    drawFrame();
    RecordDraws(nullptr);
    host::test::OnClipFrameDelivered(nullptr);
}

BareRenderer::BareRenderer(Replay& replay) : replay(replay) {
    if (!replay.unsupported.empty()) return;
    if (!context.Made()) {
        replay.unsupported = "no second OpenGL context";
        return;
    }
    SideContext::Inside own(context);
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glGenRenderbuffers(1, &colour);
    glBindRenderbuffer(GL_RENDERBUFFER, colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGB8, kWidth, kHeight);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    glGenRenderbuffers(1, &depth);
    glBindRenderbuffer(GL_RENDERBUFFER, depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, kWidth, kHeight);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    glViewport(0, 0, kWidth, kHeight);
    glDepthFunc(GL_LEQUAL);
    // Upside down, like the device: Direct3D's clockwise front faces turn counter-clockwise.
    glFrontFace(GL_CCW);
    glCullFace(GL_BACK);
    glActiveTexture(GL_TEXTURE0);

    // Colour and depth are cleared to the same values every frame.
    glClearColor(0, 0, 0, 1);
    SetClearDepth(1.0f);
    // The state kept from now on, set as it is taken to be: in the page the context is the
    // canvas's, which an earlier plain program may have left otherwise.
    glDisable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_SCISSOR_TEST);
    glDepthMask(GL_TRUE);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glUseProgram(0);
    glBindVertexArray(0);

    // Storage for every texture, filled as the frames bring their pictures.
    for (ReplayTexture& texture : replay.textures) {
        glGenTextures(1, &texture.name);
        glBindTexture(GL_TEXTURE_2D, texture.name);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, texture.width, texture.height, 0, kTexelOrder,
                     kTexelType, nullptr);
    }
    if (!PlaceClipFrames()) return;
    // Every picture goes up now, before anything is timed: each texture then holds what the last
    // frame left in it, which is where the frames start again.
    for (const ReplayFrame& frame : replay.frames)
        for (const ReplayUpload& upload : frame.uploads) {
            ReplayTexture& texture = replay.textures[size_t(upload.texture)];
            glBindTexture(GL_TEXTURE_2D, texture.name);
            glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, texture.width, texture.height, kTexelOrder,
                            kTexelType, upload.texels.data());
            texture.clipFrame = upload.clipFrame.clip >= 0 ? upload.clipFrame.position : -1;
            texture.held = upload.texels;
        }
    glBindTexture(GL_TEXTURE_2D, 0);
    for (const ReplayFrame& frame : replay.frames)
        for (const ReplayDraw& draw : frame.draws)
            if (!ProgramFor(draw)) return;
    floor.name = glCreateProgram();
    const unsigned floorVertex = Compile(GL_VERTEX_SHADER, "", kFloorVertexShader);
    const unsigned floorFragment = Compile(GL_FRAGMENT_SHADER, "", kFloorFragmentShader);
    glAttachShader(floor.name, floorVertex);
    glAttachShader(floor.name, floorFragment);
    glLinkProgram(floor.name);
    glDeleteShader(floorVertex);
    glDeleteShader(floorFragment);
    floor.toClip = glGetUniformLocation(floor.name, "toClip");
    std::fill(std::begin(floor.held), std::end(floor.held), std::nanf(""));
#if !SHOW_GLES
    glGenQueries(1, &query);
#endif
    ready = true;
}

BareRenderer::~BareRenderer() {
    if (!context.Made()) return;
    SideContext::Inside own(context);
    {
        FinishDecoding();
        clips.clear();
        for (const Program& program : programs)
            if (program.name) glDeleteProgram(program.name);
        if (floor.name) glDeleteProgram(floor.name);
        for (ReplayTexture& texture : replay.textures)
            if (texture.name) glDeleteTextures(1, &texture.name), texture.name = 0;
#if !SHOW_GLES
        if (query) glDeleteQueries(1, &query);
#endif
        for (Sent& sent : vertices) {
            if (sent.buffer) glDeleteBuffers(1, &sent.buffer);
            if (sent.vertexArray) glDeleteVertexArrays(1, &sent.vertexArray);
        }
        for (Sent& sent : indices)
            if (sent.buffer) glDeleteBuffers(1, &sent.buffer);
        glDeleteRenderbuffers(1, &colour);
        glDeleteRenderbuffers(1, &depth);
        glDeleteFramebuffers(1, &framebuffer);
    }
}

void BareRenderer::FinishDecoding() {
    for (auto& clip : clips)
        clip->WaitForAhead();
}

bool BareRenderer::PlaceClipFrames() {
    for (ReplayFrame& frame : replay.frames)
        for (ReplayUpload& upload : frame.uploads) {
            ReplayClipFrame& clipFrame = upload.clipFrame;
            if (clipFrame.position < 0) continue;
            const auto known = std::find(clipPaths.begin(), clipPaths.end(), clipFrame.path);
            clipFrame.clip = int(known - clipPaths.begin());
            if (known == clipPaths.end()) {
                clipPaths.push_back(clipFrame.path);
                clips.push_back(std::make_unique<ClipDecoder>(ResolvePath(clipFrame.path)));
            }
            ClipDecoder& clip = *clips[size_t(clipFrame.clip)];
            const uint32_t* pixels = clip.Frame(clipFrame.position);
            const ReplayTexture& texture = replay.textures[size_t(upload.texture)];
            // The frame's rectangle in the texture, cut at its right and bottom: the first
            // place where every pixel of it is the clip's.
            const auto lies = [&](int x, int y) {
                const int columns = std::min(clip.Width(), texture.width - x);
                const int rows = std::min(clip.Height(), texture.height - y);
                for (int r = 0; r < rows; ++r)
                    if (!std::equal(pixels + size_t(r) * size_t(clip.Width()),
                                    pixels + size_t(r) * size_t(clip.Width()) + columns,
                                    upload.texels.begin() + (size_t(y + r) * texture.width + x)))
                        return false;
                clipFrame.x = x, clipFrame.y = y, clipFrame.columns = columns,
                clipFrame.rows = rows;
                return true;
            };
            bool found = false;
            for (int y = 0; pixels && y < texture.height && !found; ++y)
                for (int x = 0; x < texture.width && !found; ++x)
                    found = lies(x, y);
            if (!found) {
                replay.unsupported = "frame " + std::to_string(clipFrame.position) + " of " +
                                     clipFrame.path + ", not found in the texture it went into";
                return false;
            }
        }
    return true;
}

void BareRenderer::Upload(const ReplayUpload& upload) {
    ReplayTexture& picture = replay.textures[size_t(upload.texture)];
    const ReplayClipFrame& clipFrame = upload.clipFrame;
    if (clipFrame.clip >= 0) {
        // The texture already holds the frame: nothing to send.
        if (picture.clipFrame == clipFrame.position) return;
        ClipDecoder& clip = *clips[size_t(clipFrame.clip)];
        if (const uint32_t* pixels = clip.Frame(clipFrame.position)) {
            if (picture.name != texture) glBindTexture(GL_TEXTURE_2D, picture.name);
            texture = picture.name;
            glPixelStorei(GL_UNPACK_ROW_LENGTH, clip.Width());
            glTexSubImage2D(GL_TEXTURE_2D, 0, clipFrame.x, clipFrame.y, clipFrame.columns,
                            clipFrame.rows, kTexelOrder, kTexelType, pixels);
            glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
            picture.clipFrame = clipFrame.position;
            picture.held.clear();
            return;
        }
    }
    // A picture written again with what it held already has nothing to send.
    if (picture.clipFrame < 0 && picture.held == upload.texels) return;
    if (picture.name != texture) glBindTexture(GL_TEXTURE_2D, picture.name);
    texture = picture.name;
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, picture.width, picture.height, kTexelOrder, kTexelType,
                    upload.texels.data());
    picture.clipFrame = -1;
    picture.held = upload.texels;
}

const BareRenderer::Program* BareRenderer::ProgramFor(const ReplayDraw& draw) {
    const int key = (draw.lit ? 1 : 0) | (draw.highlight ? 2 : 0) | (draw.environmentMap ? 4 : 0);
    if (programs[key].name) return &programs[key];
    const std::string defines = std::string("#define LIT ") + (draw.lit ? "1" : "0") +
                                "\n#define HIGHLIGHT " + (draw.highlight ? "1" : "0") +
                                "\n#define ENVIRONMENT " + (draw.environmentMap ? "1" : "0") + "\n";
    const unsigned program = glCreateProgram();
    const unsigned vertex = Compile(GL_VERTEX_SHADER, defines, kVertexShader);
    const unsigned fragment = Compile(GL_FRAGMENT_SHADER, defines, kFragmentShader);
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glLinkProgram(program);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint linked = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (!linked) {
        glDeleteProgram(program);
        return nullptr;
    }
    glUseProgram(program);
    glUniform1i(glGetUniformLocation(program, "picture"), 0);
    glUseProgram(this->program);
    Program& made = programs[key];
    made.name = program;
    std::fill(std::begin(made.held), std::end(made.held), std::nanf(""));
    made.toClip = glGetUniformLocation(program, "toClip");
    made.toCamera = glGetUniformLocation(program, "toCamera");
    made.normalToCamera = glGetUniformLocation(program, "normalToCamera");
    made.base = glGetUniformLocation(program, "base");
    made.towardLight = glGetUniformLocation(program, "towardLight");
    made.lightColour = glGetUniformLocation(program, "lightColour");
    made.highlightColour = glGetUniformLocation(program, "highlightColour");
    made.power = glGetUniformLocation(program, "power");
    return &made;
}

void BareRenderer::DrawFrame(size_t index, bool clearAfter) {
    SideContext::Inside own(context);
    Draw(index, Pass::Picture, clearAfter);
}

void BareRenderer::DrawFloor(size_t index) {
    SideContext::Inside own(context);
    Draw(index, Pass::Floor, true);
}

void BareRenderer::Finish() {
    SideContext::Inside own(context);
    FinishGlWork();
}

uint64_t BareRenderer::Fragments(size_t index) {
    SideContext::Inside own(context);
    Draw(index, Pass::Counted, false);
    return counted;
}

void BareRenderer::Enable(unsigned capability, bool on, bool& held) {
    if (on == held) return;
    on ? glEnable(capability) : glDisable(capability);
    held = on;
}

void BareRenderer::DepthMask(bool on) {
    if (on == depthWrite) return;
    glDepthMask(on ? GL_TRUE : GL_FALSE);
    depthWrite = on;
}

void BareRenderer::Clear() {
    DepthMask(true);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

namespace {

// Uniform values sent only when they differ from those the program holds.
template <class Send> void SendChanged(float* held, const float* value, int count, Send send) {
    if (std::memcmp(held, value, sizeof(float) * size_t(count)) == 0) return;
    std::memcpy(held, value, sizeof(float) * size_t(count));
    send();
}

} // namespace

void BareRenderer::BindGeometry(const ReplayDraw& draw) {
    const auto bytes = [](const auto& values) {
        return std::pair<const uint8_t*, size_t>(reinterpret_cast<const uint8_t*>(values.data()),
                                                 values.size() * sizeof(values[0]));
    };
    // The buffer of `kept` holding these bytes, else the one least recently used, filled.
    const auto find = [this](Sent* kept, std::pair<const uint8_t*, size_t> wanted, GLenum target,
                             bool& sent) {
        Sent* oldest = kept;
        for (Sent* s = kept; s != kept + kSentKept; ++s) {
            if (s->buffer && s->bytes.size() == wanted.second &&
                std::memcmp(s->bytes.data(), wanted.first, wanted.second) == 0) {
                s->lastUse = ++uses;
                sent = false;
                return s;
            }
            if (s->lastUse < oldest->lastUse) oldest = s;
        }
        if (!oldest->buffer) glGenBuffers(1, &oldest->buffer);
        glBindBuffer(target, oldest->buffer);
        glBufferData(target, GLsizeiptr(wanted.second), wanted.first, GL_STREAM_DRAW);
        oldest->bytes.assign(wanted.first, wanted.first + wanted.second);
        oldest->lastUse = ++uses;
        sent = true;
        return oldest;
    };
    bool sent = false;
    Sent* v = find(vertices, bytes(draw.vertices), GL_ARRAY_BUFFER, sent);
    const int array = int(v - vertices);
    if (!v->vertexArray) {
        glGenVertexArrays(1, &v->vertexArray);
        glBindVertexArray(v->vertexArray);
        const auto at = [](size_t offset) { return reinterpret_cast<const void*>(offset); };
        if (!sent) glBindBuffer(GL_ARRAY_BUFFER, v->buffer);
        glEnableVertexAttribArray(0);
        glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 36, at(0));
        glEnableVertexAttribArray(1);
        glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, 36, at(12));
        glEnableVertexAttribArray(2);
        glVertexAttribPointer(2, kColourLayout, GL_UNSIGNED_BYTE, GL_TRUE, 36, at(24));
        glEnableVertexAttribArray(3);
        glVertexAttribPointer(3, 2, GL_FLOAT, GL_FALSE, 36, at(28));
    } else if (array != vertexArrayBound) {
        glBindVertexArray(v->vertexArray);
    }
    vertexArrayBound = array;
    // The index buffer is the vertex array's: sending into it binds it there.
    Sent* i = find(indices, bytes(draw.indices), GL_ELEMENT_ARRAY_BUFFER, sent);
    if (!sent && v->indices != i->buffer) glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, i->buffer);
    v->indices = i->buffer;
}

void BareRenderer::Draw(size_t index, Pass pass, bool clearAfter) {
    const ReplayFrame& frame = replay.frames[index];
    const bool floorPass = pass == Pass::Floor;
    if (!cleared) Clear();
    if (!floorPass)
        for (const ReplayUpload& upload : frame.uploads)
            Upload(upload);
    // Until a draw writes depth, every depth is the far plane and the test cannot fail.
    bool depthWritten = false;
#if !SHOW_GLES
    if (pass == Pass::Counted) glBeginQuery(GL_SAMPLES_PASSED, query);
#endif
    for (const ReplayDraw& draw : frame.draws) {
        BindGeometry(draw);
        Enable(GL_DEPTH_TEST, depthWritten || draw.depthWrite, depthTest);
        const bool blended = draw.blend && !floorPass;
        Enable(GL_BLEND, blended, blend);
        if (blended && (draw.source != source || draw.destination != destination)) {
            glBlendFunc(draw.source, draw.destination);
            source = draw.source, destination = draw.destination;
        }
        DepthMask(draw.depthWrite);
        Enable(GL_CULL_FACE, draw.cull, cull);
        depthWritten |= draw.depthWrite;
        const Program& used = floorPass ? floor : *ProgramFor(draw);
        if (used.name != program) glUseProgram(used.name), program = used.name;
        float* held = const_cast<float*>(used.held);
        SendChanged(held, draw.toClip, 16,
                    [&] { glUniformMatrix4fv(used.toClip, 1, GL_FALSE, draw.toClip); });
        if (!floorPass) {
            if (draw.lit || draw.environmentMap)
                SendChanged(held + 16, draw.normalToCamera, 9, [&] {
                    glUniformMatrix3fv(used.normalToCamera, 1, GL_FALSE, draw.normalToCamera);
                });
            if (draw.lit) {
                SendChanged(held + 25, draw.base, 3,
                            [&] { glUniform3fv(used.base, 1, draw.base); });
                SendChanged(held + 28, draw.towardLight, 3,
                            [&] { glUniform3fv(used.towardLight, 1, draw.towardLight); });
                SendChanged(held + 31, draw.lightColour, 3,
                            [&] { glUniform3fv(used.lightColour, 1, draw.lightColour); });
            }
            if (draw.highlight) {
                SendChanged(held + 34, draw.toCamera, 16,
                            [&] { glUniformMatrix4fv(used.toCamera, 1, GL_FALSE, draw.toCamera); });
                SendChanged(held + 50, draw.highlightColour, 3,
                            [&] { glUniform3fv(used.highlightColour, 1, draw.highlightColour); });
                SendChanged(held + 53, &draw.power, 1,
                            [&] { glUniform1f(used.power, draw.power); });
            }
            const unsigned name = replay.textures[size_t(draw.texture)].name;
            if (name != texture) glBindTexture(GL_TEXTURE_2D, name), texture = name;
        }
        glDrawElements(GL_TRIANGLES, GLsizei(draw.indices.size()), GL_UNSIGNED_SHORT, nullptr);
    }
#if !SHOW_GLES
    if (pass == Pass::Counted) {
        glEndQuery(GL_SAMPLES_PASSED);
        GLuint64 samples = 0;
        glGetQueryObjectui64v(query, GL_QUERY_RESULT, &samples);
        counted = samples;
    }
#endif
    // The frame is presented as the show's host presents its own. In the page: copied into the
    // plain program's canvas, upside down (it was drawn with its top row first). Off screen on
    // the desktop, where nothing shows it: waited for, so that frames never pile up.
    if (pass == Pass::Picture) {
#ifdef __EMSCRIPTEN__
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        glBlitFramebuffer(0, 0, kWidth, kHeight, 0, kHeight, kWidth, 0, GL_COLOR_BUFFER_BIT,
                          GL_NEAREST);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
#else
        glFinish();
#endif
    }
    cleared = clearAfter;
    if (clearAfter) Clear();
}

std::vector<uint32_t> BareRenderer::ReadBack() {
    SideContext::Inside own(context);
    std::vector<uint32_t> pixels(size_t(kWidth) * kHeight);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
#if SHOW_GLES
    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    // R, G, B, A in memory: as words 0xAABBGGRR.
    for (uint32_t& p : pixels)
        p = (p & 0xFF) << 16 | (p & 0xFF00) | (p >> 16 & 0xFF);
#else
    glReadPixels(0, 0, kWidth, kHeight, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels.data());
    for (uint32_t& p : pixels)
        p &= 0xFFFFFF;
#endif
    return pixels;
}

FrameDifference CompareFrames(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b,
                              int tolerance) {
    FrameDifference difference;
    if (a.size() != b.size()) {
        difference.coverage = difference.colour = int(std::max(a.size(), b.size()));
        return difference;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        const uint32_t p = a[i] & 0xFFFFFF, q = b[i] & 0xFFFFFF;
        if ((p == 0) != (q == 0)) ++difference.coverage;
        int largest = 0;
        for (int shift : {0, 8, 16})
            largest = std::max(largest, std::abs(int(p >> shift & 0xFF) - int(q >> shift & 0xFF)));
        if (largest > tolerance) ++difference.colour;
        difference.largest = std::max(difference.largest, largest);
    }
    return difference;
}
