#pragma once
// The program-wide settings that start-up installs before any window exists.

#include <QString>

#include "pivora/Version.h"

namespace pivora {

// The application title: the caption of every error box and the name the
// desktop shows for the program.
inline constexpr char kApplicationTitle[] = "Quandel";

// The program's name and version as the windows show them.
inline constexpr char kProgramNameAndVersion[] = "Pivora " PIVORA_VERSION_SHORT;

// The floating-point environment of the run: round to nearest (ties to
// even), extended precision on the x87 unit, no traps, no pending flags.
// Start-up installs it, and the event guard restores it after every failure.
void InstallArithmeticSetting();

// The decimal separator for a locale's decimal point: that character when it
// is one ASCII character, else ".".
char DecimalSeparatorFrom(const QString& localeDecimalPoint);

// Takes the decimal separator of the parse and display forms from the
// system's regional settings. Called at start-up and again whenever the
// main window hears that the regional settings changed.
void ApplyRegionalSettings();

}  // namespace pivora
