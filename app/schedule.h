// Which scene the music time selects, and when the show is over.
#pragma once

enum class ScheduledScene { Logo, Ball, Bars, Group, Greetings, Photo, Finale };

// Each bound is the single-precision float nearest the decimal, compared with the
// single-precision music time; lower bounds are inclusive. A time that is not a number lies
// below every bound.
constexpr float kBallSceneStart = 11.5f;
constexpr float kBarsSceneStart = 34.4f;
constexpr float kGroupSceneStart = 45.7f;
constexpr float kGreetingsSceneStart = 71.2f;
constexpr float kPhotoSceneStart = 116.2f;
constexpr float kFinaleSceneStart = 141.6f;
constexpr float kShowEnd = 191.0f;

ScheduledScene SceneAt(float musicTime);

// True once the music time has reached the end: that frame is drawn but not presented.
inline bool ShowIsOver(float musicTime) {
    return musicTime >= kShowEnd;
}
