#include "tests/app/fake_scenes.h"
#include "platform/host/test_hooks.h"
#include "scenes/ball_scene.h"
#include "scenes/bars_scene.h"
#include "scenes/finale_scene.h"
#include "scenes/greetings_scene.h"
#include "scenes/group_scene.h"
#include "scenes/logo_scene.h"
#include "scenes/music_time.h"
#include "scenes/photo_scene.h"

namespace {

std::vector<SceneRender> renders;
std::string failingScene;

int32_t Init(const char* scene) {
    host::hooks::Trace(scene, "Init");
    return failingScene == scene ? -1 : 0;
}

} // namespace

const std::vector<SceneRender>& SceneRenders() {
    return renders;
}
void FailSceneInit(const std::string& scene) {
    failingScene = scene;
}
void ResetFakeScenes() {
    renders.clear();
    failingScene.clear();
}

#define FAKE_SCENE(Name)                                                                           \
    Name::Name() : initialised(false) {                                                            \
        host::hooks::Trace(#Name, "constructed");                                                  \
    }                                                                                              \
    Name::~Name() {                                                                                \
        host::hooks::Trace(#Name, "destroyed");                                                    \
    }                                                                                              \
    int32_t Name::Init() {                                                                         \
        const int32_t result = ::Init(#Name);                                                      \
        initialised = result == 0;                                                                 \
        return result;                                                                             \
    }                                                                                              \
    int32_t Name::Render(int32_t milliseconds) {                                                   \
        renders.push_back({#Name, milliseconds, musicTime});                                       \
        return 0;                                                                                  \
    }

FAKE_SCENE(LogoScene)
FAKE_SCENE(BallScene)
FAKE_SCENE(BarsScene)
FAKE_SCENE(GroupScene)
FAKE_SCENE(GreetingsScene)
FAKE_SCENE(PhotoScene)
FAKE_SCENE(FinaleScene)
