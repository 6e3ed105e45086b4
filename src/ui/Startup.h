#pragma once
// The program-wide settings that start-up installs before any window exists.

#include <QString>
#include <optional>
#include <string>

#include "pivora/Version.h"

namespace pivora {

// The application title: the caption of every error box and the name the
// desktop shows for the program.
inline constexpr char kApplicationTitle[] = "Quandel";

// The program's name and version as the windows show them.
inline constexpr char kProgramNameAndVersion[] = "Pivora " PIVORA_VERSION_SHORT;

// The decimal separator for a locale's decimal point: that character when it
// is one ASCII character, else ".".
char DecimalSeparatorFrom(const QString& localeDecimalPoint);

// Takes the decimal separator of the parse and display forms from the
// system's regional settings. Called at start-up and again whenever the
// main window hears that the regional settings changed.
void ApplyRegionalSettings();

// The file named on the command line (the desktop's "Open with"): the first
// argument after those Qt took for itself, as an absolute path. It stays
// bytes throughout, so that a name the locale cannot decode still opens.
// Nothing when there is no argument.
std::optional<std::string> CommandLineFile(int argc, char** argv);

// What the program, the widget tests and the benchmarks do once the
// application object exists and before any window: the C library keeps
// reading and writing numbers with "."; the arithmetic setting; the
// regional settings; the application's name; the error box as the event
// guard's reporter.
void StartUp();

}  // namespace pivora
