// Recording stand-ins for the seven scenes, linked into the driver tests in place of the real
// ones. Construction, Init, Render and destruction go into the host's call trace (as
// "LogoScene Init" and so on), so they interleave with the stand-ins' calls in one order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SceneRender {
    std::string scene;
    int32_t milliseconds;
    float musicTime;
};

// Every Render since the last ResetFakeScenes, in order.
const std::vector<SceneRender>& SceneRenders();

// Makes `scene`'s Init return -1.
void FailSceneInit(const std::string& scene);

void ResetFakeScenes();
