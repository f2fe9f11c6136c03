#pragma once
// The one base of every error the system raises; messages are shown to the user as they stand.
#include <stdexcept>
#include <string>

namespace velmora {

class Exception : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace velmora
