#include "bench/gl_calls.h"

#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include <cstdio>
#include <initializer_list>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

GlTally tally;
// Each entry point's calls, by name, in the order the counters were put in place.
std::vector<std::pair<const char*, uint64_t>> byName;
// The harness's calls, not counted.
GlTally leftOut;

// Bytes of one texel as a call sends it up.
uint64_t TexelBytes(GLenum format, GLenum type) {
    const uint64_t channels = format == GL_RGBA || format == GL_BGRA ? 4
                              : format == GL_RGB || format == GL_BGR ? 3
                              : format == GL_RG                      ? 2
                                                                     : 1;
    if (type == GL_UNSIGNED_INT_8_8_8_8_REV || type == GL_UNSIGNED_INT_8_8_8_8) return 4;
    if (type == GL_FLOAT) return channels * 4;
    return channels;
}

// What the calls that send data up send.
uint64_t BufferBytes(GLsizeiptr size, const void* data) {
    return data ? uint64_t(size) : 0;
}
uint64_t RectangleBytes(GLsizei width, GLsizei height, GLenum format, GLenum type,
                        const void* data) {
    return data ? uint64_t(width) * uint64_t(height) * TexelBytes(format, type) : 0;
}

// The counter in front of the entry point held in `Slot`.
template <typename Pointer, Pointer* Slot> struct Counted;
template <typename R, typename... A, R (**Slot)(A...)> struct Counted<R (*)(A...), Slot> {
    static inline R (*real)(A...) = nullptr;
    static inline uint64_t (*sent)(A...) = nullptr;
    static inline size_t index = 0;

    static R Call(A... arguments) {
        ++tally.calls;
        ++byName[index].second;
        if (sent) tally.uploadBytes += sent(arguments...);
        return real(arguments...);
    }

    static bool Install(const char* name, uint64_t (*measure)(A...) = nullptr) {
        real = reinterpret_cast<R (*)(A...)>(eglGetProcAddress(name));
        if (!real) {
            std::fprintf(stderr, "gl_calls: no entry point for %s\n", name);
            return false;
        }
        sent = measure;
        index = byName.size();
        byName.emplace_back(name, 0);
        *Slot = &Call;
        return true;
    }
};

#define SHOW_COUNTED(name) Counted<decltype(epoxy_##name), &epoxy_##name>::Install(#name)
#define SHOW_COUNTED_SENDING(name, measure)                                                        \
    Counted<decltype(epoxy_##name), &epoxy_##name>::Install(#name, measure)

bool InstallAll() {
    bool all = true;
    for (bool installed : {
             SHOW_COUNTED(glActiveTexture),
             SHOW_COUNTED(glAttachShader),
             SHOW_COUNTED(glBeginQuery),
             SHOW_COUNTED(glBindBuffer),
             SHOW_COUNTED(glBindFramebuffer),
             SHOW_COUNTED(glBindRenderbuffer),
             SHOW_COUNTED(glBindSampler),
             SHOW_COUNTED(glBindTexture),
             SHOW_COUNTED(glBindVertexArray),
             SHOW_COUNTED(glBlendEquation),
             SHOW_COUNTED(glBlendFunc),
             SHOW_COUNTED(glBlitFramebuffer),
             SHOW_COUNTED(glCheckFramebufferStatus),
             SHOW_COUNTED(glClear),
             SHOW_COUNTED(glClearColor),
             SHOW_COUNTED(glClearDepth),
             SHOW_COUNTED(glClipControl),
             SHOW_COUNTED(glColorMask),
             SHOW_COUNTED(glCompileShader),
             SHOW_COUNTED(glCreateProgram),
             SHOW_COUNTED(glCreateShader),
             SHOW_COUNTED(glCullFace),
             SHOW_COUNTED(glDeleteBuffers),
             SHOW_COUNTED(glDeleteFramebuffers),
             SHOW_COUNTED(glDeleteProgram),
             SHOW_COUNTED(glDeleteQueries),
             SHOW_COUNTED(glDeleteRenderbuffers),
             SHOW_COUNTED(glDeleteSamplers),
             SHOW_COUNTED(glDeleteShader),
             SHOW_COUNTED(glDeleteTextures),
             SHOW_COUNTED(glDeleteVertexArrays),
             SHOW_COUNTED(glDepthFunc),
             SHOW_COUNTED(glDepthMask),
             SHOW_COUNTED(glDisable),
             SHOW_COUNTED(glDrawElements),
             SHOW_COUNTED(glEnable),
             SHOW_COUNTED(glEnableVertexAttribArray),
             SHOW_COUNTED(glEndQuery),
             SHOW_COUNTED(glFinish),
             SHOW_COUNTED(glFramebufferRenderbuffer),
             SHOW_COUNTED(glFrontFace),
             SHOW_COUNTED(glGenBuffers),
             SHOW_COUNTED(glGenFramebuffers),
             SHOW_COUNTED(glGenQueries),
             SHOW_COUNTED(glGenRenderbuffers),
             SHOW_COUNTED(glGenSamplers),
             SHOW_COUNTED(glGenTextures),
             SHOW_COUNTED(glGenVertexArrays),
             SHOW_COUNTED(glGetIntegerv),
             SHOW_COUNTED(glGetProgramInfoLog),
             SHOW_COUNTED(glGetProgramiv),
             SHOW_COUNTED(glGetQueryObjectui64v),
             SHOW_COUNTED(glGetShaderInfoLog),
             SHOW_COUNTED(glGetShaderiv),
             SHOW_COUNTED(glGetTexImage),
             SHOW_COUNTED(glGetUniformLocation),
             SHOW_COUNTED(glLinkProgram),
             SHOW_COUNTED(glPixelStorei),
             SHOW_COUNTED(glPolygonMode),
             SHOW_COUNTED(glProvokingVertex),
             SHOW_COUNTED(glReadPixels),
             SHOW_COUNTED(glRenderbufferStorage),
             SHOW_COUNTED(glSamplerParameterfv),
             SHOW_COUNTED(glSamplerParameteri),
             SHOW_COUNTED(glScissor),
             SHOW_COUNTED(glShaderSource),
             SHOW_COUNTED(glTexParameteri),
             SHOW_COUNTED(glUniform1f),
             SHOW_COUNTED(glUniform1i),
             SHOW_COUNTED(glUniform3f),
             SHOW_COUNTED(glUniform3fv),
             SHOW_COUNTED(glUniform4f),
             SHOW_COUNTED(glUniform4fv),
             SHOW_COUNTED(glUniformMatrix3fv),
             SHOW_COUNTED(glUniformMatrix4fv),
             SHOW_COUNTED(glUseProgram),
             SHOW_COUNTED(glVertexAttribPointer),
             SHOW_COUNTED(glViewport),
             SHOW_COUNTED_SENDING(glBufferData, [](GLenum, GLsizeiptr size, const void*data,
                                                   GLenum) { return BufferBytes(size, data); }),
             SHOW_COUNTED_SENDING(glBufferSubData,
                                  [](GLenum, GLintptr, GLsizeiptr size, const void*data) {
                                      return BufferBytes(size, data);
                                  }),
             SHOW_COUNTED_SENDING(glTexImage2D,
                                  [](GLenum, GLint, GLint, GLsizei width, GLsizei height, GLint,
                                     GLenum format, GLenum type, const void*data) {
                                      return RectangleBytes(width, height, format, type, data);
                                  }),
             SHOW_COUNTED_SENDING(glTexSubImage2D,
                                  [](GLenum, GLint, GLint, GLint, GLsizei width, GLsizei height,
                                     GLenum format, GLenum type, const void*data) {
                                      return RectangleBytes(width, height, format, type, data);
                                  }),
             SHOW_COUNTED_SENDING(
                 glCompressedTexImage2D,
                 [](GLenum, GLint, GLenum, GLsizei, GLsizei, GLint, GLsizei size, const void*data) {
                     return data ? uint64_t(size) : uint64_t(0);
                 }),
         })
        all &= installed;
    return all;
}

} // namespace

GlTally CountedGlCalls(bool* counting) {
    static const bool installed = InstallAll();
    if (counting) *counting = installed;
    return tally - leftOut;
}

void LeaveOutOfCount(const GlTally& harness) {
    leftOut = leftOut + harness;
}

std::map<std::string, uint64_t> CountedGlCallsByName() {
    CountedGlCalls();
    std::map<std::string, uint64_t> counts;
    for (const auto& [name, count] : byName)
        if (count) counts[name] = count;
    return counts;
}
