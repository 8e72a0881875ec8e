#include "tools/capture/plan.h"
#include "scenes/schedule.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>

std::vector<double> SheetTimes() {
    std::vector<double> times;
    const auto at = [](size_t scene, double fraction) {
        const double start = kShowSchedule.scenes[scene].start;
        const double end = EndOf(kShowSchedule, scene);
        return std::round((start + (end - start) * fraction) * 10) / 10;
    };
    for (size_t scene = 0; scene < kShowSchedule.count; ++scene)
        times.push_back(at(scene, 1.0 / 3));
    times.push_back(at(kShowSchedule.count - 1, 2.0 / 3));
    return times;
}

std::vector<Shot> PlanShots(const CaptureOptions& o) {
    std::map<double, Shot> shots;
    double last = 0;
    if (!o.video.empty() || !o.frameHashes.empty()) last = o.to;
    for (double still : o.stills)
        last = std::max(last, still);
    const std::vector<double> sheetTimes = o.sheet.empty() ? std::vector<double>() : SheetTimes();
    for (double t : sheetTimes)
        last = std::max(last, t);
    for (int64_t n = 0; double(n) / o.fps < last; ++n) {
        const double t = double(n) / o.fps;
        const bool inSpan = t >= o.from - 1e-9 && t < o.to - 1e-9;
        shots[t] =
            Shot{t, !o.video.empty() && inSpan, false, false, !o.frameHashes.empty() && inSpan};
    }
    for (double still : o.stills) {
        Shot& shot = shots.try_emplace(still, Shot{still, false, false, false}).first->second;
        shot.still = true;
    }
    for (double t : sheetTimes) {
        Shot& shot = shots.try_emplace(t, Shot{t, false, false, false}).first->second;
        shot.sheet = true;
    }
    std::vector<Shot> plan;
    for (const auto& entry : shots)
        plan.push_back(entry.second);
    return plan;
}
