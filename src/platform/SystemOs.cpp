// The system seam: the shared part, and the one implementation per system.
#include "platform/SystemOs.h"

#include "launcher/CommandLine.h"
#include "launcher/Messages.h"
#include "platform/ExpandText.h"
#include "resources/strings.h"

#ifdef _WIN32
#include "platform/windows/Win32Os.inc"
#else
#include "platform/posix/PosixOs.inc"
#endif
