#pragma once
// Calls that could wait forever, on a FIFO or a device: each runs in a child
// process under an alarm, so that a hang fails the test instead of blocking
// the suite. And the files that make a blocking open or read wait.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "support/TempDir.h"

namespace pivora::test {

// The body of ExpectPromptly's child process.
[[noreturn]] inline void RunAndExit(const std::function<bool()>& check) {
    ::alarm(10);
#ifndef __SANITIZE_ADDRESS__  // which reserves terabytes of address space
    const rlimit gigabyte{1L << 30, 1L << 30};
    ::setrlimit(RLIMIT_AS, &gigabyte);
#endif
    bool passed = false;
    try {
        passed = check();
    } catch (...) {
    }
    std::_Exit(passed ? 0 : 1);
}

// Runs check in a child process that gets 10 seconds and a gigabyte, so
// that a call that would wait or read forever fails the test instead of
// hanging it. Passes when check returns true.
inline void ExpectPromptly(const std::function<bool()>& check) {
    EXPECT_EXIT(RunAndExit(check), ::testing::ExitedWithCode(0), "");
}

// A file whose blocking open or read waits: a FIFO without a writer, or a
// device that waits for input (a pty master, the kernel log, the console).
struct HangingCase {
    const char* name;
    const char* device;      // nullptr: a FIFO made in the test's folder
    const char* detailWord;  // what the refusal's detail calls it
};

inline const HangingCase kHangingCases[] = {
    {"fifo", nullptr, "FIFO"},
    {"ptmx", "/dev/ptmx", "character device"},
    {"kmsg", "/dev/kmsg", "character device"},
    {"console", "/dev/console", "character device"},
};

// The path of c: the FIFO made in dir, or the device; "" when this system
// has no such device (or no FIFO can be made), with why in reason.
inline std::string HangingPath(const HangingCase& c, const TempDir& dir, std::string& reason) {
    if (c.device == nullptr) {
        const std::string fifo = dir.File("waits.xyz");
        if (::mkfifo(fifo.c_str(), 0666) == 0) return fifo;
        reason = "no FIFO can be made here";
        return {};
    }
    struct stat st;
    if (::stat(c.device, &st) != 0 || !S_ISCHR(st.st_mode)) {
        reason = std::string("this system has no ") + c.device;
        return {};
    }
    return c.device;
}

}  // namespace pivora::test
