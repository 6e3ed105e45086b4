#include "ui/Settings.h"

#include <QSettings>

namespace pivora {
namespace {

QSettings Store() {
    // Named outright: the application's name is the title its message boxes
    // carry, not the program's.
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("pivora"),
                     QStringLiteral("pivora"));
}

}  // namespace

QVariant LoadSettingValue(const char* key) {
    return Store().value(QLatin1String(key));
}

bool LoadSetting(const char* key, bool fallback) {
    const QVariant value = LoadSettingValue(key);
    return value.isValid() && value.canConvert<bool>() ? value.toBool() : fallback;
}

void StoreSetting(const char* key, const QVariant& value) {
    Store().setValue(QLatin1String(key), value);
}

}  // namespace pivora
