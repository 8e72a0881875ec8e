// Values several scenes share.
#pragma once

#include "platform/d3d8/d3d8_types.h"

// Opaque white: a canvas's fill, a vertex colour that leaves its texture as it is, a quad drawn
// at full strength.
constexpr D3DCOLOR kWhite = 0xFFFFFFFF;

// 1 / 11.3 as a float: the grid of boxes and each of the closing clips last 11.3 s of music,
// and their clip frames are counted over that time.
constexpr float kPerElevenPointThreeSeconds = 0.088495575f;

// Half a turn as the scenes' wave formulas write it: 3.14159, not pi to full precision.
constexpr double kHalfTurn = 3.14159;
// Its twelfth and thirteenth (0.26179916666666664 and 0.24166076923076923 in double): angle
// steps both the ball's wobble and the tube's twist take per unit of their wave's argument.
constexpr double kHalfTurnOver12 = kHalfTurn / 12;
constexpr double kHalfTurnOver13 = kHalfTurn / 13;
