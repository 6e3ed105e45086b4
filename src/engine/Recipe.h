#pragma once
// Recipes: the commands of a session as text, one a line, to save and to run
// again on the same molecule or on many.
//
//   pivora-recipe 1                     the first line
//   # a comment line; blank lines are ignored
//   select BOX INDEX                    SEV1..SEV8, SEU1..SEU8 := INDEX, typed and left
//   center I J                          the centering atoms := I and J, then Center
//   rotate z|x|y TEXT                   the axis's angle box := TEXT, then the turn
//   fit x|y|z                           FitX, FitY, FitZ
//   fit +x|+y|+z                        the same, the vector's head ending on
//                                       the positive side of the axis
//   use vector1|vector2                 the vector the fits act on
//   set VX|VY|VZ|UX|UY|UZ TEXT          a component box := TEXT, as typed
//   group vector1|vector2 tail|head I J ...   the whole group, any count >= 1
//   decimal-separator C                 the decimal separator of the TEXTs
//                                       below: one character such as , or .
//   direction vector1|vector2 X Y Z [NAME]    the vector from the origin to
//                                       (X, Y, Z), fixed in the molecule: it
//                                       turns with every turn; NAME says
//                                       what it is ("C6 axis")
//   symmetrize TOL                      every atom to its symmetric place in
//                                       the point group at TOL angstrom
//   standard-frame TOL                  the molecule's centre to the origin,
//                                       the standard frame of its point group
//                                       at TOL onto the axes
//
// X, Y, Z and TOL are numbers as the display form writes them. NAME is
// everything after the one blank that follows Z, and no part of the
// numbers: the decimal separator leaves it alone.
// TEXT is everything after the one blank that follows the axis letter or the
// box name, blanks included; nothing there is the empty text. TEXT is not
// checked when a recipe is read: "rotate x abc" fails when it runs. Without
// a decimal-separator line the TEXTs are read with the separator in use.

#include <string>
#include <string_view>
#include <vector>

#include "base/Progress.h"
#include "engine/Controls.h"
#include "geometry/Axis.h"

namespace pivora {

struct RecipeCommand {
    // clang-format off
    enum class Kind {
        Select, Center, Rotate, Fit, Use, Set, Group, DecimalSeparator, Direction, Symmetrize,
        StandardFrame
    };
    // clang-format on
    Kind kind = Kind::Fit;
    SpinId box = SpinId::V1Tail1;         // Select
    TextId component = TextId::V1X;       // Set
    Axis axis = Axis::X;                  // Rotate, Fit
    bool positive = false;                // Fit: the head onto the positive side
    VectorId vector = VectorId::Vector1;  // Use, Group, Direction
    GroupEnd end = GroupEnd::Tail;        // Group
    std::vector<int> indexes;             // Select: 1, Center: 2, Group: 1 or more
    // Rotate, Set; DecimalSeparator: its character; Direction: X Y Z, one
    // blank apart; Symmetrize, StandardFrame: TOL.
    std::string text;
    std::string name;  // Direction: NAME
    int line = 0;      // its line in the recipe, from 1; 0 when recorded

    bool operator==(const RecipeCommand&) const = default;
};

inline constexpr char kRecipeHeader[] = "pivora-recipe 1";

// The command as one recipe line, without the line end.
std::string FormatCommand(const RecipeCommand& command);

// A whole recipe: the header line, then one command a line, each ended by LF.
std::string FormatRecipe(const std::vector<std::string>& lines);

// Reads a recipe. Lines end at LF; a CR before the LF belongs to the line
// end; a UTF-8 byte-order mark before the first line is skipped. Throws
// Error(ErrorKind::Recipe) naming the line (counted from 1, the header is
// line 1) for a missing or wrong first line, a CR anywhere else (the line
// ends of old Mac OS), an unknown command, box, axis, vector or end, a
// missing or non-integer index, an index outside the 32-bit range, a
// direction without its three numbers, or words left over. Whether an index
// names an atom is judged when the command runs (Engine::Run). progress hears
// of the bytes read, every few thousand lines and at the end; a throw from it
// gives the reading up.
std::vector<RecipeCommand> ParseRecipe(std::string_view text, const ProgressReport& progress = {});

// Reads and parses the recipe file at path. Throws the file error for a file
// that cannot be read, and the errors of ParseRecipe with the file's name in
// their detail. progress as ParseRecipe's.
std::vector<RecipeCommand> ReadRecipeFile(const std::string& path,
                                          const ProgressReport& progress = {});

// text, written with the decimal separator from, as the separator to
// writes it: the two characters change places, so that a number reads as the
// same value and a text that is no number stays no number.
std::string WithSeparator(std::string text, char from, char to);

// The detail to show under a command's failure while a recipe ran: which
// line of which recipe failed, and what the run left behind.
std::string RecipeFailureDetail(const RecipeCommand& command, const std::string& recipePath);

}  // namespace pivora
