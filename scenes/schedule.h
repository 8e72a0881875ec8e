// The show's timeline: one table of (start, scene). Each scene is drawn from its start until the
// next one's; the last until the music reaches kShowEnd. The driver constructs, initialises,
// draws and destroys the scenes through this table alone, in its order (and tears them down in
// reverse); the scenes that time themselves from their start and the capture tool read their
// times from it.
#pragma once

#include "scenes/ball_scene.h"
#include "scenes/bars_scene.h"
#include "scenes/finale_scene.h"
#include "scenes/greetings_scene.h"
#include "scenes/group_scene.h"
#include "scenes/logo_scene.h"
#include "scenes/photo_scene.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <tuple>

// The four operations of the scene contract: construction (acquiring nothing), Init (0 or
// negative), Render (the driver's milliseconds; the result is ignored) and destruction
// (releasing what the scene holds, whether or not Init ran or succeeded).
struct SceneCalls {
    void* (*construct)();
    int32_t (*init)(void* scene);
    int32_t (*render)(void* scene, int32_t milliseconds);
    void (*destroy)(void* scene);
};

// The contract's operations of one scene class, each calling the scene through its own type.
template <class Scene> struct SceneCallsOf {
    static void* Construct() { return new Scene(); }
    static int32_t Init(void* scene) { return static_cast<Scene*>(scene)->Init(); }
    static int32_t Render(void* scene, int32_t milliseconds) {
        return static_cast<Scene*>(scene)->Render(milliseconds);
    }
    static void Destroy(void* scene) { delete static_cast<Scene*>(scene); }

    static constexpr SceneCalls calls{&Construct, &Init, &Render, &Destroy};
};

struct ScheduledScene {
    // Music time in seconds, as the single-precision float nearest the decimal: the bound the
    // 32-bit music time is compared with. The first scene's start is never compared.
    float start;
    const SceneCalls* calls;
};

struct Schedule {
    const ScheduledScene* scenes;
    size_t count;
};

// A scene and its start, typed by the scene so that its start can be looked up at compile time.
template <class Scene> struct StartingAt { float start; };

// The show's table: each scene named once, in order.
inline constexpr std::tuple kShowTimeline{
    StartingAt<LogoScene>{0.0f},       StartingAt<BallScene>{11.5f},
    StartingAt<BarsScene>{34.4f},      StartingAt<GroupScene>{45.7f},
    StartingAt<GreetingsScene>{71.2f}, StartingAt<PhotoScene>{116.2f},
    StartingAt<FinaleScene>{141.6f},
};

template <class... Scenes>
constexpr std::array<ScheduledScene, sizeof...(Scenes)>
ScheduleOf(const std::tuple<StartingAt<Scenes>...>& timeline) {
    return {ScheduledScene{std::get<StartingAt<Scenes>>(timeline).start,
                           &SceneCallsOf<Scenes>::calls}...};
}

inline constexpr auto kShowScenes = ScheduleOf(kShowTimeline);
inline constexpr Schedule kShowSchedule{kShowScenes.data(), kShowScenes.size()};

// The frame whose music time reaches this is drawn but not presented, and the run ends.
constexpr float kShowEnd = 191.0f;

// Where `Scene` starts on the show's timeline.
template <class Scene> constexpr float StartOf() {
    return std::get<StartingAt<Scene>>(kShowTimeline).start;
}

// Where the entry at `index` ends: the next one's start, or the end of the show.
constexpr float EndOf(const Schedule& schedule, size_t index) {
    return index + 1 < schedule.count ? schedule.scenes[index + 1].start : kShowEnd;
}

// The entry the music time selects: the last whose start it has reached, each bound asked as
// "at least the start?", so a time that is not a number selects the first.
size_t SceneAt(const Schedule& schedule, float musicTime);

// True once the music time has reached the end: that frame is drawn but not presented.
inline bool ShowIsOver(float musicTime) {
    return musicTime >= kShowEnd;
}
