// The markup layout and rendering on any text and control size, on Qt's offscreen
// platform: it ends, keeps fonts within their size limits and every drawn piece above
// the control's bottom, keeps no piece without width, and draws without fault.

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "controls/markup_layout.h"
#include "fuzz_check.h"

namespace {

QGuiApplication* g_app = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    g_app = new QGuiApplication(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) {
        return 0;
    }
    // The control: up to the 700 x 500 window, margins, transparency.
    MarkupStyle style;
    style.font = QFont(QStringLiteral("DejaVu Sans"));
    style.font.setPixelSize(1 + data[0] % 24);
    style.client = QRect(0, 0, data[1] * 700 / 255, data[2] * 500 / 255);
    style.leftMargin = data[3] % 8;
    style.rightMargin = data[3] / 8 % 8;
    style.transparent = (data[3] & 0x40) != 0;
    style.textColor = 0x000000;
    style.backgroundColor = 0xFFFFFF;
    const std::wstring text = fuzz::AnyText(data + 4, size - 4);

    const MarkupLayout layout = LayoutMarkup(text, style);
    for (const MarkupLayout::Text& piece : layout.texts) {
        FUZZ_CHECK(piece.font.pixelSize() >= 1 && piece.font.pixelSize() <= 200);
        FUZZ_CHECK(piece.box.width() > 0);
        FUZZ_CHECK(piece.box.bottom() <= style.client.bottom());
        FUZZ_CHECK(!piece.text.isEmpty());
    }
    FUZZ_CHECK(layout.links.size() <= layout.texts.size());
    for (const MarkupLayout::Rule& rule : layout.rules) {
        FUZZ_CHECK(rule.rect.height() >= 0 && rule.rect.height() <= 100);
    }

    if (!style.client.isEmpty()) {
        QImage image(style.client.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::gray);
        QPainter painter(&image);
        RenderMarkup(layout, painter);
    }
    return 0;
}
