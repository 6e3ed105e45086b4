#include "engine/FailureTexts.h"

#include "engine/Controls.h"
#include "geometry/Fit.h"

namespace pivora::failure_text {

std::string AngleNotANumber(Axis axis, char separator) {
    return std::string("Type the angle in degrees into the box above Rotate") + AxisLetter(axis) +
           ", as a number such as 90 or -45" + separator + "5.";
}

std::string FitFailed(Axis target, VectorId vector, ErrorKind kind, bool componentsMissing) {
    const FitRule rule = FitRuleFor(target);
    const char* name = vector == VectorId::Vector1 ? "Vector1" : "Vector2";
    const std::string fit = std::string("Fit") + AxisLetter(target);
    // The boxes by the names the user sees on the window.
    const std::string numerator = TextName(ComponentBox(vector, rule.numerator));
    const std::string denominator = TextName(ComponentBox(vector, rule.denominator));
    // The plane the fit works in, and the axis it turns about.
    const std::string plane =
        std::string(AxisLetter(rule.denominator)) + AxisLetter(rule.numerator);
    const std::string turn = AxisLetter(rule.turn);
    switch (kind) {
        case ErrorKind::Conversion:
            if (componentsMissing) {
                return std::string(name) + " has no components yet: choose at least one tail " +
                       "atom and one head atom in the " + name + " Definition group. " + fit +
                       " acts on " + name + " because its check box is ticked.";
            }
            return fit + " reads " + name + " from the boxes " + numerator + " and " + denominator +
                   ", and one of them holds no number. Type the component, or " +
                   "choose the vector's atoms again to have it computed.";
        case ErrorKind::InvalidOperation:
            return std::string("The vector has no component in the ") + plane +
                   " plane; it already lies along " + turn + ". " + fit + " has nothing to turn.";
        case ErrorKind::DivideByZero:
            return std::string("The vector's projection on the ") + plane + " plane lies along " +
                   AxisLetter(rule.numerator) + ", at right angles to " + AxisLetter(target) +
                   ". Turn the molecule by 90 degrees about " + turn + " (Rotate" + turn +
                   ") and fit again.";
        default:
            return std::string();
    }
}

std::string AtomNotInMolecule(int index, std::size_t count) {
    std::string message = "Atom " + std::to_string(index) + " is not in the molecule: it has ";
    message += count == 0   ? std::string("no atoms.")
               : count == 1 ? std::string("1 atom.")
                            : std::to_string(count) + " atoms.";
    return message;
}

std::string AtomIndexRange(bool noneAllowed) {
    return std::string(
               "A recipe names atoms by their numbers in the file, from 1 to the atom "
               "count") +
           (noneAllowed ? ", or 0 for no atom." : ".") +
           " Was it made for a molecule with more atoms?";
}

std::string RecipeStoppedAndKept(std::size_t done, std::size_t total) {
    return "The recipe was stopped after " + std::to_string(done) + " of " + std::to_string(total) +
           " commands, which stay done: there was no room to keep the molecule as it was before "
           "them.";
}

}  // namespace pivora::failure_text
