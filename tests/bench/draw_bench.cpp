// The drawing toolkit against bare OpenGL, off screen on the same context: (a) seven additive
// full-screen quads, (b) a 3456-vertex, 6348-triangle lit shape rewritten and renormalled every
// frame, (c) both. Frames end with glFinish, nothing read back. BM_ShapeCpuOnly is the
// per-frame work of (b) in our own code, with nothing drawn.
#include "fx/compute_normals.h"
#include "fx/draw_geometry.h"
#include "fx/draw_settings.h"
#include "fx/screen_quads.h"
#include "fx/shared_buffers.h"
#include "tests/bench/bench_device.h"

#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <cmath>
#include <vector>

namespace {

constexpr int kSide = 24; // 6 faces of 24 x 24 vertices: 3456 vertices, 6348 triangles
constexpr int kVertices = 6 * kSide * kSide;
constexpr int kTriangles = 6 * (kSide - 1) * (kSide - 1) * 2;

// The device with a 512 x 256 texture to draw.
struct Device : BenchDevice {
    Device() {
        ready = ready && texture.Create(512, 256) == 0;
        if (ready) FillTexture(texture, 512, 256, 0xFF203040);
    }
    ~Device() {
        if (texture.Interface()) texture.Release();
    }
    Texture texture;
};

// A cube blown towards a sphere by `blend`: each face a kSide x kSide grid.
void ShapeVertex(int index, float blend, float out[3]) {
    const int face = index / (kSide * kSide), cell = index % (kSide * kSide);
    const float s = float(cell % kSide) / (kSide - 1) * 2 - 1,
                t = float(cell / kSide) / (kSide - 1) * 2 - 1;
    float p[3];
    const int axis = face % 3;
    const float sign = face < 3 ? 1.0f : -1.0f;
    p[axis] = sign;
    p[(axis + 1) % 3] = s * sign;
    p[(axis + 2) % 3] = t;
    const float length = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
    for (int k = 0; k < 3; ++k)
        out[k] = p[k] * (1 - blend) + p[k] / length * blend;
}

void ShapeIndices(uint16_t* out) {
    int n = 0;
    for (int face = 0; face < 6; ++face)
        for (int y = 0; y + 1 < kSide; ++y)
            for (int x = 0; x + 1 < kSide; ++x) {
                const int a = face * kSide * kSide + y * kSide + x, b = a + kSide;
                const int quad[6] = {a, b, a + 1, a + 1, b, b + 1};
                for (int k : quad)
                    out[n++] = uint16_t(k);
            }
}

void WriteShape(float blend) {
    LockSharedVertices();
    LockSharedIndices();
    for (int i = 0; i < kVertices; ++i) {
        float p[3];
        ShapeVertex(i, blend, p);
        SharedVertices[i] = Vertex{p[0], p[1], p[2], 0, 0, 0, 0xFFFFFFFF, 0, 0};
    }
    ShapeIndices(SharedIndices);
    UnlockSharedIndices();
    UnlockSharedVertices();
    ComputeNormals(kVertices, kTriangles);
}

void ToolkitShape(const Texture& texture, float blend) {
    WriteShape(blend);
    Camera camera;
    camera.eye = D3DXVECTOR3{0, 0, -5};
    ResetDrawSettings();
    drawSettings.lighting = true;
    drawSettings.lightCount = 1;
    drawSettings.lights[0].SetDefaults();
    drawSettings.material.SetDefaults();
    drawSettings.cullBackFaces = false;
    DrawGeometry(camera, Rotation{blend, blend * 2, 0}, texture, kVertices, kTriangles);
}

void ToolkitQuads(const Texture& texture) {
    for (int i = 0; i < 7; ++i)
        DrawScreenQuad(texture, true, 0xFFFFFFFF, 1.0f, 1.0f);
}

void Toolkit(benchmark::State& state, bool quads, bool shape) {
    Device device;
    if (!device.ready) return state.SkipWithError("no device");
    float blend = 0;
    for (auto _ : state) {
        if (quads) ToolkitQuads(device.texture);
        if (shape) ToolkitShape(device.texture, blend);
        device.renderer.EndFrame();
        blend = std::fmod(blend + 0.01f, 1.0f);
    }
    state.counters["frames_per_second"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_ToolkitQuads(benchmark::State& state) {
    Toolkit(state, true, false);
}
void BM_ToolkitShape(benchmark::State& state) {
    Toolkit(state, false, true);
}
void BM_ToolkitBoth(benchmark::State& state) {
    Toolkit(state, true, true);
}

void BM_ShapeCpuOnly(benchmark::State& state) {
    Device device;
    if (!device.ready) return state.SkipWithError("no device");
    float blend = 0;
    for (auto _ : state) {
        WriteShape(blend);
        blend = std::fmod(blend + 0.01f, 1.0f);
    }
}

// The same pictures with the least OpenGL can do: one program, one buffer, one texture.
const char* const kBareVertex = R"(#version 330 core
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
layout(location = 2) in vec2 uv;
uniform mat4 transform;
uniform bool lit;
out vec3 colour;
out vec2 texCoord;
void main() {
    gl_Position = transform * vec4(position, 1.0);
    texCoord = uv;
    colour = lit ? vec3(0.375) + vec3(0.75) * max(dot(normal, vec3(0, 0, -1)), 0.0) : vec3(1.0);
}
)";
const char* const kBareFragment = R"(#version 330 core
in vec3 colour;
in vec2 texCoord;
uniform sampler2D image;
out vec4 fragColor;
void main() { fragColor = vec4(colour, 1.0) * texture(image, texCoord); }
)";

GLuint BareProgram() {
    const GLuint program = glCreateProgram();
    for (auto [kind, source] : {std::pair{GLenum(GL_VERTEX_SHADER), kBareVertex},
                                std::pair{GLenum(GL_FRAGMENT_SHADER), kBareFragment}}) {
        const GLuint shader = glCreateShader(kind);
        glShaderSource(shader, 1, &source, nullptr);
        glCompileShader(shader);
        glAttachShader(program, shader);
        glDeleteShader(shader);
    }
    glLinkProgram(program);
    return program;
}

void Bare(benchmark::State& state, bool quads, bool shape) {
    Device device; // for its context only
    if (!device.ready) return state.SkipWithError("no device");
    const GLuint program = BareProgram();
    GLuint vertexArray, buffer, indexBuffer, texture, target, colour, depth;
    glGenVertexArrays(1, &vertexArray);
    glGenBuffers(1, &buffer);
    glGenBuffers(1, &indexBuffer);
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    std::vector<uint32_t> texels(512 * 256, 0xFF203040);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 512, 256, 0, GL_BGRA, GL_UNSIGNED_BYTE, texels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glGenFramebuffers(1, &target);
    glBindFramebuffer(GL_FRAMEBUFFER, target);
    glGenRenderbuffers(1, &colour);
    glBindRenderbuffer(GL_RENDERBUFFER, colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, 640, 480);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    glGenRenderbuffers(1, &depth);
    glBindRenderbuffer(GL_RENDERBUFFER, depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, 640, 480);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    glBindVertexArray(vertexArray);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glBufferData(GL_ARRAY_BUFFER, kVertices * 32, nullptr, GL_DYNAMIC_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
    std::vector<uint16_t> indices(size_t(kTriangles) * 3 + 6);
    ShapeIndices(indices.data());
    const uint16_t quad[6] = {0, 1, 2, 3, 1, 2};
    std::copy(quad, quad + 6, indices.end() - 6);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(indices.size() * 2), indices.data(),
                 GL_STATIC_DRAW);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 32, nullptr);
    glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, 32, reinterpret_cast<void*>(12));
    glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, 32, reinterpret_cast<void*>(24));
    glEnableVertexAttribArray(0);
    glEnableVertexAttribArray(1);
    glEnableVertexAttribArray(2);
    glUseProgram(program);
    const GLint transform = glGetUniformLocation(program, "transform");
    const GLint lit = glGetUniformLocation(program, "lit");
    const float scale[16] = {0.4f, 0, 0, 0, 0, 0.4f, 0, 0, 0, 0, 0.1f, 0, 0, 0, 0.5f, 1};
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    std::vector<float> vertices(size_t(kVertices) * 8);
    std::vector<float> sums(size_t(kVertices) * 3);
    const float corners[32] = {-1, -1, 0.5f, 0, 0, -1, 0, 1, 1, -1, 0.5f, 0, 0, -1, 1, 1,
                               -1, 1,  0.5f, 0, 0, -1, 0, 0, 1, 1,  0.5f, 0, 0, -1, 1, 0};
    float blend = 0;
    for (auto _ : state) {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        if (quads) {
            glBufferSubData(GL_ARRAY_BUFFER, 0, sizeof corners, corners);
            glUniformMatrix4fv(transform, 1, GL_FALSE, identity);
            glUniform1i(lit, 0);
            glEnable(GL_DEPTH_TEST);
            glDepthMask(GL_FALSE);
            glEnable(GL_BLEND);
            glBlendFunc(GL_ONE, GL_ONE);
            for (int i = 0; i < 7; ++i)
                glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_SHORT,
                               reinterpret_cast<void*>(size_t(kTriangles) * 6));
        }
        if (shape) {
            std::fill(sums.begin(), sums.end(), 0.0f);
            for (int i = 0; i < kVertices; ++i)
                ShapeVertex(i, blend, &vertices[size_t(i) * 8]);
            for (int t = 0; t < kTriangles; ++t) {
                const uint16_t* c = &indices[size_t(t) * 3];
                const float* p[3] = {&vertices[c[0] * 8u], &vertices[c[1] * 8u],
                                     &vertices[c[2] * 8u]};
                const float a[3] = {p[0][0] - p[1][0], p[0][1] - p[1][1], p[0][2] - p[1][2]};
                const float b[3] = {p[1][0] - p[2][0], p[1][1] - p[2][1], p[1][2] - p[2][2]};
                float n[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2],
                              a[0] * b[1] - a[1] * b[0]};
                const float l = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
                for (int k = 0; k < 3; ++k)
                    for (int j = 0; j < 3; ++j)
                        sums[c[k] * 3u + j] += l > 0 ? n[j] / l : 0;
            }
            for (int i = 0; i < kVertices; ++i) {
                float* s = &sums[size_t(i) * 3];
                const float l = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
                for (int j = 0; j < 3; ++j)
                    vertices[size_t(i) * 8 + 3 + j] = l > 0 ? s[j] / l : 0;
            }
            glBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(vertices.size() * 4), vertices.data());
            glUniformMatrix4fv(transform, 1, GL_FALSE, scale);
            glUniform1i(lit, 1);
            glEnable(GL_DEPTH_TEST);
            glDepthMask(GL_TRUE);
            glDisable(GL_BLEND);
            glDrawElements(GL_TRIANGLES, kTriangles * 3, GL_UNSIGNED_SHORT, nullptr);
        }
        glFinish();
        blend = std::fmod(blend + 0.01f, 1.0f);
    }
    state.counters["frames_per_second"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    glDeleteRenderbuffers(1, &depth);
    glDeleteRenderbuffers(1, &colour);
    glDeleteFramebuffers(1, &target);
    glDeleteTextures(1, &texture);
    glDeleteBuffers(1, &indexBuffer);
    glDeleteBuffers(1, &buffer);
    glDeleteVertexArrays(1, &vertexArray);
    glDeleteProgram(program);
}

void BM_BareQuads(benchmark::State& state) {
    Bare(state, true, false);
}
void BM_BareShape(benchmark::State& state) {
    Bare(state, false, true);
}
void BM_BareBoth(benchmark::State& state) {
    Bare(state, true, true);
}

BENCHMARK(BM_ToolkitQuads)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_BareQuads)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_ToolkitShape)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_BareShape)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_ToolkitBoth)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_BareBoth)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_ShapeCpuOnly)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
