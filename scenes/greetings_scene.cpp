#include "scenes/greetings_scene.h"

GreetingsScene::GreetingsScene() : initialised(false) {}

GreetingsScene::~GreetingsScene() = default;

int32_t GreetingsScene::Init() {
    initialised = true;
    return 0;
}

int32_t GreetingsScene::Render(int32_t /*milliseconds*/) {
    return 0;
}
