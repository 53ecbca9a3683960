#include "controls/arrow_keys.h"

#include <QWidget>

#include <algorithm>

int ArrowStep(int key) {
    switch (key) {
        case Qt::Key_Up:
        case Qt::Key_Left:
            return -1;
        case Qt::Key_Down:
        case Qt::Key_Right:
            return 1;
        default:
            return 0;
    }
}

QWidget* NextEnabledInRing(const std::vector<QWidget*>& group, const QWidget* from, int step) {
    const auto start = std::find(group.begin(), group.end(), from);
    if (start == group.end() || step == 0) {
        return nullptr;
    }
    const auto size = static_cast<std::ptrdiff_t>(group.size());
    std::ptrdiff_t index = start - group.begin();
    for (std::ptrdiff_t tried = 1; tried < size; ++tried) {
        index = (index + step + size) % size;
        QWidget* candidate = group[static_cast<size_t>(index)];
        if (candidate->isEnabled()) {
            return candidate;
        }
    }
    return nullptr;
}
