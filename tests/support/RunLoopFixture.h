#pragma once

#include "platform/foundation/ManualClock.h"
#include "platform/foundation/RunLoop.h"

#include <gtest/gtest.h>
#include <memory>

// Installs a manual clock on the main run loop for one test and forgets every
// timer and posted task afterwards, so cases cannot leak time into each other.
class RunLoopFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        clock = std::make_shared<ManualClock>();
        RunLoop::main().reset();
        RunLoop::main().setClock(clock);
    }
    void TearDown() override
    {
        RunLoop::main().runUntilIdle();
        RunLoop::main().reset();
        RunLoop::main().setClock(nullptr);
    }

    RunLoop& loop() { return RunLoop::main(); }
    void advance(double seconds) { RunLoop::main().advance(seconds); }

    std::shared_ptr<ManualClock> clock;
};
