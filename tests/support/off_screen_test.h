// Base fixture for tests that run stand-ins: the off-screen host with clean test controls.
#pragma once

#include "platform/host/host.h"
#include "platform/testing/test_controls.h"

#include <gtest/gtest.h>

class OffScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        host::test::Reset();
        host::UseOffScreen(nullptr);
    }
    void TearDown() override { host::test::Reset(); }
};
