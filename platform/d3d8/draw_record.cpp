#include "platform/d3d8/draw_record.h"

#include <utility>

#if !SHOW_TEST_CONTROLS
#error "draw recording belongs to the tests' build of the platform only"
#endif

namespace {

std::function<void(const DrawRecord&)>& Recorder() {
    static std::function<void(const DrawRecord&)> recorder;
    return recorder;
}
bool skipDrawing = false;

} // namespace

void RecordDraws(std::function<void(const DrawRecord&)> recorder) {
    Recorder() = std::move(recorder);
}

void SkipDrawing(bool skip) {
    skipDrawing = skip;
}

bool DrawsRecorded() {
    return bool(Recorder());
}

void RecordDraw(const DrawRecord& record) {
    Recorder()(record);
}

bool DrawingSkipped() {
    return skipDrawing;
}
