#pragma once

#include <functional>

class QAccessibleEvent;

// What assistive technology (a screen reader over AT-SPI) is told of the skinned controls,
// which Qt would otherwise present as nameless, action-less panes:
//  - PictureButton: a push button (the menu entries: page tabs, the shown page's selected)
//    with a press action;
//  - MarkupLabel, TransparentLabel, StateColorLabel: a label named after its caption (or
//    its text, when it has no name) whose text reads as plain text, tags left out;
//  - Ipv4Field: a group named after the field, holding its four octet fields;
//  - StepPicture: a progress bar from 0 to 10.
// Installs the interfaces once; every such control does so when it is made.
void InstallAccessibleControls();

// Hands a change to assistive technology (QAccessible::updateAccessibility, which passes it
// on only while a screen reader or another tool listens). An observer that a test sets
// sees every such change first, with or without a listener.
void Announce(QAccessibleEvent& event);
using AnnouncementObserver = std::function<void(QAccessibleEvent& event)>;
void SetAnnouncementObserver(AnnouncementObserver observer);
