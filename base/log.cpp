#include "base/log.h"

Q_LOGGING_CATEGORY(lcProgram, "lanxi", QtInfoMsg)
