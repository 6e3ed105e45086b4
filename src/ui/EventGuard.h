#pragma once
// The one place where failures end: every event that Qt delivers to a
// handler runs inside Guarded. Handlers run by the program itself (a handler
// setting a control) are plain calls, so their failures unwind through the
// handler that made them up to the guard of the event that started it all.
//
// The guard knows nothing of how a failure is shown: start-up gives it its
// reporter (the error box, ErrorBox.h).

#include <exception>

namespace pivora {

// Shows one failure to the user; must not throw.
using FailureReporter = void (*)(const std::exception& failure) noexcept;
void SetFailureReporter(FailureReporter reporter);

// Hands failure to the reporter; without one, says it on standard error.
// Never throws.
void ReportFailure(const std::exception& failure) noexcept;

// Runs handler; a failure ends it and is reported. Exceptions never leave
// this function, so it is safe to call from Qt's event code.
template <typename Handler>
void Guarded(Handler&& handler) noexcept {
    try {
        handler();
    } catch (const std::exception& failure) {
        ReportFailure(failure);
    }
}

}  // namespace pivora
