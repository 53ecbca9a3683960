// Test helper for scripts/screenshot.sh: saves the whole screen of the X display named by
// DISPLAY (an Xvfb sized like the window) as a PNG.
// Usage: tamsel_screengrab OUTPUT.png

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    int qtArgc = 1;
    QGuiApplication application(qtArgc, argv);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr || !screen->grabWindow(0).save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "tamsel_screengrab: could not grab the screen into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
