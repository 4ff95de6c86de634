// The error type every layer raises: an exception carrying the program's own
// message text, shown to the user as it stands. It lives below every other
// layer so that the window components can raise and catch it without the
// cipher library.
#pragma once

#include <stdexcept>

namespace tarnex {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace tarnex
