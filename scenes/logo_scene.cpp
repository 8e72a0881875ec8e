#include "scenes/logo_scene.h"

LogoScene::LogoScene() : initialised(false) {}

LogoScene::~LogoScene() = default;

int32_t LogoScene::Init() {
    initialised = true;
    return 0;
}

int32_t LogoScene::Render(int32_t /*milliseconds*/) {
    return 0;
}
