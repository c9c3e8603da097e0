#pragma once

#include "platform/foundation/Clock.h"
#include "platform/foundation/RunLoop.h"
#include "platform/gtk/GtkHost.h"
#include "platform/ui/views/Application.h"

#include <gtest/gtest.h>

#include <memory>

// Where every desktop-host test starts: GTK on the display (the test is
// skipped without one), an empty run loop on the test's clock (the system
// clock unless a fixture passes its own) and a clean application. A fixture
// that sets up more returns early when IsSkipped().
class GtkDisplayTest : public ::testing::Test {
protected:
    explicit GtkDisplayTest(std::shared_ptr<Clock> clock = nullptr)
        : m_loopClock(std::move(clock))
    {
    }
    void SetUp() override
    {
        if (!GtkHost::initialize())
            GTEST_SKIP() << "no display";
        RunLoop::main().reset();
        RunLoop::main().setClock(m_loopClock);
        Application::shared().reset();
    }
    void TearDown() override
    {
        Application::shared().reset();
        RunLoop::main().reset();
        RunLoop::main().setClock(nullptr);
    }

private:
    std::shared_ptr<Clock> m_loopClock;
};
