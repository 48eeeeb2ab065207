#pragma once

// A yes/no question that may hang (a connection to a host that drops packets waits about 21 s
// an address on Windows) asked with a deadline of the caller's own: the question runs on a
// thread of its own, and an answer that has not come by the deadline counts as a no. The thread
// is left to finish or to end with the process; nothing waits for it.

#include <chrono>
#include <functional>

namespace zr::ui {

// question's answer if it gives one within deadline; false otherwise, and when it throws or no
// thread can be started for it.
bool AnswerWithin(std::function<bool()> question, std::chrono::milliseconds deadline);

}  // namespace zr::ui
