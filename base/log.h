#pragma once

#include <QLoggingCategory>

// The program's log. What the program passes over without a word to the user (a guarded step
// that failed, a browser that could not be started, a file's rights that could not be kept) is
// written here, so that it can be found again: QT_LOGGING_RULES="lanxi.debug=true" shows all.
Q_DECLARE_LOGGING_CATEGORY(lcProgram)
