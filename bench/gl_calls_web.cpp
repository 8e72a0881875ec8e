// The counting layer in the browser: every method of WebGL 2's context (through which
// emscripten's OpenGL ES calls all pass) is wrapped once to count itself and the bytes it sends
// up; both the show's context and the plain program's go through the same wrappers.
#include "bench/gl_calls.h"

#include <emscripten.h>

namespace {

// clang-format off
EM_JS(int, WrapWebGl, (), {
    if (Module.glTally) return 1;
    const proto = typeof WebGL2RenderingContext === "function" && WebGL2RenderingContext.prototype;
    if (!proto) return 0;
    const tally = Module.glTally = {calls : 0, bytes : 0};
    const texel = function(format, type) {
        if (type !== 0x1401) return 4;  // anything but UNSIGNED_BYTE the programs send is 4 bytes
        return format === 0x1908 ? 4 : format === 0x1907 ? 3 : format === 0x8227 ? 2 : 1;
    };
    const view = function(data) { return data && typeof data === "object" && "byteLength" in data; };
    const sent = {
        bufferData : function(a) {
            if (!view(a[1])) return 0;
            return a.length >= 5 && a[4] ? a[4] : a[1].byteLength - (a[3] || 0);
        },
        bufferSubData : function(a) {
            if (!view(a[2])) return 0;
            return a.length >= 5 && a[4] ? a[4] : a[2].byteLength - (a[3] || 0);
        },
        texImage2D : function(a) {
            return a.length >= 9 && a[8] ? a[3] * a[4] * texel(a[6], a[7]) : 0;
        },
        texSubImage2D : function(a) {
            return a.length >= 9 && a[8] ? a[4] * a[5] * texel(a[6], a[7]) : 0;
        },
    };
    for (const name of Object.getOwnPropertyNames(proto)) {
        const descriptor = Object.getOwnPropertyDescriptor(proto, name);
        if (!descriptor || typeof descriptor.value !== "function" || name === "constructor")
            continue;
        const real = descriptor.value;
        const measure = sent[name];
        proto[name] = function() {
            ++tally.calls;
            if (measure) tally.bytes += measure(arguments);
            return real.apply(this, arguments);
        };
    }
    return 1;
});
// clang-format on

EM_JS(double, WebGlCalls, (), { return Module.glTally ? Module.glTally.calls : 0; });
EM_JS(double, WebGlBytes, (), { return Module.glTally ? Module.glTally.bytes : 0; });

// The harness's calls, not counted.
GlTally leftOut;

} // namespace

GlTally CountedGlCalls(bool* counting) {
    static const bool wrapped = WrapWebGl() != 0;
    if (counting) *counting = wrapped;
    return GlTally{uint64_t(WebGlCalls()), uint64_t(WebGlBytes())} - leftOut;
}

void LeaveOutOfCount(const GlTally& harness) {
    leftOut = leftOut + harness;
}

std::map<std::string, uint64_t> CountedGlCallsByName() {
    return {};
}
