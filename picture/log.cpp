#include "picture/log.h"

Q_LOGGING_CATEGORY(lcProgram, "lanxi", QtInfoMsg)
