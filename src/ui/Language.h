#pragma once
// The language the program speaks to its user. Japanese is the default and
// shows every message as the runtime builds it; English installs the English
// translation (i18n/pivora_en.ts, embedded as :/i18n/pivora_en.qm), whose
// source texts are the runtime's Japanese messages and the application title.
// The window's own captions are English in both languages.
//
// A switch takes hold at once: Qt sends every window QEvent::LanguageChange,
// and the error box and the progress dialog read the language each time
// they are shown.

#include <QString>

namespace pivora {

enum class Language { Japanese, English };

// The translation context of the error box's texts in the .ts files.
inline constexpr char kErrorBoxContext[] = "ErrorBox";

Language CurrentLanguage();

// Installs language for the whole program. False, with the language left as
// it was, when its translation cannot be loaded.
bool SetLanguage(Language language);

// The language kept between runs (View > Language): Japanese when none is
// stored or the stored one is unknown.
Language StoredLanguage();
void StoreLanguage(Language language);

// The caption of the error box and the progress dialog: the application
// title, "Quandel", or its translation.
QString ApplicationTitle();

}  // namespace pivora
