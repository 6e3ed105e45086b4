#include "engine/Recipe.h"

#include <charconv>
#include <optional>

#include "base/Error.h"
#include "files/FileIo.h"

namespace pivora {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The words of a line, and where the rest of the line begins after each.
class Words {
  public:
    explicit Words(std::string_view line) : line_(line) {}

    // The next word, or nothing at the end of the line.
    std::optional<std::string_view> Next() {
        while (pos_ < line_.size() && IsBlank(line_[pos_])) ++pos_;
        if (pos_ == line_.size()) return std::nullopt;
        const std::size_t start = pos_;
        while (pos_ < line_.size() && !IsBlank(line_[pos_])) ++pos_;
        return line_.substr(start, pos_ - start);
    }
    // Everything after the one blank that follows the last word.
    std::string_view Rest() const {
        const std::size_t start = pos_ < line_.size() ? pos_ + 1 : pos_;
        return line_.substr(start);
    }
    bool AtEnd() {
        while (pos_ < line_.size() && IsBlank(line_[pos_])) ++pos_;
        return pos_ == line_.size();
    }

  private:
    std::string_view line_;
    std::size_t pos_ = 0;
};

// Lines between two reports of a long recipe's reading: a power of two.
constexpr int kLinesPerReport = 1 << 14;

[[noreturn]] void Fail(int line, const std::string& what) {
    throw Error(ErrorKind::Recipe, "Recipe line " + std::to_string(line) + ": " + what);
}

std::string Quoted(std::string_view word) {
    std::string quoted(1, '\'');
    quoted.append(word);
    quoted.push_back('\'');
    return quoted;
}

std::string_view Required(Words& words, int line, const char* what) {
    const auto word = words.Next();
    if (!word) Fail(line, std::string("missing ") + what + ".");
    return *word;
}

int Index(Words& words, int line) {
    const std::string_view word = Required(words, line, "atom index");
    std::string_view digits = word;
    if (!digits.empty() && digits[0] == '+') digits.remove_prefix(1);
    int value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error == std::errc::result_out_of_range) {
        Fail(line, "the atom index " + Quoted(word) + " is out of range.");
    }
    if (error != std::errc() || end != digits.data() + digits.size() || digits.empty() ||
        (digits[0] == '-' && word[0] == '+')) {
        Fail(line, Quoted(word) + " is not an atom index.");
    }
    return value;
}

Axis AxisOf(std::string_view word, int line) {
    if (word == "x") return Axis::X;
    if (word == "y") return Axis::Y;
    if (word == "z") return Axis::Z;
    Fail(line, "unknown axis " + Quoted(word) + "; the axes are x, y and z.");
}

Axis AxisWord(Words& words, int line) {
    return AxisOf(Required(words, line, "axis (x, y or z)"), line);
}

VectorId VectorWord(Words& words, int line) {
    const std::string_view word = Required(words, line, "vector (vector1 or vector2)");
    if (word == "vector1") return VectorId::Vector1;
    if (word == "vector2") return VectorId::Vector2;
    Fail(line, "unknown vector " + Quoted(word) + "; the vectors are vector1 and vector2.");
}

void NoMoreWords(Words& words, int line) {
    if (const auto extra = words.Next()) Fail(line, "unexpected " + Quoted(*extra) + ".");
}

RecipeCommand ParseCommand(std::string_view text, int line) {
    Words words(text);
    const std::string_view verb = *words.Next();
    RecipeCommand command;
    command.line = line;
    if (verb == "select") {
        command.kind = RecipeCommand::Kind::Select;
        const std::string_view name = Required(words, line, "atom box");
        const auto box = SpinByName(name);
        if (!box || !IsAtomBox(*box)) {
            Fail(line, "unknown atom box " + Quoted(name) +
                           "; the boxes are SEV1 to SEV8 and "
                           "SEU1 to SEU8.");
        }
        command.box = *box;
        command.indexes.push_back(Index(words, line));
        NoMoreWords(words, line);
    } else if (verb == "center") {
        command.kind = RecipeCommand::Kind::Center;
        command.indexes.push_back(Index(words, line));
        command.indexes.push_back(Index(words, line));
        NoMoreWords(words, line);
    } else if (verb == "rotate") {
        command.kind = RecipeCommand::Kind::Rotate;
        command.axis = AxisWord(words, line);
        command.text = words.Rest();
    } else if (verb == "fit") {
        command.kind = RecipeCommand::Kind::Fit;
        const std::string_view axis = Required(words, line, "axis (x, y or z)");
        command.positive = axis.size() == 2 && axis[0] == '+';
        if (command.positive && (axis[1] == 'x' || axis[1] == 'y' || axis[1] == 'z')) {
            command.axis = AxisOf(axis.substr(1), line);
        } else if (command.positive) {
            Fail(line, "unknown axis " + Quoted(axis) +
                           "; the axes are x, y and z, and +x, +y and +z for the head on the "
                           "positive side.");
        } else {
            command.axis = AxisOf(axis, line);
        }
        NoMoreWords(words, line);
    } else if (verb == "decimal-separator") {
        command.kind = RecipeCommand::Kind::DecimalSeparator;
        const std::string_view separator = Required(words, line, "separator");
        const char c = separator[0];
        // A separator is one visible character that cannot be part of a
        // number otherwise.
        if (separator.size() != 1 || c <= ' ' || c >= 127 || (c >= '0' && c <= '9') || c == '+' ||
            c == '-' || c == 'E' || c == 'e') {
            Fail(line, Quoted(separator) +
                           " is not a decimal separator; write one character "
                           "such as , or .");
        }
        command.text = std::string(1, c);
        NoMoreWords(words, line);
    } else if (verb == "use") {
        command.kind = RecipeCommand::Kind::Use;
        command.vector = VectorWord(words, line);
        NoMoreWords(words, line);
    } else if (verb == "set") {
        command.kind = RecipeCommand::Kind::Set;
        const std::string_view name = Required(words, line, "component box");
        const auto box = TextByName(name);
        if (!box || !IsComponentBox(*box)) {
            Fail(line, "unknown component box " + Quoted(name) +
                           "; the boxes are VX, VY, VZ, UX, UY and UZ.");
        }
        command.component = *box;
        command.text = words.Rest();
    } else if (verb == "group") {
        command.kind = RecipeCommand::Kind::Group;
        command.vector = VectorWord(words, line);
        const std::string_view end = Required(words, line, "end (tail or head)");
        if (end == "tail") {
            command.end = GroupEnd::Tail;
        } else if (end == "head") {
            command.end = GroupEnd::Head;
        } else {
            Fail(line, "unknown end " + Quoted(end) + "; the ends are tail and head.");
        }
        command.indexes.push_back(Index(words, line));
        while (!words.AtEnd()) command.indexes.push_back(Index(words, line));
    } else if (verb == "direction") {
        command.kind = RecipeCommand::Kind::Direction;
        command.vector = VectorWord(words, line);
        command.text = Required(words, line, "x component");
        command.text += ' ';
        command.text += Required(words, line, "y component");
        command.text += ' ';
        command.text += Required(words, line, "z component");
        command.name = words.Rest();
    } else if (verb == "symmetrize" || verb == "standard-frame") {
        command.kind = verb == "symmetrize" ? RecipeCommand::Kind::Symmetrize
                                            : RecipeCommand::Kind::StandardFrame;
        command.text = words.Rest();
    } else {
        Fail(line, "unknown command " + Quoted(verb) +
                       "; the commands are select, center, rotate, fit, use, set, group, "
                       "direction, symmetrize, standard-frame and decimal-separator.");
    }
    return command;
}

const char* AxisName(Axis axis) {
    return axis == Axis::X ? "x" : axis == Axis::Y ? "y" : "z";
}

const char* VectorName(VectorId vector) {
    return vector == VectorId::Vector1 ? "vector1" : "vector2";
}

}  // namespace

std::string FormatCommand(const RecipeCommand& command) {
    std::string line;
    switch (command.kind) {
        case RecipeCommand::Kind::Select:
            line = std::string("select ") + SpinName(command.box) + ' ' +
                   std::to_string(command.indexes.at(0));
            break;
        case RecipeCommand::Kind::Center:
            line = "center " + std::to_string(command.indexes.at(0)) + ' ' +
                   std::to_string(command.indexes.at(1));
            break;
        case RecipeCommand::Kind::Rotate:
            line = std::string("rotate ") + AxisName(command.axis) + ' ' + command.text;
            break;
        case RecipeCommand::Kind::Fit:
            line = std::string(command.positive ? "fit +" : "fit ") + AxisName(command.axis);
            break;
        case RecipeCommand::Kind::Use:
            line = std::string("use ") + VectorName(command.vector);
            break;
        case RecipeCommand::Kind::Set:
            line = std::string("set ") + TextName(command.component) + ' ' + command.text;
            break;
        case RecipeCommand::Kind::Group:
            line = std::string("group ") + VectorName(command.vector) +
                   (command.end == GroupEnd::Tail ? " tail" : " head");
            for (const int index : command.indexes) line += ' ' + std::to_string(index);
            break;
        case RecipeCommand::Kind::DecimalSeparator:
            line = "decimal-separator " + command.text;
            break;
        case RecipeCommand::Kind::Direction:
            line = std::string("direction ") + VectorName(command.vector) + ' ' + command.text;
            if (!command.name.empty()) line += ' ' + command.name;
            break;
        case RecipeCommand::Kind::Symmetrize:
            line = "symmetrize " + command.text;
            break;
        case RecipeCommand::Kind::StandardFrame:
            line = "standard-frame " + command.text;
            break;
    }
    return line;
}

std::string WithSeparator(std::string text, char from, char to) {
    if (from == to) return text;
    for (char& c : text) {
        if (c == from) {
            c = to;
        } else if (c == to) {
            c = from;
        }
    }
    return text;
}

std::string FormatRecipe(const std::vector<std::string>& lines) {
    std::string text = kRecipeHeader;
    text += '\n';
    for (const std::string& line : lines) {
        text += line;
        text += '\n';
    }
    return text;
}

std::vector<RecipeCommand> ParseRecipe(std::string_view text, const ProgressReport& progress) {
    std::vector<RecipeCommand> commands;
    int line = 0;
    bool header = false;
    const std::size_t size = text.size();
    // Editors on some systems start a UTF-8 file with a byte-order mark.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    while (!text.empty()) {
        ++line;
        if (progress && line % kLinesPerReport == 0) progress(size - text.size(), size);
        const std::size_t lf = text.find('\n');
        std::string_view current = text.substr(0, lf);
        text.remove_prefix(lf == std::string_view::npos ? text.size() : lf + 1);
        if (!current.empty() && current.back() == '\r') current.remove_suffix(1);
        // A CR alone would run the lines of an old Mac OS file into one, whose
        // fault would then be blamed on its first command.
        if (current.find('\r') != std::string_view::npos) {
            Fail(line,
                 "a carriage return (CR) without a line feed: the recipe's lines end with CR "
                 "alone, as on old Mac OS. Save it with LF or CR LF line ends.");
        }
        if (!header) {
            Words words(current);
            const auto magic = words.Next();
            const auto version = words.Next();
            if (!magic || *magic != "pivora-recipe") {
                Fail(line, std::string("a recipe begins with the line '") + kRecipeHeader + "'.");
            }
            if (!version || *version != "1" || !words.AtEnd()) {
                Fail(line, "this program reads recipes of version 1 only.");
            }
            header = true;
            continue;
        }
        Words words(current);
        const auto first = words.Next();
        if (!first || (*first)[0] == '#') continue;
        commands.push_back(ParseCommand(current, line));
    }
    if (!header) Fail(1, std::string("a recipe begins with the line '") + kRecipeHeader + "'.");
    if (progress) progress(size, size);
    return commands;
}

std::vector<RecipeCommand> ReadRecipeFile(const std::string& path, const ProgressReport& progress) {
    // The bytes as they are: the line ends are the parser's to judge.
    std::string text;
    {
        ByteReader reader(path);
        char buffer[65536];
        while (const std::size_t got = reader.Read(buffer, sizeof buffer)) text.append(buffer, got);
        reader.File().CheckUnchanged();
    }
    try {
        return ParseRecipe(text, progress);
    } catch (Error& error) {
        throw std::move(error).WithDetail("In the recipe " + path + ".");
    }
}

std::string RecipeFailureDetail(const RecipeCommand& command, const std::string& recipePath) {
    return "The recipe " + recipePath + " stopped at line " + std::to_string(command.line) + ": " +
           FormatCommand(command) +
           ". The commands before it stay done; Edit > Undo takes the whole recipe back.";
}

}  // namespace pivora
