#pragma once
// The engine's undo history: the steps done and undone, each with the state
// before and after it and the recipe lines of its commands, kept within a
// budget of bytes and of what the process can still get. Steps that fall
// off hand their lines to the recipe recorder, which keeps them.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "engine/Controls.h"
#include "engine/MemoryRoom.h"
#include "engine/PaneRecord.h"
#include "engine/RecipeRecorder.h"
#include "model/SharedVector.h"
#include "view/ViewWindow.h"

namespace pivora {

// The coordinates as a step left them; labels and the capacity change only
// with an open, which starts the history afresh. They share the table's
// arrays until the next command writes them.
struct Coordinates {
    SharedVector<double> x, y, z;
    std::size_t Bytes() const { return 3 * x.size() * sizeof(double); }
};

// What undo brings back of the engine at one moment.
struct Snapshot {
    std::uint64_t version = 0;  // of the coordinates
    std::uint64_t shape = 0;
    std::shared_ptr<const Coordinates> coords;
    ControlState controls;
    ViewWindow window;
    PaneRecord::Picture panes[3];
};

struct HistoryStep {
    std::string title;
    std::string mergeKey;
    std::vector<std::string> lines;  // the commands of this step, as recipe lines
    std::shared_ptr<const Snapshot> before;
    std::shared_ptr<const Snapshot> after;
};

class UndoHistory {
  public:
    explicit UndoHistory(RecipeRecorder& recorder) : recorder_(recorder) {}

    // At most about this many bytes of coordinates (and pane dots), 256 MB
    // unless set.
    static constexpr std::size_t kDefaultLimit = 256u << 20;
    void SetLimit(std::size_t bytes) { limit_ = bytes; }
    std::size_t Limit() const { return limit_; }
    void SetMemoryProbe(MemoryProbe probe) { probeMemory_ = std::move(probe); }

    bool CanUndo() const { return applied_ > 0; }
    bool CanRedo() const { return applied_ < steps_.size(); }
    std::size_t DoneCount() const { return applied_; }
    // The name of the step Undo or Redo would take back or do again; empty
    // when there is none.
    std::string UndoTitle() const;
    std::string RedoTitle() const;
    // The state that undoing or doing again the next step brings back; only
    // when CanUndo or CanRedo. Once it is back, Undone or Redone moves on.
    const std::shared_ptr<const Snapshot>& UndoState() const {
        return steps_[applied_ - 1]->before;
    }
    const std::shared_ptr<const Snapshot>& RedoState() const { return steps_[applied_]->after; }
    void Undone() { --applied_; }
    void Redone() { ++applied_; }

    // The last step done when no step is undone; null otherwise.
    HistoryStep* NewestDone();
    // The last step done; null when none.
    const HistoryStep* LastDone() const {
        return applied_ > 0 ? steps_[applied_ - 1].get() : nullptr;
    }
    // step becomes the last done, ending whatever was undone.
    void Push(std::unique_ptr<HistoryStep> step);
    // Forgets what was undone.
    void ForgetUndone() { steps_.resize(applied_); }
    // No memory for the history: every step goes, the commands of those
    // done (and of fresh, when it was never pushed) stay in the recipe.
    void GiveUp(const HistoryStep* fresh);

    // Bytes of coordinates (and pane dots) the steps hold.
    std::size_t Bytes() const;
    // Whether the history, given back whole if need be, and what the process
    // can spare make room for copies bytes.
    bool RoomFor(std::size_t copies) const;
    // The oldest steps fall off while there are too many, or they hold too
    // much, or the process has too little room left.
    void Trim();
    // Every step falls off: the commands of those done stay in the recipe.
    void Drop();
    // Every step goes, its commands too.
    void Clear();
    // The commands of the steps done, in order.
    std::vector<std::string> DoneLines() const;

    // The state as the last command left it, where known: the next step
    // starts from it.
    std::shared_ptr<const Snapshot> latest;

  private:
    RecipeRecorder& recorder_;
    std::deque<std::unique_ptr<HistoryStep>> steps_;
    std::size_t applied_ = 0;  // steps_[0, applied_) are done, the rest undone
    std::size_t limit_ = kDefaultLimit;
    MemoryProbe probeMemory_ = &ProbeMemoryRoom;
};

}  // namespace pivora
