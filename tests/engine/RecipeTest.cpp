// The recipe's grammar: what each line means, what it is written as, and
// every way a line can be wrong.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/Error.h"
#include "engine/Recipe.h"
#include "support/ErrorCheck.h"

namespace pivora::test {
namespace {

RecipeCommand Command(RecipeCommand::Kind kind) {
    RecipeCommand command;
    command.kind = kind;
    return command;
}

struct GoodLine {
    const char* line;
    RecipeCommand command;
    const char* written;  // how FormatCommand writes it back
};

std::vector<GoodLine> GoodLines() {
    std::vector<GoodLine> lines;
    RecipeCommand select = Command(RecipeCommand::Kind::Select);
    select.box = SpinId::V2Head4;
    select.indexes = {12};
    lines.push_back({"select SEU8 12", select, "select SEU8 12"});
    select.indexes = {-3};
    lines.push_back({"  select\tSEU8   -3  ", select, "select SEU8 -3"});
    select.indexes = {7};
    lines.push_back({"select SEU8 +7", select, "select SEU8 7"});
    RecipeCommand center = Command(RecipeCommand::Kind::Center);
    center.indexes = {1, 1};
    lines.push_back({"center 1 1", center, "center 1 1"});
    RecipeCommand rotate = Command(RecipeCommand::Kind::Rotate);
    rotate.axis = Axis::Z;
    rotate.text = "-45";
    lines.push_back({"rotate z -45", rotate, "rotate z -45"});
    // TEXT is everything after the one blank after the axis, blanks and all.
    rotate.axis = Axis::Y;
    rotate.text = " 1.5 ";
    lines.push_back({"rotate y  1.5 ", rotate, "rotate y  1.5 "});
    rotate.text = "";
    lines.push_back({"rotate y", rotate, "rotate y "});
    rotate.axis = Axis::X;
    rotate.text = "abc";
    lines.push_back({"rotate x abc", rotate, "rotate x abc"});
    RecipeCommand fit = Command(RecipeCommand::Kind::Fit);
    fit.axis = Axis::Z;
    lines.push_back({"fit z", fit, "fit z"});
    fit.positive = true;
    lines.push_back({"fit +z", fit, "fit +z"});
    RecipeCommand separator = Command(RecipeCommand::Kind::DecimalSeparator);
    separator.text = ",";
    lines.push_back({"decimal-separator ,", separator, "decimal-separator ,"});
    RecipeCommand use = Command(RecipeCommand::Kind::Use);
    use.vector = VectorId::Vector2;
    lines.push_back({"use vector2", use, "use vector2"});
    RecipeCommand set = Command(RecipeCommand::Kind::Set);
    set.component = TextId::V2Y;
    set.text = "6.12323399573677E-17";
    lines.push_back({"set UY 6.12323399573677E-17", set, "set UY 6.12323399573677E-17"});
    set.component = TextId::V1X;
    set.text = "";
    lines.push_back({"set VX ", set, "set VX "});
    RecipeCommand group = Command(RecipeCommand::Kind::Group);
    group.vector = VectorId::Vector1;
    group.end = GroupEnd::Head;
    group.indexes = {2, 3, 4, 5, 6};
    lines.push_back({"group vector1 head 2 3 4 5 6", group, "group vector1 head 2 3 4 5 6"});
    // The three numbers are checked when the line runs; the name is the rest
    // of the line.
    RecipeCommand direction = Command(RecipeCommand::Kind::Direction);
    direction.vector = VectorId::Vector2;
    direction.text = "0.5 -1E-17 0,866";
    direction.name = "C2\u2032 axis, through C1";
    lines.push_back({"direction vector2 0.5 -1E-17 0,866 C2\u2032 axis, through C1", direction,
                     "direction vector2 0.5 -1E-17 0,866 C2\u2032 axis, through C1"});
    direction.text = "0 x 1";
    direction.name = "";
    lines.push_back({"direction  vector2\t0  x 1", direction, "direction vector2 0 x 1"});
    RecipeCommand symmetrize = Command(RecipeCommand::Kind::Symmetrize);
    symmetrize.text = "0.01";
    lines.push_back({"symmetrize 0.01", symmetrize, "symmetrize 0.01"});
    RecipeCommand frame = Command(RecipeCommand::Kind::StandardFrame);
    frame.text = "";
    lines.push_back({"standard-frame", frame, "standard-frame "});
    return lines;
}

TEST(Recipe, EachCommandReadsAndIsWrittenBack) {
    for (const GoodLine& good : GoodLines()) {
        SCOPED_TRACE(good.line);
        const std::vector<RecipeCommand> commands =
            ParseRecipe(std::string("pivora-recipe 1\n") + good.line + "\n");
        ASSERT_EQ(commands.size(), 1u);
        RecipeCommand expected = good.command;
        expected.line = 2;
        EXPECT_EQ(commands[0], expected);
        EXPECT_EQ(FormatCommand(commands[0]), good.written);
        // What is written reads back as the same command.
        const auto again = ParseRecipe(FormatRecipe({FormatCommand(commands[0])}));
        ASSERT_EQ(again.size(), 1u);
        EXPECT_EQ(FormatCommand(again[0]), good.written);
    }
}

TEST(Recipe, CommentsBlankLinesAndLineEndsCountAsLinesAndNothingElse) {
    const auto commands = ParseRecipe(
        "pivora-recipe 1\r\n# orient the Cp ring\r\n\r\n   \t\n  # indented comment\nfit x\r\nfit "
        "y");
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0].line, 6);
    EXPECT_EQ(commands[1].line, 7);
    EXPECT_TRUE(ParseRecipe("pivora-recipe 1").empty());
    // A UTF-8 byte-order mark, as some editors write one, is no part of the header.
    const auto marked = ParseRecipe("\xEF\xBB\xBFpivora-recipe 1\r\nfit x\r\n");
    ASSERT_EQ(marked.size(), 1u);
    EXPECT_EQ(marked[0].line, 2);
}

// A recipe of many lines reports how far its reading has come, up to its
// whole size; a throw from the report gives the reading up.
TEST(Recipe, ALongRecipeReportsItsReading) {
    std::string text = "pivora-recipe 1\n";
    for (int i = 0; i < 50000; ++i) text += "fit x\n";
    std::vector<std::uint64_t> heard;
    const auto commands = ParseRecipe(text, [&](std::uint64_t done, std::uint64_t total) {
        EXPECT_EQ(total, text.size());
        if (!heard.empty()) {
            EXPECT_GT(done, heard.back());
        }
        heard.push_back(done);
    });
    EXPECT_EQ(commands.size(), 50000u);
    ASSERT_GE(heard.size(), 3u);
    EXPECT_EQ(heard.back(), text.size());
    struct Stop {};
    EXPECT_THROW(ParseRecipe(text, [](std::uint64_t, std::uint64_t) { throw Stop{}; }), Stop);
}

struct BadRecipe {
    const char* name;
    const char* text;
    const char* message;
};

class BadRecipes : public ::testing::TestWithParam<BadRecipe> {};

TEST_P(BadRecipes, NameTheLineAndWhatIsWrong) {
    ExpectError([this] { ParseRecipe(GetParam().text); }, ErrorKind::Recipe, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, BadRecipes,
    ::testing::Values(
        BadRecipe{"Empty", "", "Recipe line 1: a recipe begins with the line 'pivora-recipe 1'."},
        BadRecipe{"NoHeader", "fit x\n",
                  "Recipe line 1: a recipe begins with the line 'pivora-recipe 1'."},
        BadRecipe{"CommentFirst", "# mine\npivora-recipe 1\n",
                  "Recipe line 1: a recipe begins with the line 'pivora-recipe 1'."},
        BadRecipe{"OldMacLineEnds", "pivora-recipe 1\rfit x\r",
                  "Recipe line 1: a carriage return (CR) without a line feed: the recipe's lines "
                  "end with CR alone, as on old Mac OS. Save it with LF or CR LF line ends."},
        BadRecipe{"CarriageReturnInALine", "pivora-recipe 1\nfit x\nset VX 1\r2\r\n",
                  "Recipe line 3: a carriage return (CR) without a line feed: the recipe's lines "
                  "end with CR alone, as on old Mac OS. Save it with LF or CR LF line ends."},
        BadRecipe{"MarkTwice", "\xEF\xBB\xBF\xEF\xBB\xBFpivora-recipe 1\n",
                  "Recipe line 1: a recipe begins with the line 'pivora-recipe 1'."},
        BadRecipe{"OtherVersion", "pivora-recipe 2\n",
                  "Recipe line 1: this program reads recipes of version 1 only."},
        BadRecipe{"UnknownCommand", "pivora-recipe 1\n\nrotat z 5\n",
                  "Recipe line 3: unknown command 'rotat'; the commands are select, center, "
                  "rotate, fit, use, set, group, direction, symmetrize, standard-frame and "
                  "decimal-separator."},
        BadRecipe{"UnknownBox", "pivora-recipe 1\nselect SEV9 1\n",
                  "Recipe line 2: unknown atom box 'SEV9'; the boxes are SEV1 to SEV8 and SEU1 "
                  "to SEU8."},
        BadRecipe{"CenteringBoxIsNoAtomBox", "pivora-recipe 1\nselect SpinEdit1 1\n",
                  "Recipe line 2: unknown atom box 'SpinEdit1'; the boxes are SEV1 to SEV8 and "
                  "SEU1 to SEU8."},
        BadRecipe{"MissingIndex", "pivora-recipe 1\nselect SEV1\n",
                  "Recipe line 2: missing atom index."},
        BadRecipe{"NonIntegerIndex", "pivora-recipe 1\ncenter 1 2.5\n",
                  "Recipe line 2: '2.5' is not an atom index."},
        BadRecipe{"SignAlone", "pivora-recipe 1\ncenter 1 -\n",
                  "Recipe line 2: '-' is not an atom index."},
        BadRecipe{"IndexOutOfRange", "pivora-recipe 1\nselect SEU1 2147483648\n",
                  "Recipe line 2: the atom index '2147483648' is out of range."},
        BadRecipe{"ExtraWord", "pivora-recipe 1\nfit x now\n", "Recipe line 2: unexpected 'now'."},
        BadRecipe{"UnknownAxis", "pivora-recipe 1\nfit w\n",
                  "Recipe line 2: unknown axis 'w'; the axes are x, y and z."},
        BadRecipe{"PositiveOfNoAxis", "pivora-recipe 1\nfit +w\n",
                  "Recipe line 2: unknown axis '+w'; the axes are x, y and z, and +x, +y and +z "
                  "for the head on the positive side."},
        BadRecipe{"SeparatorThatIsADigit", "pivora-recipe 1\ndecimal-separator 5\n",
                  "Recipe line 2: '5' is not a decimal separator; write one character such as , "
                  "or ."},
        BadRecipe{"UpperCaseAxis", "pivora-recipe 1\nrotate Z 5\n",
                  "Recipe line 2: unknown axis 'Z'; the axes are x, y and z."},
        BadRecipe{"MissingAxis", "pivora-recipe 1\nrotate\n",
                  "Recipe line 2: missing axis (x, y or z)."},
        BadRecipe{"UnknownVector", "pivora-recipe 1\nuse vector3\n",
                  "Recipe line 2: unknown vector 'vector3'; the vectors are vector1 and vector2."},
        BadRecipe{"UnknownComponent", "pivora-recipe 1\nset Zangle 5\n",
                  "Recipe line 2: unknown component box 'Zangle'; the boxes are VX, VY, VZ, UX, "
                  "UY and UZ."},
        BadRecipe{"UnknownEnd", "pivora-recipe 1\ngroup vector1 middle 1\n",
                  "Recipe line 2: unknown end 'middle'; the ends are tail and head."},
        BadRecipe{"EmptyGroup", "pivora-recipe 1\ngroup vector2 tail\n",
                  "Recipe line 2: missing atom index."},
        BadRecipe{"BadGroupMember", "pivora-recipe 1\ngroup vector2 tail 1 2 x\n",
                  "Recipe line 2: 'x' is not an atom index."},
        BadRecipe{"DirectionOfTwoNumbers", "pivora-recipe 1\ndirection vector1 0 1\n",
                  "Recipe line 2: missing z component."},
        BadRecipe{"DirectionOfNoVector", "pivora-recipe 1\ndirection up 0 0 1\n",
                  "Recipe line 2: unknown vector 'up'; the vectors are vector1 and vector2."}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pivora::test
