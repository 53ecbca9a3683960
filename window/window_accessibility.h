#pragma once

// What assistive technology is told of the program's dialogs and pages: the role each
// one asks for (DialogWindow::SetAccessibleRole) and its accessible name. Installs the
// interfaces once; every dialog does so when it is made.
void InstallWindowAccessibility();
