// artgen: draws Tamsel's skin pictures from the editable description skin.json.
//
//   artgen <skin.json> <output directory>
//
// Writes <id>.png for every picture the description names and skin.qrc, the resource
// list that rcc compiles into the program (prefix /skin). Needs a Qt platform for text,
// so the build runs it with QT_QPA_PLATFORM=offscreen. Every size and position is in
// pixels; pieces that sit on a page or dialog (menu entries, title and OK buttons,
// progress steps) are drawn over the very pixels of that page or dialog, so they blend
// in wherever the layout rectangles put them.

#include <QByteArray>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRect>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <functional>
#include <map>
#include <stdexcept>

namespace {

class Skin {
public:
    explicit Skin(const QJsonObject& root) : m_root(root) {
        const QJsonObject colors = root["colors"].toObject();
        for (auto it = colors.begin(); it != colors.end(); ++it) {
            m_colors[it.key()] = QColor(it.value().toString());
        }
        m_family = root["font"].toString("DejaVu Sans");
    }

    const QJsonObject& Root() const { return m_root; }

    // A colour by its name in the description, or a literal "#rrggbb".
    QColor Color(const QString& name) const {
        const auto it = m_colors.find(name);
        if (it != m_colors.end()) {
            return it->second;
        }
        const QColor literal(name);
        if (!literal.isValid()) {
            throw std::runtime_error("unknown colour " + name.toStdString());
        }
        return literal;
    }

    QFont Font(int pixelSize, bool bold = false) const {
        QFont font(m_family);
        font.setPixelSize(pixelSize);
        font.setBold(bold);
        font.setHintingPreference(QFont::PreferFullHinting);
        return font;
    }

    int Window(const char* key) const { return m_root["window"].toObject()[key].toInt(); }

private:
    QJsonObject m_root;
    std::map<QString, QColor> m_colors;
    QString m_family;
};

QRect RectOf(const QJsonValue& value) {
    const QJsonArray a = value.toArray();
    return QRect(a[0].toInt(), a[1].toInt(), a[2].toInt(), a[3].toInt());
}

QPoint PointOf(const QJsonValue& value) {
    const QJsonArray a = value.toArray();
    return QPoint(a[0].toInt(), a[1].toInt());
}

QSize SizeOf(const QJsonValue& value) {
    const QJsonArray a = value.toArray();
    return QSize(a[0].toInt(), a[1].toInt());
}

QImage NewImage(QSize size, const QColor& fill) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

// ---- Glyphs: small line drawings in a 16x16 box, stroked with the painter's pen. ----

void DrawGlyph(QPainter& p, const QString& name, QRectF box, const QColor& color) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(box.topLeft());
    p.scale(box.width() / 16.0, box.height() / 16.0);
    QPen pen(color, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    if (name == "search") {
        p.drawEllipse(QRectF(2, 2, 8.5, 8.5));
        pen.setWidthF(2.4);
        p.setPen(pen);
        p.drawLine(QPointF(9.5, 9.5), QPointF(14, 14));
    } else if (name == "status") {
        p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 2, 2);
        p.drawLine(QPointF(4.5, 5.5), QPointF(11.5, 5.5));
        p.drawLine(QPointF(4.5, 8.5), QPointF(11.5, 8.5));
        p.drawLine(QPointF(4.5, 11.5), QPointF(9, 11.5));
    } else if (name == "network") {
        p.setBrush(color);
        p.drawLine(QPointF(8, 4), QPointF(3, 12));
        p.drawLine(QPointF(8, 4), QPointF(13, 12));
        p.drawLine(QPointF(3, 12), QPointF(13, 12));
        for (const QPointF& c : {QPointF(8, 4), QPointF(3, 12), QPointF(13, 12)}) {
            p.drawEllipse(c, 2.2, 2.2);
        }
    } else if (name == "wireless") {
        for (int i = 0; i < 3; ++i) {
            const double r = 3.5 + i * 3.5;
            p.drawArc(QRectF(8 - r, 13 - r, 2 * r, 2 * r), 45 * 16, 90 * 16);
        }
        p.setBrush(color);
        p.drawEllipse(QPointF(8, 13), 1.4, 1.4);
    } else if (name == "firmware") {
        p.drawLine(QPointF(8, 2), QPointF(8, 10));
        p.drawLine(QPointF(4.5, 5.5), QPointF(8, 2));
        p.drawLine(QPointF(11.5, 5.5), QPointF(8, 2));
        p.drawPolyline(
            QPolygonF({QPointF(2, 10), QPointF(2, 14), QPointF(14, 14), QPointF(14, 10)}));
    } else if (name == "lock") {
        p.drawRoundedRect(QRectF(3, 7, 10, 7.5), 1.5, 1.5);
        p.drawArc(QRectF(5, 2, 6, 9), 0, 180 * 16);
        p.drawLine(QPointF(5, 6.5), QPointF(5, 7));
        p.drawLine(QPointF(11, 6.5), QPointF(11, 7));
    } else if (name == "reset") {
        p.drawArc(QRectF(2.5, 2.5, 11, 11), 100 * 16, 290 * 16);
        p.setBrush(color);
        p.drawPolygon(QPolygonF({QPointF(6.4, 0.6), QPointF(9.2, 3.0), QPointF(5.8, 5.2)}));
    } else if (name == "minimize") {
        pen.setWidthF(2.0);
        p.setPen(pen);
        p.drawLine(QPointF(4.5, 11.5), QPointF(11.5, 11.5));
    } else if (name == "close") {
        pen.setWidthF(2.0);
        p.setPen(pen);
        p.drawLine(QPointF(4.5, 4.5), QPointF(11.5, 11.5));
        p.drawLine(QPointF(11.5, 4.5), QPointF(4.5, 11.5));
    } else {
        throw std::runtime_error("unknown glyph " + name.toStdString());
    }
    p.restore();
}

// ---- Pages ----

void DrawBand(QPainter& p, const Skin& skin, const QString& pageTitle) {
    const int width = skin.Window("width");
    const int band = skin.Window("band");
    QLinearGradient gradient(0, 0, 0, band);
    gradient.setColorAt(0, skin.Color("bandTop"));
    gradient.setColorAt(1, skin.Color("bandBottom"));
    p.fillRect(0, 0, width, band, gradient);

    // Faint radio waves on the right: the repeater's own motif.
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setClipRect(0, 0, width, band);
    QColor waves = skin.Color("bandWaves");
    waves.setAlpha(20);
    p.setPen(QPen(waves, 10));
    for (int i = 1; i <= 4; ++i) {
        const int r = 40 * i;
        p.drawEllipse(QPoint(width - 150, band + 30), r, r);
    }
    p.restore();

    const QJsonObject text = skin.Root()["band"].toObject();
    p.setPen(skin.Color("bandTitle"));
    p.setFont(skin.Font(28, true));
    p.drawText(QRect(24, 10, 300, 38), Qt::AlignLeft | Qt::AlignVCenter, text["title"].toString());
    p.setPen(skin.Color("bandSubtitle"));
    p.setFont(skin.Font(12));
    p.drawText(QRect(26, 48, 300, 18), Qt::AlignLeft | Qt::AlignVCenter,
               text["subtitle"].toString());
    if (!pageTitle.isEmpty()) {
        p.setPen(skin.Color("bandTitle"));
        p.setFont(skin.Font(17, true));
        p.drawText(QRect(360, 38, skin.Window("contentRight") - 360, 28),
                   Qt::AlignRight | Qt::AlignVCenter, pageTitle);
    }
    p.fillRect(0, band - 2, width, 2, skin.Color("bandLine"));
}

void DrawText(QPainter& p, const Skin& skin, const QJsonObject& item, QRect rect) {
    p.setFont(skin.Font(item["size"].toInt(12), item["bold"].toBool(false)));
    p.setPen(skin.Color(item["color"].toString("caption")));
    Qt::Alignment align = Qt::AlignLeft;
    const QString horizontal = item["align"].toString("left");
    if (horizontal == "right") {
        align = Qt::AlignRight;
    } else if (horizontal == "center") {
        align = Qt::AlignHCenter;
    }
    align |= item["valign"].toString("top") == "center" ? Qt::AlignVCenter : Qt::AlignTop;
    p.drawText(rect, static_cast<int>(align) | Qt::TextWordWrap, item["text"].toString());
}

void DrawPageItem(QPainter& p, const Skin& skin, const QJsonObject& item) {
    const QString type = item["type"].toString();
    if (type == "title") {
        const QPoint at = PointOf(item["at"]);
        p.setFont(skin.Font(18, true));
        p.setPen(skin.Color("title"));
        p.drawText(QRect(at, QSize(480, 24)), Qt::AlignLeft | Qt::AlignTop,
                   item["text"].toString());
    } else if (type == "heading") {
        const QPoint at = PointOf(item["at"]);
        p.setFont(skin.Font(13, true));
        p.setPen(skin.Color("heading"));
        p.drawText(QRect(at, QSize(400, 18)), Qt::AlignLeft | Qt::AlignTop,
                   item["text"].toString());
        const int right = item["ruleRight"].toInt(skin.Window("contentRight"));
        p.fillRect(QRect(at.x(), at.y() + 20, right - at.x(), 1), skin.Color("rule"));
    } else if (type == "text") {
        DrawText(p, skin, item, RectOf(item["rect"]));
    } else if (type == "captions") {
        const int right = item["right"].toInt();
        const int width = item["width"].toInt();
        const int dy = item["dy"].toInt(0);
        QJsonObject caption = item;
        caption["align"] = "right";
        for (const QJsonValue& row : item["rows"].toArray()) {
            caption["text"] = row.toArray()[0].toString();
            DrawText(p, skin, caption,
                     QRect(right - width, row.toArray()[1].toInt() + dy, width, 20));
        }
    } else {
        throw std::runtime_error("unknown page item " + type.toStdString());
    }
}

void DrawDeviceBlock(QPainter& p, const Skin& skin) {
    const QJsonObject block = skin.Root()["deviceBlock"].toObject();
    const int y = block["headingY"].toInt();
    p.setFont(skin.Font(11, true));
    p.setPen(skin.Color("caption"));
    p.drawText(QRect(25, y, 160, 16), Qt::AlignLeft | Qt::AlignTop, block["heading"].toString());
    p.fillRect(QRect(25, y + 17, 155, 1), skin.Color("sidebarLine"));
    p.setFont(skin.Font(10));
    p.setPen(skin.Color("note"));
    for (const QJsonValue& row : block["rows"].toArray()) {
        p.drawText(QRect(25, row.toArray()[1].toInt(), 160, 14), Qt::AlignLeft | Qt::AlignTop,
                   row.toArray()[0].toString());
    }
}

QImage DrawPage(const Skin& skin, const QJsonObject& page) {
    const int width = skin.Window("width");
    const int height = skin.Window("height");
    const int band = skin.Window("band");
    const int sidebar = skin.Window("sidebar");
    QImage image = NewImage(QSize(width, height), skin.Color("content"));
    QPainter p(&image);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.fillRect(0, band, sidebar, height - band, skin.Color("sidebar"));
    p.fillRect(sidebar, band, 1, height - band, skin.Color("sidebarLine"));
    DrawBand(p, skin, page["title"].toString());
    if (page["deviceBlock"].toBool()) {
        DrawDeviceBlock(p, skin);
    }
    for (const QJsonValue& item : page["items"].toArray()) {
        DrawPageItem(p, skin, item.toObject());
    }
    return image;
}

// ---- Dialogs and the pieces drawn over pages and dialogs ----

QImage DrawDialog(const Skin& skin, const QJsonObject& dialog) {
    const QSize size = SizeOf(dialog["size"]);
    QImage image = NewImage(size, skin.Color("content"));
    QPainter p(&image);
    QLinearGradient gradient(0, 0, 0, 24);
    gradient.setColorAt(0, skin.Color("bandTop"));
    gradient.setColorAt(1, skin.Color("bandBottom"));
    p.fillRect(0, 0, size.width(), 24, gradient);
    p.fillRect(0, 24, size.width(), 1, skin.Color("bandLine"));
    p.setPen(skin.Color("bandTitle"));
    p.setFont(skin.Font(11, true));
    p.drawText(QRect(10, 0, size.width() - 20, 24), Qt::AlignLeft | Qt::AlignVCenter,
               dialog["title"].toString());
    p.setPen(skin.Color("dialogBorder"));
    p.drawRect(0, 0, size.width() - 1, size.height() - 1);
    return image;
}

QImage Crop(const QImage& source, QPoint at, QSize size) {
    return source.copy(QRect(at, size));
}

QImage DrawMenuEntry(const Skin& skin, const QImage& page, QPoint at, QSize size,
                     const QJsonObject& entry, bool current) {
    QImage image = Crop(page, at, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QColor glyph = skin.Color("accent");
    QColor text = skin.Color("menuText");
    if (current) {
        p.setPen(Qt::NoPen);
        p.setBrush(skin.Color("accent"));
        p.drawRoundedRect(QRectF(1, 2, size.width() - 2, size.height() - 4), 5, 5);
        glyph = text = skin.Color("menuCurrentText");
        // A small chevron marks the page being shown.
        p.setPen(QPen(text, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        const double cx = size.width() - 16, cy = size.height() / 2.0;
        p.drawPolyline(
            QPolygonF({QPointF(cx - 3, cy - 5), QPointF(cx + 2, cy), QPointF(cx - 3, cy + 5)}));
    }
    DrawGlyph(p, entry["glyph"].toString(), QRectF(12, (size.height() - 16) / 2.0, 16, 16), glyph);
    p.setPen(text);
    p.setFont(skin.Font(13, current));
    p.drawText(QRect(38, 0, size.width() - 56, size.height()), Qt::AlignLeft | Qt::AlignVCenter,
               entry["caption"].toString());
    return image;
}

QImage DrawTitleButton(const Skin& skin, const QImage& page, const QJsonObject& button,
                       bool hover) {
    const int side = button["size"].toInt();
    QImage image = Crop(page, PointOf(button["at"]), QSize(side, side));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // Plain glyphs on the band; the hover picture puts them on a filled square.
    if (hover) {
        p.setPen(Qt::NoPen);
        p.setBrush(skin.Color(button["hoverColor"].toString()));
        p.drawRoundedRect(QRectF(1, 1, side - 2, side - 2), 3, 3);
    }
    DrawGlyph(p, button["glyph"].toString(), QRectF(1, 1, side - 2, side - 2),
              skin.Color("bandTitle"));
    return image;
}

QImage DrawOkButton(const Skin& skin, const QImage& dialog, const QJsonObject& button, bool hover) {
    const QSize size = SizeOf(button["size"]);
    QImage image = Crop(dialog, PointOf(button["at"]), size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(skin.Color(hover ? "accentLight" : "accent"));
    p.drawRoundedRect(QRectF(2, 3, size.width() - 4, size.height() - 6), 6, 6);
    p.setPen(skin.Color("menuCurrentText"));
    p.setFont(skin.Font(13, true));
    p.drawText(QRect(QPoint(0, 0), size), Qt::AlignCenter, button["caption"].toString());
    return image;
}

// A step picture: the wireless glyph over a track of segments, `filled` of them lit.
QImage DrawProgressStep(const Skin& skin, const QImage& dialog, const QJsonObject& progress,
                        int filled) {
    const QSize size = SizeOf(progress["size"]);
    const int segments = progress["segments"].toInt();
    QImage image = Crop(dialog, PointOf(progress["at"]), size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    DrawGlyph(p, "wireless", QRectF((size.width() - 22) / 2.0, 2, 22, 22), skin.Color("accent"));
    const double gap = 2, segment = (size.width() - 10 - gap * (segments - 1)) / segments;
    p.setPen(Qt::NoPen);
    for (int i = 0; i < segments; ++i) {
        p.setBrush(skin.Color(i < filled ? "accent" : "track"));
        p.drawRoundedRect(QRectF(5 + i * (segment + gap), 30, segment, 12), 2, 2);
    }
    return image;
}

// Row images sit in list views that treat white as transparent, so they keep a white
// background.
// The keyboard focus ring: a frame of `outer` colour one pixel wide around `width` - 1
// pixels of `inner` colour, with a transparent middle, drawn stretched around the focused
// control. The light outside shows on the dark title band, the dark inside on white.
QImage DrawFocusRing(const Skin& skin, const QJsonObject& ring) {
    const int width = ring["width"].toInt();
    const int side = 2 * width + 2;
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(skin.Color(ring["outer"].toString()));
    QPainter p(&image);
    p.fillRect(QRect(1, 1, side - 2, side - 2), skin.Color(ring["inner"].toString()));
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.fillRect(QRect(width, width, side - 2 * width, side - 2 * width), Qt::transparent);
    return image;
}

QImage DrawRowImage(const Skin& skin, const QJsonObject& row) {
    const int side = row["size"].toInt();
    QImage image = NewImage(QSize(side, side), Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor accent = skin.Color("accent");
    const QString glyph = row["glyph"].toString();
    const double s = side / 35.0;
    if (glyph == "repeater") {
        p.setPen(QPen(accent, 2 * s, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(11 * s, 18 * s), QPointF(8 * s, 6 * s));
        p.drawLine(QPointF(24 * s, 18 * s), QPointF(27 * s, 6 * s));
        p.setPen(Qt::NoPen);
        p.setBrush(accent);
        p.drawRoundedRect(QRectF(5 * s, 17 * s, 25 * s, 11 * s), 3 * s, 3 * s);
        p.setBrush(QColor("#7ee07e"));
        p.drawEllipse(QPointF(11 * s, 22.5 * s), 1.8 * s, 1.8 * s);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(17 * s, 22.5 * s), 1.8 * s, 1.8 * s);
    } else if (glyph == "signal") {
        p.setPen(Qt::NoPen);
        p.setBrush(accent);
        const double bar = side / 6.0;
        for (int i = 0; i < 4; ++i) {
            const double h = side * (0.25 + 0.2 * i);
            p.drawRect(QRectF(bar * (0.6 + 1.3 * i), side - 2 - h, bar, h));
        }
    } else {
        throw std::runtime_error("unknown row glyph " + glyph.toStdString());
    }
    return image;
}

class Output {
public:
    explicit Output(QString dir) : m_dir(std::move(dir)) {}

    void Write(int id, const QImage& image) {
        const QString name = QString::number(id) + ".png";
        if (!image.save(m_dir + "/" + name, "PNG")) {
            throw std::runtime_error("cannot write " + name.toStdString());
        }
        m_files << name;
    }

    void WriteResourceList() const {
        QFile qrc(m_dir + "/skin.qrc");
        if (!qrc.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            throw std::runtime_error("cannot write skin.qrc");
        }
        QByteArray text = "<RCC>\n  <qresource prefix=\"/skin\">\n";
        for (const QString& file : m_files) {
            text += "    <file>" + file.toUtf8() + "</file>\n";
        }
        text += "  </qresource>\n</RCC>\n";
        qrc.write(text);
    }

private:
    QString m_dir;
    QStringList m_files;
};

void Generate(const Skin& skin, Output& out) {
    const QJsonObject& root = skin.Root();
    std::map<int, QImage> surfaces;  // pages and dialogs, for the pieces drawn over them
    for (const QJsonValue& page : root["pages"].toArray()) {
        const int id = page["id"].toInt();
        surfaces[id] = DrawPage(skin, page.toObject());
        out.Write(id, surfaces[id]);
    }
    for (const QJsonValue& dialog : root["dialogs"].toArray()) {
        const int id = dialog["id"].toInt();
        surfaces[id] = DrawDialog(skin, dialog.toObject());
        out.Write(id, surfaces[id]);
    }
    // Menu and title buttons lie on the same spot of every page; the search page serves.
    const QImage& page = surfaces.at(root["pages"].toArray().first().toObject()["id"].toInt());

    const QJsonObject menu = root["menu"].toObject();
    const QSize entrySize = SizeOf(menu["size"]);
    QPoint at = PointOf(menu["origin"]);
    for (const QJsonValue& value : menu["entries"].toArray()) {
        const QJsonObject entry = value.toObject();
        out.Write(entry["normal"].toInt(), DrawMenuEntry(skin, page, at, entrySize, entry, false));
        out.Write(entry["current"].toInt(), DrawMenuEntry(skin, page, at, entrySize, entry, true));
        at.ry() += entrySize.height();
    }
    for (const QJsonValue& value : root["titleButtons"].toArray()) {
        const QJsonObject button = value.toObject();
        out.Write(button["normal"].toInt(), DrawTitleButton(skin, page, button, false));
        out.Write(button["hover"].toInt(), DrawTitleButton(skin, page, button, true));
    }

    const QJsonObject ok = root["okButton"].toObject();
    const QImage& messageBox = surfaces.at(ok["dialog"].toInt());
    out.Write(ok["normal"].toInt(), DrawOkButton(skin, messageBox, ok, false));
    out.Write(ok["hover"].toInt(), DrawOkButton(skin, messageBox, ok, true));

    const QJsonObject progress = root["progress"].toObject();
    const QImage& progressBox = surfaces.at(progress["dialog"].toInt());
    const QJsonArray steps = progress["steps"].toArray();
    for (int i = 0; i < steps.size(); ++i) {
        out.Write(steps[i].toInt(), DrawProgressStep(skin, progressBox, progress, i));
    }
    out.Write(progress["complete"].toInt(),
              DrawProgressStep(skin, progressBox, progress, progress["segments"].toInt()));

    for (const QJsonValue& row : root["rowImages"].toArray()) {
        out.Write(row["id"].toInt(), DrawRowImage(skin, row.toObject()));
    }
    const QJsonObject ring = root["focusRing"].toObject();
    out.Write(ring["id"].toInt(), DrawFocusRing(skin, ring));
    out.WriteResourceList();
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: artgen <skin.json> <output directory>\n");
        return 2;
    }
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "artgen: cannot read %s\n", argv[1]);
        return 1;
    }
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (document.isNull()) {
        std::fprintf(stderr, "artgen: %s: %s\n", argv[1], qPrintable(error.errorString()));
        return 1;
    }
    const QString outDir = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(outDir);
    try {
        Skin skin(document.object());
        Output out(outDir);
        Generate(skin, out);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "artgen: %s\n", e.what());
        return 1;
    }
    return 0;
}
