#pragma once

#include <QImage>
#include <QSize>
#include <functional>

// The off-screen picture of a control. A control lays itself out, renders the layout
// into this cache once, and its paint event only copies the cache; whatever changes the
// look (text, size, colours, state) invalidates it.
class RenderCache {
public:
    using RenderFunction = std::function<void(QImage& target)>;

    void Invalidate() { m_valid = false; }
    bool IsValid() const { return m_valid; }

    // The cached picture for a control of `size` logical pixels at `devicePixelRatio`.
    // When the cache is invalid or was made for another size, `render` paints a new one
    // into a fully transparent image first.
    const QImage& Get(QSize size, qreal devicePixelRatio, const RenderFunction& render);

    // How many times the picture was rendered, for checks that repaints reuse it.
    int RenderCount() const { return m_renders; }

private:
    QImage m_image;
    bool m_valid = false;
    int m_renders = 0;
};
