#pragma once
// How far a long read or write has come, for a window that shows it while
// the work runs on its one thread.

#include <cstdint>
#include <functional>
#include <utility>

namespace pivora {

// Hears that done of total units of one operation are done; only the ratio
// means anything. Within one operation done only grows, and it reaches
// total once the work that may still be given up is complete. The operations
// call it from their outer loops, some hundreds of times for the largest
// file and a few times for a small one, never once a line.
//
// It may throw to give the operation up: the exception leaves the operation
// as a failure at that point would, so a read leaves the molecule, and a
// save the file it replaces, as they were. What comes after the last report
// (the atoms going into the old molecule's arrays, the new file taking the
// old one's place) is not reported and cannot be given up.
using ProgressReport = std::function<void(std::uint64_t done, std::uint64_t total)>;

// One operation's report, put together from stages of their own units (the
// bytes of a pass, lines): each stage covers the share of the whole up to
// its end, so that the whole only grows. Reports when the whole has grown
// by a thousandth or more since the last report, and at each stage's end.
// Without a report it does nothing.
class ProgressMeter {
  public:
    static constexpr std::uint64_t kTotal = 1'000'000;

    explicit ProgressMeter(ProgressReport report = {}) : report_(std::move(report)) {}

    bool Active() const { return static_cast<bool>(report_); }
    // The next stage: size units take the whole from where it is to until
    // (at most kTotal). A size of 0 ends the stage at once.
    void Stage(std::uint64_t until, std::uint64_t size);
    // done units of the stage are done; more than its size count as its size.
    void At(std::uint64_t done) {
        if (report_) Reach(done);
    }
    void Advance(std::uint64_t units) { At(stageDone_ + units); }
    // Item k of first..last done, where those items stand for all of the
    // stage's: the others are worked on as fast beside them (on another
    // thread), so their share goes as theirs does.
    void AtItemOfPart(std::uint64_t k, std::uint64_t first, std::uint64_t last, std::uint64_t all) {
        At((k - first + 1) * all / (last - first + 1));
    }
    // Reports the whole as done (unless it was reported already).
    void Finish();
    // Where the current stage ends on the whole's scale (0 before any).
    std::uint64_t StageEnd() const { return until_; }

  private:
    void Reach(std::uint64_t done);

    ProgressReport report_;
    std::uint64_t from_ = 0;   // the whole where the stage began
    std::uint64_t until_ = 0;  // ... and where it ends
    std::uint64_t size_ = 0;
    std::uint64_t stageDone_ = 0;
    std::uint64_t reported_ = 0;
};

}  // namespace pivora
