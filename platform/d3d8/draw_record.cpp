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

} // namespace

void RecordDraws(std::function<void(const DrawRecord&)> recorder) {
    Recorder() = std::move(recorder);
}

bool DrawsRecorded() {
    return bool(Recorder());
}

void RecordDraw(const DrawRecord& record) {
    Recorder()(record);
}
