#pragma once
// The errors of drawing one bitmap onto another: a missing bitmap, and a source rectangle that does
// not lie inside its bitmap.
#include "core/exception.h"

namespace velmora {

class EBitmapException : public Exception {
public:
    using Exception::Exception;
};

class ESrcInvalidException : public Exception {
public:
    using Exception::Exception;
};

}  // namespace velmora
