#include "parallel/TwoThreads.h"

#include <exception>
#include <optional>
#include <system_error>
#include <utility>

#include "numeric/Extended.h"

namespace pivora {
namespace {

// Empty: std::thread itself.
ThreadStarter& Starter() {
    static ThreadStarter starter;
    return starter;
}

}  // namespace

bool WorthTwoThreads(std::size_t items) {
    return items >= kItemsForTwoThreads && std::thread::hardware_concurrency() > 1;
}

void RunOnTwoThreads(const std::function<void()>& first, const std::function<void()>& second) {
    std::exception_ptr failed[2];
    const auto attempt = [&failed](const std::function<void()>& work, int k) {
        try {
            work();
        } catch (...) {
            failed[k] = std::current_exception();
        }
    };
    std::function<void()> worker = [&] {
        // The same arithmetic on this thread as on the caller's.
        InstallArithmeticSetting();
        attempt(second, 1);
    };
    std::optional<std::thread> thread;
    try {
        thread.emplace(Starter() ? Starter()(worker) : std::thread(worker));
    } catch (const std::system_error&) {
        // No thread to be had: the work in turn on this one.
    }
    attempt(first, 0);
    if (thread) {
        thread->join();
    } else {
        attempt(second, 1);
    }
    for (const std::exception_ptr& failure : failed) {
        if (failure) std::rethrow_exception(failure);
    }
}

ThreadStarterOverride::ThreadStarterOverride(ThreadStarter starter)
    : previous_(std::exchange(Starter(), std::move(starter))) {}

ThreadStarterOverride::~ThreadStarterOverride() {
    Starter() = std::move(previous_);
}

}  // namespace pivora
