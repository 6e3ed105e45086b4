#include "ui/Startup.h"

#include <QApplication>
#include <QLocale>
#include <clocale>

#include "files/FileIo.h"
#include "numeric/DecimalText.h"
#include "numeric/Extended.h"
#include "ui/ErrorBox.h"
#include "ui/EventGuard.h"

namespace pivora {

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

std::optional<std::string> CommandLineFile(int argc, char** argv) {
    // argv, not QApplication::arguments(): those are decoded to text, and a
    // name in another encoding would come back as some other name.
    if (argc < 2 || argv[1] == nullptr || argv[1][0] == '\0') return std::nullopt;
    return AbsolutePath(argv[1]);
}

void StartUp() {
    // Qt adopts the user's C locale; the C library must keep reading and
    // writing numbers with ".".
    std::setlocale(LC_NUMERIC, "C");
    InstallArithmeticSetting();
    ApplyRegionalSettings();
    // The name the desktop groups the program's windows under. Not the
    // display name: Qt would append that to every window's caption.
    QApplication::setApplicationName(kApplicationTitle);
    SetFailureReporter(ShowFailure);
}

}  // namespace pivora
