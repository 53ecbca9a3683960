#pragma once

#include <QImage>
#include <QWidget>

// The progress dialog's step picture: the skin's picture of one step, 0 to 9, or of the
// finished run (10 and every other value). Assistive technology reads it as a progress
// bar from 0 to 10.
class StepPicture : public QWidget {
    Q_OBJECT

public:
    static constexpr int kFinished = 10;

    explicit StepPicture(QWidget* parent = nullptr);

    // Shows the picture of `step` and repaints at once.
    void ShowStep(int step);
    // The step shown, 0 to 10.
    int Step() const { return m_step; }
    const QImage& Image() const { return m_image; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_step = 0;
    QImage m_image;
};
