#include "engine/RecipeRecorder.h"

#include "base/Error.h"
#include "engine/FailureTexts.h"

namespace pivora {

void RecipeRecorder::Record(const RecipeCommand& command) {
    if (target_) target_->push_back(FormatCommand(command));
}

void RecipeRecorder::DropLastLineStartingWith(std::string_view prefix) {
    if (target_ && !target_->empty() && target_->back().starts_with(prefix)) target_->pop_back();
}

void RecipeRecorder::Keep(const std::vector<std::string>& lines) {
    kept_.insert(kept_.end(), lines.begin(), lines.end());
}

void RecipeRecorder::StartOver() {
    kept_.clear();
    openedWith_.clear();
}

std::string RecipeRecorder::Text(char separator, const std::vector<std::string>& done) const {
    std::vector<std::string> lines;
    if (separator != '.') {
        RecipeCommand line;
        line.kind = RecipeCommand::Kind::DecimalSeparator;
        line.text = std::string(1, separator);
        lines.push_back(FormatCommand(line));
    }
    if (!openedWith_.empty()) {
        lines.push_back("# the boxes as they stood when the file was opened");
        lines.insert(lines.end(), openedWith_.begin(), openedWith_.end());
        lines.push_back("# the commands");
    } else {
        // Nothing was opened: the boxes are those of a new window, whose
        // fits act on Vector1.
        lines.push_back("use vector1");
    }
    lines.insert(lines.end(), kept_.begin(), kept_.end());
    lines.insert(lines.end(), done.begin(), done.end());
    for (const std::string& line : lines) {
        if (line.find_first_of("\r\n") != std::string::npos) {
            throw Error(ErrorKind::Recipe, failure_text::kLineBreakInRecipe);
        }
    }
    return FormatRecipe(lines);
}

}  // namespace pivora
