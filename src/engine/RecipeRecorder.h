#pragma once
// The recipe of a session: the commands the user gave since the last open,
// as recipe lines (Recipe.h). The lines of a command go into its undo step,
// so that undoing the step takes them off the recipe; those of steps that
// fell off the history, or that had none, stay for good.

#include <string>
#include <string_view>
#include <vector>

#include "engine/Recipe.h"

namespace pivora {

class RecipeRecorder {
  public:
    // Where the commands of the running step go; null between steps, when
    // nothing is recorded.
    void RecordInto(std::vector<std::string>* lines) { target_ = lines; }
    std::vector<std::string>* Target() const { return target_; }
    void Record(const RecipeCommand& command);
    // Takes the last line of the running step off when it starts with
    // prefix: typing in one box records only its last text.
    void DropLastLineStartingWith(std::string_view prefix);

    // The lines that stay whatever is undone.
    std::vector<std::string>* KeptLines() { return &kept_; }
    void Keep(const std::vector<std::string>& lines);

    // After an open: nothing recorded, and the boxes as the open left them,
    // as commands, head the recipe.
    void StartOver();
    void SetOpenedWith(std::vector<std::string> lines) { openedWith_ = std::move(lines); }

    // The recipe: a decimal-separator line where separator is not the full
    // stop, the boxes as the open left them (or "use vector1" with nothing
    // opened), the kept lines, then done (the lines of the steps done).
    // Throws Error(ErrorKind::Recipe) when a line holds a line break.
    std::string Text(char separator, const std::vector<std::string>& done) const;

    // The decimal separator of the texts of the recipe being run; 0 where
    // the recipe said none.
    char runSeparator = 0;

  private:
    std::vector<std::string>* target_ = nullptr;
    std::vector<std::string> kept_;        // commands of steps that fell off
    std::vector<std::string> openedWith_;  // the boxes at the open, as commands
};

}  // namespace pivora
