#pragma once
// Errors raised where no caller can take them, such as by a handler that runs while a layer is being
// destroyed: a destructor must not let an exception out. The application installs a reporter that
// shows them as it shows any handler's error; without one they are dropped.
#include <exception>
#include <functional>
#include <string>
#include <utility>

namespace velmora {

using TUnhandledErrorReporter = std::function<void(const std::string& message)>;

inline TUnhandledErrorReporter& UnhandledErrorReporter() {
    static TUnhandledErrorReporter reporter;
    return reporter;
}

// Installs reporter and returns the one it replaces.
inline TUnhandledErrorReporter SetUnhandledErrorReporter(TUnhandledErrorReporter reporter) {
    return std::exchange(UnhandledErrorReporter(), std::move(reporter));
}

// Hands the exception being handled to the reporter; never throws. Call it from a catch block.
inline void ReportUnhandledError() noexcept {
    try {
        std::string message = "Unknown error";
        try {
            throw;
        } catch (const std::exception& e) {
            message = e.what();
        } catch (...) {
        }
        if (const TUnhandledErrorReporter& reporter = UnhandledErrorReporter()) reporter(message);
    } catch (...) {
        // A reporter that fails has nowhere left to report to.
    }
}

}  // namespace velmora
