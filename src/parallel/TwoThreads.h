#pragma once
// Work shared by two processors: the calling thread and one more. The
// reader, the writer, the panes' atom dots and the bonds split a large
// molecule's work in two halves this way, all by the same rules.

#include <cstddef>
#include <functional>
#include <thread>

namespace pivora {

// Below this many items (lines, atoms) a second processor costs more than
// it saves.
inline constexpr std::size_t kItemsForTwoThreads = std::size_t{1} << 16;

// True when items of work are worth a second thread: at least
// kItemsForTwoThreads of them, and a second processor to run it on.
bool WorthTwoThreads(std::size_t items);

// Runs first on the calling thread and second on a new one, which starts
// with the run's arithmetic setting (InstallArithmeticSetting), and returns
// when both have ended. When no thread can be started (std::system_error),
// second runs on the calling thread after first: the work must give the
// same result in either order.
//
// Each always runs to its end, whatever the other does. An exception of
// either is rethrown here after both have ended; first's when both threw.
void RunOnTwoThreads(const std::function<void()>& first, const std::function<void()>& second);

// Starts a thread that runs work, as std::thread's constructor does; may
// throw std::system_error.
using ThreadStarter = std::function<std::thread(std::function<void()> work)>;

// While one lives, RunOnTwoThreads starts its threads through starter
// instead of std::thread, so that a test can refuse them. Not for use while
// another thread runs RunOnTwoThreads.
class ThreadStarterOverride {
  public:
    explicit ThreadStarterOverride(ThreadStarter starter);
    ~ThreadStarterOverride();
    ThreadStarterOverride(const ThreadStarterOverride&) = delete;
    ThreadStarterOverride& operator=(const ThreadStarterOverride&) = delete;

  private:
    ThreadStarter previous_;
};

}  // namespace pivora
