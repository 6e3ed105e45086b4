#include "base/Progress.h"

#include <algorithm>

namespace pivora {
namespace {

// The least growth worth a report: a thousandth of the whole.
constexpr std::uint64_t kStep = ProgressMeter::kTotal / 1000;

}  // namespace

void ProgressMeter::Stage(std::uint64_t until, std::uint64_t size) {
    from_ = std::max(from_, until_);
    until_ = std::max(from_, std::min(until, kTotal));
    size_ = size;
    stageDone_ = 0;
    if (size == 0) At(0);
}

void ProgressMeter::Reach(std::uint64_t done) {
    stageDone_ = std::min(done, size_);
    // In 128 bits: a stage's size may be any file's size.
    const std::uint64_t whole =
        size_ == 0
            ? until_
            : from_ + static_cast<std::uint64_t>(static_cast<unsigned __int128>(until_ - from_) *
                                                 stageDone_ / size_);
    if (whole >= reported_ + kStep || (whole == until_ && whole > reported_)) {
        reported_ = whole;
        report_(whole, kTotal);
    }
}

void ProgressMeter::Finish() {
    if (report_ && reported_ < kTotal) {
        reported_ = kTotal;
        report_(kTotal, kTotal);
    }
}

}  // namespace pivora
