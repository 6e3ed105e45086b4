#pragma once
// The choices of the window that outlive a run (which menu items are ticked),
// kept by QSettings in the user's configuration folder
// ($XDG_CONFIG_HOME/pivora/pivora.conf).

#include <QVariant>

namespace pivora {

// The stored value of key, or fallback where none is stored or it is of
// another kind.
bool LoadSetting(const char* key, bool fallback);
// The stored value of key; an invalid QVariant where none is stored.
QVariant LoadSettingValue(const char* key);
void StoreSetting(const char* key, const QVariant& value);

}  // namespace pivora
