#pragma once

#include <QImage>
#include <QSize>

class QPainter;

// One decoded skin picture, drawn at its natural size with its top-left corner at the
// painter's origin. Pages keep one for their background and buttons one per state.
class SkinPicture {
public:
    // Loads the picture with the given resource id, releasing the one held before even
    // when the id is unknown. Returns true when a picture was loaded.
    bool Load(int resourceId);

    // Draws the picture at (0, 0). Returns false, drawing nothing, when none is loaded.
    bool Draw(QPainter& painter) const;

    bool IsLoaded() const { return !m_image.isNull(); }
    QSize Size() const { return m_image.size(); }
    const QImage& Image() const { return m_image; }

private:
    QImage m_image;
};
