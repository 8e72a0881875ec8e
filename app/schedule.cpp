#include "app/schedule.h"

ScheduledScene SceneAt(float t) {
    // Each test asks "at least the bound?", so NaN falls through to the first scene.
    if (!(t >= kBallSceneStart)) return ScheduledScene::Logo;
    if (!(t >= kBarsSceneStart)) return ScheduledScene::Ball;
    if (!(t >= kGroupSceneStart)) return ScheduledScene::Bars;
    if (!(t >= kGreetingsSceneStart)) return ScheduledScene::Group;
    if (!(t >= kPhotoSceneStart)) return ScheduledScene::Greetings;
    if (!(t >= kFinaleSceneStart)) return ScheduledScene::Photo;
    return ScheduledScene::Finale;
}
