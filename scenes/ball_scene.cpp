#include "scenes/ball_scene.h"

BallScene::BallScene() : initialised(false) {}

BallScene::~BallScene() = default;

int32_t BallScene::Init() {
    initialised = true;
    return 0;
}

int32_t BallScene::Render(int32_t /*milliseconds*/) {
    return 0;
}
