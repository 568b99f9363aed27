#pragma once

#include <QMessageLogger>

// The protocol's worker threads write their log lines under the command layer's source
// name, so that the whole device protocol reads as one source (VeltoSDK.cpp) in the log.
// Line and function are still those of the caller.
#define VELTO_SDK_LOG QMessageLogger("Velto/VeltoSDK.cpp", __LINE__, Q_FUNC_INFO).debug
