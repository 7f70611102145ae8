// A command line that cannot be followed: reported with a hint to --help and
// exit status 2.
#pragma once

#include <stdexcept>

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
