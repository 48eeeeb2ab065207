#pragma once

#include <stdexcept>
#include <string>

namespace zr {

// An error whose text is shown to the user as it stands (UTF-8). Errors of this kind pass
// out of an operation to the window's message dispatch, which shows them in a message box.
class Error : public std::runtime_error {
  public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace zr
