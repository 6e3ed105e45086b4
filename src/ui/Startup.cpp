#include "ui/Startup.h"

#include <QLocale>
#include <cfenv>

#include "model/DecimalText.h"

namespace pivora {

void InstallArithmeticSetting() {
    // glibc's default environment is exactly the setting the program wants:
    // x87 control word 0x37F (64-bit significand, nearest, all exceptions
    // masked) and the SSE default, with every status flag cleared.
    std::fesetenv(FE_DFL_ENV);
}

char DecimalSeparatorFrom(const QString& localeDecimalPoint) {
    if (localeDecimalPoint.size() == 1) {
        const char16_t c = localeDecimalPoint.front().unicode();
        if (c > 32 && c < 127) return static_cast<char>(c);
    }
    return '.';
}

void ApplyRegionalSettings() {
    SetDecimalSeparator(DecimalSeparatorFrom(QLocale::system().decimalPoint()));
}

}  // namespace pivora
