#pragma once

#include "platform/foundation/RunLoop.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

// A fixture that owns one TestEnvironment with the traits its subclass asks
// for, and reaches the main run loop and its manual clock.
class EnvironmentTest : public ::testing::Test {
protected:
    explicit EnvironmentTest(TestEnvironment::Traits traits)
        : environment(traits)
    {
    }

    void TearDown() override { environment.finishTest(); }

    RunLoop& loop() { return RunLoop::main(); }
    void advance(double seconds) { RunLoop::main().advance(seconds); }

    TestEnvironment environment;
    const std::shared_ptr<ManualClock> clock { environment.clock() };
};
