#include "ui/answer_within.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace zr::ui {

namespace {

// Shared by the asker and the thread: whichever leaves last frees it.
struct Answer {
    std::mutex mutex;
    std::condition_variable given;
    std::optional<bool> value;
};

}  // namespace

bool AnswerWithin(std::function<bool()> question, std::chrono::milliseconds deadline) {
    auto answer = std::make_shared<Answer>();
    try {
        std::thread([answer, question = std::move(question)] {
            bool yes = false;
            try {
                yes = question();
            } catch (...) {
                // A question that failed has no yes for an answer.
            }
            std::lock_guard lock(answer->mutex);
            answer->value = yes;
            answer->given.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        return false;
    }
    std::unique_lock lock(answer->mutex);
    answer->given.wait_for(lock, deadline, [&] { return answer->value.has_value(); });
    return answer->value.value_or(false);
}

}  // namespace zr::ui
