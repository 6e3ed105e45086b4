#include "ui/EventGuard.h"

#include <unistd.h>

#include <cstring>

namespace pivora {
namespace {

FailureReporter g_reporter = nullptr;

}  // namespace

void SetFailureReporter(FailureReporter reporter) {
    g_reporter = reporter;
}

void ReportFailure(const std::exception& failure) noexcept {
    if (g_reporter) {
        g_reporter(failure);
        return;
    }
    static const char kPrefix[] = "Pivora: ";
    const char* what = failure.what();
    (void)!::write(STDERR_FILENO, kPrefix, sizeof kPrefix - 1);
    (void)!::write(STDERR_FILENO, what, std::strlen(what));
    (void)!::write(STDERR_FILENO, "\n", 1);
}

}  // namespace pivora
