// tmx7ctl: the command-line front end over the same engine as the window.

#include "cli/Cli.h"

int main(int argc, char** argv) {
    return tmx7::cli::Main(argc, argv);
}
