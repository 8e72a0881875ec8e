#include "scenes/lighting.h"
#include "fx/draw_settings.h"

void UseOneWhiteLight() {
    ResetDrawSettings();
    drawSettings.lighting = true;
    drawSettings.lightCount = 1;
    drawSettings.ambient = 0;
    drawSettings.material.SetDefaults();
    drawSettings.material.SetDiffuse(0.2f, 0.2f, 0.2f, 0.2f);
    drawSettings.lights[0].SetDefaults();
}
