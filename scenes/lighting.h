// The light the lit scenes share: one white directional light along +z on a dark material.
#pragma once

// Resets the draw settings, then turns lighting on with light 0 white along +z (no specular),
// no ambient light, and the material at its defaults with a diffuse of 0.2. With lighting on the
// vertex colours stand in for the material's diffuse, so only where a vertex has none does the
// 0.2 show.
void UseOneWhiteLight();
