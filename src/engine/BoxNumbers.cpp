#include "engine/BoxNumbers.h"

#include "numeric/DecimalText.h"

namespace pivora {

std::string FitAngleText(std::string_view numeratorText, std::string_view denominatorText,
                         FitHead head) {
    const long double numerator = ParseDecimal(numeratorText);
    const long double denominator = ParseDecimal(denominatorText);
    return FormatDisplay(FitAngle(numerator, denominator, head));
}

}  // namespace pivora
