#pragma once

#include "Sandbox.h"
#include "TarrowDriver.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace e2e {

// One Tarrow for all the tests of a suite that derives from this, for tests
// that leave it as they found it: starting Wine programs is slow. A suite
// that needs more in the sandbox, or more done once Tarrow is up, has a
// SetUpTestSuite of its own that calls Start and goes on from there.
class SharedTarrowTest : public testing::Test {
protected:
    static void SetUpTestSuite() { Start(); }

    static void TearDownTestSuite()
    {
        app_.reset();
        box_.reset();
    }

    void SetUp() override { ASSERT_TRUE(started_) << "Tarrow did not start; " << app_->describe(); }

    // A fresh sandbox, handed to prepare before Tarrow starts in it.
    static void Start(const std::function<void(Sandbox&)>& prepare = {})
    {
        box_ = std::make_unique<Sandbox>();
        if (prepare)
            prepare(*box_);
        app_ = std::make_unique<TarrowDriver>(*box_);
        started_ = box_->ready() && app_->start();
    }

    static inline std::unique_ptr<Sandbox> box_;
    static inline std::unique_ptr<TarrowDriver> app_;
    static inline bool started_ = false;
};

} // namespace e2e
