#pragma once
// The words for a USB serial adapter that has no tty, shared by the window and lorv304d-cli: the
// adapter, the reason and the fix, in English like the port diagnosis.
#include <string>

#include "serial/ttyless_adapter.h"

// One line without a line end, for example
//   USB serial adapter CH340 (USB ID 1a86:7523) at 1-1.2 has no serial port: the braille display
//   driver brltty (PID 812) has taken it. If no braille display is used here, remove it with
//   "sudo apt remove brltty", then unplug the adapter and plug it in again.
// (one line in fact; wrapped here).
std::string TtylessAdapterText(const TTtylessAdapter& adapter);
