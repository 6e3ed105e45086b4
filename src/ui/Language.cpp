#include "ui/Language.h"

#include <QCoreApplication>
#include <QTranslator>

#include "ui/ErrorBox.h"
#include "ui/Settings.h"
#include "ui/Startup.h"

namespace pivora {
namespace {

constexpr char kLanguageKey[] = "view/language";
constexpr char kEnglishFile[] = ":/i18n/pivora_en.qm";

Language current = Language::Japanese;

// Owned by the application: it is removed with it, never after it.
QTranslator* English() {
    static QTranslator* const translator = [] {
        auto* english = new QTranslator(QCoreApplication::instance());
        if (!english->load(QString::fromLatin1(kEnglishFile))) {
            delete english;
            return static_cast<QTranslator*>(nullptr);
        }
        return english;
    }();
    return translator;
}

}  // namespace

Language CurrentLanguage() {
    return current;
}

bool SetLanguage(Language language) {
    if (language == current) return true;
    if (language == Language::English) {
        QTranslator* english = English();
        if (!english) return false;
        QCoreApplication::installTranslator(english);
    } else {
        QCoreApplication::removeTranslator(English());
    }
    current = language;
    TranslateErrorBox();
    return true;
}

Language StoredLanguage() {
    return LoadSettingValue(kLanguageKey).toString() == QLatin1String("en") ? Language::English
                                                                            : Language::Japanese;
}

void StoreLanguage(Language language) {
    StoreSetting(kLanguageKey, QLatin1String(language == Language::English ? "en" : "ja"));
}

QString ApplicationTitle() {
    return QCoreApplication::translate(kErrorBoxContext, kApplicationTitle);
}

}  // namespace pivora
