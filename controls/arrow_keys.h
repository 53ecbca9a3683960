#pragma once

#include <vector>

class QWidget;

// The arrow keys within a group of controls (the menu, a radio group): Up and Left go to
// the previous control, Down and Right to the next, round the group.

// The step an arrow key takes: -1 or 1; 0 for any other key.
int ArrowStep(int key);

// The control `step` places from `from` in `group`, round the group and past the disabled
// ones; null when no other control of the group works.
QWidget* NextEnabledInRing(const std::vector<QWidget*>& group, const QWidget* from, int step);
