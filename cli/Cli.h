#pragma once
// tmx7ctl: the command line over the engine the window uses. Exit codes:
// 0 every unit ok, 1 a port or a module failed, 2 the command line was
// wrong, 3 a module does not hold what it was given.

namespace tmx7::cli {

int Main(int argc, char** argv);

} // namespace tmx7::cli
