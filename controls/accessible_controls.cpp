#include "controls/accessible_controls.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QRect>

#include "controls/cached_control.h"
#include "controls/ipv4_field.h"
#include "controls/picture_button.h"
#include "controls/step_picture.h"

namespace {

class AccessiblePictureButton : public QAccessibleWidget {
public:
    explicit AccessiblePictureButton(PictureButton* button) : QAccessibleWidget(button) {}

    // Asked each time: the interface may be made before the owner sets the role.
    QAccessible::Role role() const override { return Button()->AccessibleRole(); }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        if (role() == QAccessible::PageTab) {
            state.selectable = true;
            state.selected = Button()->IsSelected();
        }
        return state;
    }

    QStringList actionNames() const override {
        return QStringList(pressAction()) << QAccessibleWidget::actionNames();
    }
    void doAction(const QString& actionName) override {
        if (actionName == pressAction()) {
            Button()->Click();
        } else {
            QAccessibleWidget::doAction(actionName);
        }
    }

private:
    PictureButton* Button() const { return static_cast<PictureButton*>(widget()); }
};

// A text control that shows one value; the text interface gives the value.
class AccessibleTextLabel : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit AccessibleTextLabel(CachedControl* label)
        : QAccessibleWidget(label, QAccessible::StaticText) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::TextInterface ? static_cast<QAccessibleTextInterface*>(this)
                                                  : QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text kind) const override {
        switch (kind) {
            case QAccessible::Name:
                return widget()->accessibleName().isEmpty() ? Value() : widget()->accessibleName();
            case QAccessible::Value:
                return Value();
            default:
                return QAccessibleWidget::text(kind);
        }
    }

    // QAccessibleTextInterface: the whole value, nothing selected, no caret.
    QString text(int startOffset, int endOffset) const override {
        return Value().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return static_cast<int>(Value().size()); }
    void selection(int /*selectionIndex*/, int* startOffset, int* endOffset) const override {
        *startOffset = 0;
        *endOffset = 0;
    }
    int selectionCount() const override { return 0; }
    void addSelection(int /*startOffset*/, int /*endOffset*/) override {}
    void removeSelection(int /*selectionIndex*/) override {}
    void setSelection(int /*selectionIndex*/, int /*startOffset*/, int /*endOffset*/) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int /*position*/) override {}
    QRect characterRect(int /*offset*/) const override { return rect(); }
    int offsetAtPoint(const QPoint& /*point*/) const override { return -1; }
    void scrollToSubstring(int /*startIndex*/, int /*endIndex*/) override {}
    QString attributes(int offset, int* startOffset, int* endOffset) const override {
        *startOffset = offset;
        *endOffset = offset;
        return QString();
    }

private:
    QString Value() const { return static_cast<CachedControl*>(widget())->AccessibleText(); }
};

// The progress of a run in steps: 0 to 10.
class AccessibleStepPicture : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit AccessibleStepPicture(StepPicture* picture)
        : QAccessibleWidget(picture, QAccessible::ProgressBar) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ValueInterface ? static_cast<QAccessibleValueInterface*>(this)
                                                   : QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Value) {
            return QString::number(Picture()->Step());
        }
        return QAccessibleWidget::text(kind);
    }

    QVariant currentValue() const override { return Picture()->Step(); }
    void setCurrentValue(const QVariant& /*value*/) override {}  // shown, not set
    QVariant maximumValue() const override { return StepPicture::kFinished; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

private:
    StepPicture* Picture() const { return static_cast<StepPicture*>(widget()); }
};

AnnouncementObserver& Observer() {
    static AnnouncementObserver observer;
    return observer;
}

QAccessibleInterface* Factory(const QString& className, QObject* object) {
    if (className == QLatin1String("PictureButton")) {
        return new AccessiblePictureButton(static_cast<PictureButton*>(object));
    }
    if (className == QLatin1String("MarkupLabel") ||
        className == QLatin1String("TransparentLabel") ||
        className == QLatin1String("StateColorLabel")) {
        return new AccessibleTextLabel(static_cast<CachedControl*>(object));
    }
    if (className == QLatin1String("Ipv4Field")) {
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Grouping);
    }
    if (className == QLatin1String("StepPicture")) {
        return new AccessibleStepPicture(static_cast<StepPicture*>(object));
    }
    return nullptr;
}

}  // namespace

void InstallAccessibleControls() {
    static const bool installed = [] {
        QAccessible::installFactory(Factory);
        return true;
    }();
    (void)installed;
}

void Announce(QAccessibleEvent& event) {
    if (Observer()) {
        Observer()(event);
    }
    QAccessible::updateAccessibility(&event);
}

void SetAnnouncementObserver(AnnouncementObserver observer) {
    Observer() = std::move(observer);
}
