#pragma once

#include <string>

namespace zr::test {

// The decimal separator of the user's number settings, changed for the life of the object: on
// Windows the user's own setting (as the control panel sets it, so programs started meanwhile
// see it too), on POSIX the C library's numeric locale (de_DE.UTF-8 for ",", which
// scripts/setup.sh builds into its cache, or found through LOCPATH). Check IsSet().
class UserDecimalSeparator {
  public:
    explicit UserDecimalSeparator(const std::string& separator);
    ~UserDecimalSeparator();
    UserDecimalSeparator(const UserDecimalSeparator&) = delete;
    UserDecimalSeparator& operator=(const UserDecimalSeparator&) = delete;

    bool IsSet() const { return set_; }

  private:
    std::string saved_;
    bool set_ = false;
};

}  // namespace zr::test
