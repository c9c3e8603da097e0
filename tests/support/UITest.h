#pragma once

#include "platform/ui/layers/AnimationEngine.h"
#include "platform/ui/views/Application.h"
#include "platform/ui/views/Screen.h"
#include "tests/support/RunLoopFixture.h"

// A manual clock plus a clean application: no windows, no hooks, scale 1.
class UITest : public RunLoopFixture {
protected:
    void SetUp() override
    {
        RunLoopFixture::SetUp();
        Application::shared().reset();
        AnimationEngine::shared().reset();
        Screen::mainScreen().setScale(1);
    }
    void TearDown() override
    {
        Application::shared().reset();
        AnimationEngine::shared().reset();
        RunLoopFixture::TearDown();
    }
    void settle() { loop().runUntilIdle(); }
};
