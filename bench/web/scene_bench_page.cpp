// The scene benchmark in a page: each scene through the show's code against the plain program,
// both compiled for WebGL 2, on the same recorded frames, checked frame by frame before and
// after timing (bench/scene_comparison.h). The page (index.html) asks for one scene at a time
// and prints each result as a line of JSON for the runner (run.js).
#include "bench/bench_device.h"
#include "bench/scene_comparison.h"

#include <emscripten.h>

#include <cstdio>
#include <string>

extern "C" EMSCRIPTEN_KEEPALIVE int SceneCountForPage() {
    return int(kSceneSpanCount);
}

// Scene `index` over `frames` frames in `rounds` rounds, as one line of JSON: its name and its
// figures, or the reason it could not be compared. The text lives until the next call.
extern "C" EMSCRIPTEN_KEEPALIVE const char* CompareSceneForPage(int index, int frames, int rounds) {
    static std::string result;
    const std::string name =
        index >= 0 && size_t(index) < kSceneSpanCount ? kSceneSpans[index].name : "none";
    BenchDevice device;
    const Comparison compared = device.ready
                                    ? CompareScene(size_t(index), device.renderer, frames, rounds)
                                    : Comparison{"no WebGL 2 device", {}};
    result = "{\"scene\": \"" + name + "\"";
    if (!compared.error.empty()) {
        std::string error;
        for (char c : compared.error)
            error += c == '"' || c == '\\' ? std::string("\\") + c : std::string(1, c);
        result += ", \"error\": \"" + error + "\"";
    }
    for (const auto& [counter, value] : compared.counters) {
        char number[64];
        std::snprintf(number, sizeof number, "%.6g", value);
        result += ", \"" + counter + "\": " + number;
    }
    result += "}";
    return result.c_str();
}
