// Renders the program icon to a PNG for the desktop entry:
//   tmx7_render_icon OUT.png [SIZE]
// Run at build time with the offscreen platform.

#include "res/Pictures.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: tmx7_render_icon OUT.png [SIZE]\n");
        return 2;
    }
    QGuiApplication app(argc, argv);
    const int size = argc >= 3 ? std::atoi(argv[2]) : 256;
    if (size < 16 || size > 1024) {
        std::fprintf(stderr, "size out of range: %d\n", size);
        return 2;
    }
    return tmx7::res::SavePicture(tmx7::res::Picture::AppIcon, QSize(size, size),
                                  QString::fromLocal8Bit(argv[1]))
               ? 0
               : 1;
}
