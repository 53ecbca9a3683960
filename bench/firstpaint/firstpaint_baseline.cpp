// The least a Qt Widgets program does to show the same picture: one 700 x 500 window that
// paints the search page's background, ended right after its first paint.
// Usage: firstpaint_baseline FD (the runner's pipe).

#include <QApplication>
#include <QPainter>
#include <QWidget>

#include <cstdlib>

#include "bench/firstpaint/first_paint_reporter.h"
#include "controls/skin_images.h"

namespace {

class Background : public QWidget {
public:
    Background() : m_image(LoadSkinImage(133)) { setFixedSize(700, 500); }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).drawImage(0, 0, m_image); }

private:
    QImage m_image;
};

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 2) {
        return 2;
    }
    const int fd = std::atoi(argv[1]);
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    FirstPaintReporter reporter(fd, [] { QApplication::quit(); });
    application.installEventFilter(&reporter);
    Background window;
    window.show();
    return QApplication::exec();
}
