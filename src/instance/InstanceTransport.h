// The system-specific transports of the single-instance hand-over, which the
// seam implementations hand out.
#pragma once

#include <memory>
#include <string>

#include "platform/Os.h"

namespace launcher {

// Windows: a named file mapping laid out as HandOverArea.h says, and a
// registered message posted to the first instance's listener thread.
std::unique_ptr<InstanceChannel> OpenWin32InstanceChannel(const std::string& name, HandOverReceiver receiver,
                                                          void* context);

// POSIX: a Unix-domain socket in a folder private to the user.
std::unique_ptr<InstanceChannel> OpenPosixInstanceChannel(const std::string& name, HandOverReceiver receiver,
                                                          void* context);

}  // namespace launcher
