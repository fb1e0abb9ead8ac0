// Stand-in windows for the native build.
//
// Native tests and the command-line tool have no window manager, so the
// native platform layer keeps a registry of pretend windows and a log of the
// notifications posted to them. A test creates a window, registers it with a
// processor, and reads back what was posted.
#pragma once

#include <cstdint>
#include <vector>

#include "support/platform.h"

namespace orlofx::native {

struct PostedCommand {
  WindowHandle window;
  std::uint16_t commandId;
  std::uint16_t code;
};

WindowHandle CreateWindowStub();
void DestroyWindowStub(WindowHandle window);
// Everything posted since the last call, oldest first; empties the log.
std::vector<PostedCommand> TakePostedCommands();

}  // namespace orlofx::native
