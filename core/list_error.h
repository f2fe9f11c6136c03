#pragma once
// The error of an index outside a list, for every list of the system: "List index out of bounds (n)".
#include <string>

#include "core/exception.h"

namespace velmora {

class EListError : public Exception {
public:
    explicit EListError(long long index) : Exception("List index out of bounds (" + std::to_string(index) + ")") {}
};

}  // namespace velmora
