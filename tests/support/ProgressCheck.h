#pragma once
// What a progress report heard, and the check that it only grew and reached
// the whole.

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "base/Progress.h"

namespace pivora::test {

using Reports = std::vector<std::pair<std::uint64_t, std::uint64_t>>;

// A report that keeps every (done, total) it hears in reports.
inline ProgressReport Recorder(Reports& reports) {
    return
        [&reports](std::uint64_t done, std::uint64_t total) { reports.emplace_back(done, total); };
}

// Every report of the same total, growing, and the last one the whole.
inline void ExpectGrowingToWhole(const Reports& reports) {
    ASSERT_FALSE(reports.empty());
    for (std::size_t i = 0; i < reports.size(); ++i) {
        EXPECT_EQ(reports[i].second, ProgressMeter::kTotal);
        if (i > 0) {
            EXPECT_GT(reports[i].first, reports[i - 1].first) << "report " << i;
        }
    }
    EXPECT_EQ(reports.back().first, ProgressMeter::kTotal);
}

}  // namespace pivora::test
