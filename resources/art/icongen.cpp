// icongen: draws the application icon from the editable description skin.json (its
// "icon" entry and the colours every picture shares).
//
//   icongen <skin.json> <output directory>
//
// Writes tamsel.svg (the scalable icon) and tamsel-<N>.png for every size the entry
// lists. One drawing routine paints both, so the vector and the pixel icons agree.

#include <QColor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QSvgGenerator>
#include <cstdio>
#include <stdexcept>

namespace {

// The drawing's own square; painters are scaled to the target size.
constexpr double kCanvas = 256.0;

struct IconColors {
    QColor top;
    QColor bottom;
    QColor waves;
    QColor base;
};

QColor NamedColor(const QJsonObject& root, const QString& name) {
    const QColor color(root["colors"].toObject()[name].toString(name));
    if (!color.isValid()) {
        throw std::runtime_error("unknown colour " + name.toStdString());
    }
    return color;
}

IconColors ReadColors(const QJsonObject& root) {
    const QJsonObject icon = root["icon"].toObject();
    const QJsonArray background = icon["background"].toArray();
    return IconColors{
        NamedColor(root, background[0].toString()), NamedColor(root, background[1].toString()),
        NamedColor(root, icon["waves"].toString()), NamedColor(root, icon["base"].toString())};
}

// A rounded tile in the title band's gradient; on it the repeater's motif: radio waves
// rising from a station on a base line.
void DrawIcon(QPainter& p, const IconColors& colors) {
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 16, 0, 240);
    gradient.setColorAt(0, colors.top);
    gradient.setColorAt(1, colors.bottom);
    QPainterPath tile;
    tile.addRoundedRect(QRectF(16, 16, 224, 224), 52, 52);
    p.fillPath(tile, gradient);

    const QPointF station(128, 166);
    QPen wave(colors.waves, 17, Qt::SolidLine, Qt::RoundCap);
    p.setPen(wave);
    p.setBrush(Qt::NoBrush);
    for (int i = 1; i <= 3; ++i) {
        const double r = 34.0 * i;
        p.drawArc(QRectF(station.x() - r, station.y() - r, 2 * r, 2 * r), 50 * 16, 80 * 16);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(colors.waves);
    p.drawEllipse(station, 17, 17);
    p.setBrush(colors.base);
    p.drawRoundedRect(QRectF(72, 196, 112, 14), 7, 7);
}

void WriteSvg(const IconColors& colors, const QString& path) {
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(QSize(static_cast<int>(kCanvas), static_cast<int>(kCanvas)));
    svg.setViewBox(QRectF(0, 0, kCanvas, kCanvas));
    svg.setTitle("Tamsel");
    svg.setDescription("Tamsel application icon");
    QPainter p(&svg);
    DrawIcon(p, colors);
}

void WritePng(const IconColors& colors, int size, const QString& path) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.scale(size / kCanvas, size / kCanvas);
        DrawIcon(p, colors);
    }
    if (!image.save(path, "PNG")) {
        throw std::runtime_error("cannot write " + path.toStdString());
    }
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: icongen <skin.json> <output directory>\n");
        return 2;
    }
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "icongen: cannot read %s\n", argv[1]);
        return 1;
    }
    const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    const QString outDir = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(outDir);
    try {
        const IconColors colors = ReadColors(root);
        WriteSvg(colors, outDir + "/tamsel.svg");
        for (const QJsonValue& size : root["icon"].toObject()["sizes"].toArray()) {
            WritePng(colors, size.toInt(), outDir + QString("/tamsel-%1.png").arg(size.toInt()));
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "icongen: %s\n", e.what());
        return 1;
    }
    return 0;
}
