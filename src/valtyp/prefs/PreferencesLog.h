#pragma once

#include <QLoggingCategory>

// Diagnostics of the settings store; instantiation traces are debug level,
// off unless QT_LOGGING_RULES asks for "valtyp.prefs.debug=true".
Q_DECLARE_LOGGING_CATEGORY(prefsLog)
