#include "tests/app/fake_scenes.h"
#include "platform/host/test_hooks.h"
#include "scenes/music_time.h"

#include <array>
#include <utility>

namespace {

std::vector<SceneRender> renders;
std::string failingScene;

const char* const kNames[] = {"LogoScene",      "BallScene",  "BarsScene",  "GroupScene",
                              "GreetingsScene", "PhotoScene", "FinaleScene"};
constexpr size_t kScenes = sizeof kNames / sizeof kNames[0];

// Scene number `index` of the schedule, standing in for the real one.
template <size_t index> struct FakeScene {
    static void* Construct() {
        host::hooks::Trace(kNames[index], "constructed");
        return new int(static_cast<int>(index));
    }
    static int32_t Init(void*) {
        host::hooks::Trace(kNames[index], "Init");
        return failingScene == kNames[index] ? -1 : 0;
    }
    static int32_t Render(void*, int32_t milliseconds) {
        renders.push_back({kNames[index], milliseconds, musicTime});
        return 0;
    }
    static void Destroy(void* scene) {
        host::hooks::Trace(kNames[index], "destroyed");
        delete static_cast<int*>(scene);
    }
    static constexpr SceneCalls calls{&Construct, &Init, &Render, &Destroy};
};

template <size_t... index> constexpr auto FakeTable(std::index_sequence<index...>) {
    return std::array<ScheduledScene, kScenes>{
        ScheduledScene{kShowScenes[index].start, &FakeScene<index>::calls}...};
}

constexpr std::array<ScheduledScene, kScenes> kFakes =
    FakeTable(std::make_index_sequence<kScenes>());
static_assert(kScenes == kShowSchedule.count);

} // namespace

const Schedule& FakeSchedule() {
    static const Schedule schedule{kFakes.data(), kFakes.size()};
    return schedule;
}

const std::vector<std::string>& FakeSceneNames() {
    static const std::vector<std::string> names(std::begin(kNames), std::end(kNames));
    return names;
}

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
