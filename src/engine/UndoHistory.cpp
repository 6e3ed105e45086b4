#include "engine/UndoHistory.h"

#include <set>

namespace pivora {

namespace {

constexpr std::size_t kMostSteps = 1000;

}  // namespace

std::string UndoHistory::UndoTitle() const {
    return CanUndo() ? steps_[applied_ - 1]->title : std::string();
}

std::string UndoHistory::RedoTitle() const {
    return CanRedo() ? steps_[applied_]->title : std::string();
}

HistoryStep* UndoHistory::NewestDone() {
    return applied_ > 0 && applied_ == steps_.size() ? steps_.back().get() : nullptr;
}

void UndoHistory::Push(std::unique_ptr<HistoryStep> step) {
    steps_.resize(applied_);
    steps_.push_back(std::move(step));
    ++applied_;
}

void UndoHistory::GiveUp(const HistoryStep* fresh) {
    if (fresh) recorder_.Keep(fresh->lines);
    steps_.resize(applied_);
    for (const auto& kept : steps_) recorder_.Keep(kept->lines);
    steps_.clear();
    applied_ = 0;
    latest.reset();
}

std::size_t UndoHistory::Bytes() const {
    // The atoms shown in the panes count too: up to three dots lists of a
    // pane's pixels for each step.
    std::set<const Coordinates*> seen;
    std::set<const void*> seenDots;
    std::size_t total = 0;
    for (const auto& step : steps_) {
        for (const auto* snapshot : {step->before.get(), step->after.get()}) {
            if (!snapshot) continue;
            if (seen.insert(snapshot->coords.get()).second) total += snapshot->coords->Bytes();
            for (const auto& pane : snapshot->panes) total += PaneRecord::DotBytes(pane, seenDots);
        }
    }
    return total;
}

bool UndoHistory::RoomFor(std::size_t copies) const {
    const std::int64_t spare = SpareMemory(probeMemory_());
    const std::uint64_t held = Bytes();
    if (spare >= 0) return static_cast<std::uint64_t>(spare) + held >= copies;
    // Short of the margin already: what the history gives back must cover
    // the shortfall and the copies.
    const std::uint64_t shortfall = static_cast<std::uint64_t>(-(spare + 1)) + 1;
    return held >= copies && held - copies >= shortfall;
}

void UndoHistory::Trim() {
    // The process's room is measured again after each step that goes: what
    // a step gives back depends on what the others share with it.
    while (!steps_.empty() && applied_ > 0 &&
           (steps_.size() > kMostSteps || Bytes() > limit_ || SpareMemory(probeMemory_()) < 0)) {
        recorder_.Keep(steps_.front()->lines);
        steps_.pop_front();
        --applied_;
    }
}

void UndoHistory::Drop() {
    for (std::size_t i = 0; i < applied_; ++i) recorder_.Keep(steps_[i]->lines);
    Clear();
}

void UndoHistory::Clear() {
    steps_.clear();
    applied_ = 0;
    latest.reset();
}

std::vector<std::string> UndoHistory::DoneLines() const {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < applied_; ++i) {
        lines.insert(lines.end(), steps_[i]->lines.begin(), steps_[i]->lines.end());
    }
    return lines;
}

}  // namespace pivora
