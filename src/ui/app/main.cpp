// tmx7config: the window program that configures and tests a TMX7 module.

#include "ui/app/ConfigApp.h"

int main(int argc, char** argv) {
    tmx7::CConfigApp app(argc, argv);
    return app.Run();
}
