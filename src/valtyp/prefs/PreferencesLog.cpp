#include "valtyp/prefs/PreferencesLog.h"

Q_LOGGING_CATEGORY(prefsLog, "valtyp.prefs", QtInfoMsg)
