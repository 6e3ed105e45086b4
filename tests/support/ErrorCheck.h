#pragma once
// Checking the Error that a call throws. Failures name the caller's line.

#include <gtest/gtest.h>

#include <optional>
#include <source_location>
#include <string_view>

#include "base/Error.h"

namespace pivora::test {

template <typename F>
std::optional<Error> CaughtError(F&& call) {
    try {
        call();
    } catch (const Error& e) {
        return e;
    }
    return std::nullopt;
}

// The error that call throws; a test failure, and an empty error of kind
// Index, when it throws none.
template <typename F>
Error ErrorOf(F&& call, std::source_location where = std::source_location::current()) {
    if (std::optional<Error> e = CaughtError(call)) return *e;
    ADD_FAILURE_AT(where.file_name(), where.line()) << "expected an Error";
    return Error(ErrorKind::Index, "");
}

// Checks that call throws an Error of kind with exactly message, and returns
// it, for a look at its errno and detail.
template <typename F>
Error ExpectError(F&& call, ErrorKind kind, std::string_view message,
                  std::source_location where = std::source_location::current()) {
    const std::optional<Error> e = CaughtError(call);
    if (!e) {
        ADD_FAILURE_AT(where.file_name(), where.line()) << "expected an Error: " << message;
        return Error(ErrorKind::Index, "");
    }
    ::testing::ScopedTrace trace(where.file_name(), static_cast<int>(where.line()), "here");
    EXPECT_EQ(e->Kind(), kind);
    EXPECT_EQ(e->Message(), message);
    return *e;
}

}  // namespace pivora::test
