// A question asked with a deadline: its own answer when it gives one in time, a no otherwise.

#include "ui/answer_within.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <stdexcept>
#include <thread>

namespace zr::ui {
namespace {

using namespace std::chrono_literals;

TEST(AnswerWithin, IsTheQuestionsOwnAnswerWhenItComesInTime) {
    EXPECT_TRUE(AnswerWithin([] { return true; }, 30s));
    EXPECT_FALSE(AnswerWithin([] { return false; }, 30s));
    EXPECT_FALSE(AnswerWithin([]() -> bool { throw std::runtime_error("no network"); }, 30s));
    EXPECT_TRUE(AnswerWithin(
        [] {
            std::this_thread::sleep_for(100ms);
            return true;
        },
        30s));
}

TEST(AnswerWithin, IsNoOnceTheDeadlineHasPassedWhileTheQuestionStillHangs) {
    std::promise<void> gate;  // opened at the end, so that the question's thread ends too
    const auto start = std::chrono::steady_clock::now();
    const bool answer = AnswerWithin(
        [opened = gate.get_future().share()] {
            opened.wait();
            return true;
        },
        300ms);
    const auto waited = std::chrono::steady_clock::now() - start;
    gate.set_value();
    EXPECT_FALSE(answer);
    EXPECT_GE(waited, 300ms);
    EXPECT_LT(waited, 10s) << "the deadline did not hold";
}

}  // namespace
}  // namespace zr::ui
