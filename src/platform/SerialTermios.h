#pragma once
// The termios side of SerialDevice, for code that lives on the same
// platform (the device itself and the simulated module on a pty). Nothing
// above src/platform includes this.

#include <termios.h>

namespace tmx7 {

// The termios speed of a baud rate the tool offers (1200..57600); B0 for any other.
speed_t SpeedForBaud(int baud);

} // namespace tmx7
