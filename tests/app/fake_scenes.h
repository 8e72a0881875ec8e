// A schedule of recording stand-ins for the seven scenes, at the show's own times, for the driver
// tests. Construction, Init, Render and destruction go into the host's call trace (as "LogoScene
// Init" and so on), so they interleave with the stand-ins' calls in one order.
#pragma once

#include "scenes/schedule.h"

#include <cstdint>
#include <string>
#include <vector>

struct SceneRender {
    std::string scene;
    int32_t milliseconds;
    float musicTime;
};

// The show's schedule with each scene replaced by its recording stand-in.
const Schedule& FakeSchedule();

// The stand-ins' names in schedule order ("LogoScene" ... "FinaleScene").
const std::vector<std::string>& FakeSceneNames();

// Every Render since the last ResetFakeScenes, in order.
const std::vector<SceneRender>& SceneRenders();

// Makes `scene`'s Init return -1.
void FailSceneInit(const std::string& scene);

void ResetFakeScenes();
