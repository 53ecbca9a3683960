#include "window/skinned_page.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>

#include <algorithm>

#include "controls/arrow_keys.h"
#include "controls/ipv4_field.h"
#include "controls/picture_button.h"
#include "controls/transparent_label.h"
#include "resources/string_ids.h"
#include "window/control_layout.h"
#include "window/skin_layout.h"

namespace {

struct MenuLook {
    int normalImage;
    int currentImage;  // on the entry's own page
    int nameId;        // what screen readers call it (the picture holds the caption)
};
constexpr MenuLook kMenuLooks[kMenuEntryCount] = {
    {214, 220, kTextMenuLocate},   {223, 224, kTextMenuRepeater}, {218, 219, kTextMenuIpAddress},
    {227, 215, kTextMenuWireless}, {216, 217, kTextMenuFirmware}, {221, 222, kTextMenuPassword},
    {225, 226, kTextMenuReset}};

constexpr int kMinimizeImages[] = {146, 147, 146};
constexpr int kCloseImages[] = {150, 151, 150};

// Controls whose tops lie this close to the top of a row's first control are read as part
// of that row (values and their fields are placed a pixel or two apart).
constexpr int kRowTolerance = 8;

// The page shown last, for the focus to follow a menu entry to the page it opened.
QPointer<SkinnedPage>& LastShownPage() {
    static QPointer<SkinnedPage> page;
    return page;
}

bool TakesTabFocus(const QWidget* widget) {
    return (widget->focusPolicy() & Qt::TabFocus) != 0 && widget->isEnabled() &&
           !widget->isHidden();
}

}  // namespace

SkinnedPage::SkinnedPage(const PageSkin& skin, QWidget* parent)
    : DialogWindow(parent),
      m_skin(skin),
      m_close(new PictureButton(skin.closeId, this)),
      m_minimize(new PictureButton(skin.minimizeId, this)) {
    setAccessibleName(Text(skin.titleId));
    for (int i = 0; i < kMenuEntryCount; ++i) {
        const auto entry = static_cast<MenuEntry>(i);
        auto* item = new PictureButton(skin.firstMenuId + i, this);
        item->setAccessibleName(Text(kMenuLooks[i].nameId));
        item->SetAccessibleRole(QAccessible::PageTab);
        item->SetSelected(entry == skin.ownEntry);
        m_menu[static_cast<size_t>(i)] = item;
        if (skin.menuNavigates) {
            connect(item, &PictureButton::clicked, this, [this, entry] { OnMenuEntry(entry); });
        }
    }
    if (skin.macLabelId != 0 && skin.ipLabelId != 0) {
        m_macLabel = new TransparentLabel(this);
        NameControl(m_macLabel, skin.macLabelId, kTextDeviceMac);
        m_ipLabel = new TransparentLabel(this);
        NameControl(m_ipLabel, skin.ipLabelId, kTextDeviceIp);
        // Values, but the keyboard reaches them, so a screen reader reads them in turn.
        m_macLabel->setFocusPolicy(Qt::TabFocus);
        m_ipLabel->setFocusPolicy(Qt::TabFocus);
    }
    m_close->setAccessibleName(Text(kTextClose));
    m_minimize->setAccessibleName(Text(kTextMinimize));
    connect(m_close, &PictureButton::clicked, this, [] { CloseMainWindow(); });
    connect(m_minimize, &PictureButton::clicked, this, [] { MinimizeMainWindow(); });
    // The hand over the caption areas follows the mouse without a button held.
    setMouseTracking(true);
}

QString SkinnedPage::Text(int stringId) {
    return QString::fromStdWString(LoadString(stringId));
}

void SkinnedPage::NameControl(QWidget* control, int controlId, int nameId, int descriptionId) {
    control->setObjectName(QString::number(controlId));
    // The address field names each of its octets after itself.
    if (auto* field = qobject_cast<Ipv4Field*>(control)) {
        field->SetAccessibleName(LoadString(nameId));
    } else {
        control->setAccessibleName(Text(nameId));
    }
    if (descriptionId != 0) {
        control->setAccessibleDescription(Text(descriptionId));
    }
}

QPushButton* SkinnedPage::AddButton(int controlId, int textId, int descriptionId) {
    auto* button = new QPushButton(Text(textId), this);
    NameControl(button, controlId, textId, descriptionId);
    return button;
}

void SkinnedPage::OnInitDialog() {
    m_background.Load(m_skin.backgroundId);
    LayOutSkin();
    LayOut();
    ApplyTabOrder();
}

void SkinnedPage::OnShowWindow(bool show) {
    if (!show) {
        // Nobody sees what a page's timers show; a show starts them again.
        KillAllTimers();
        return;
    }
    LayOutSkin();
    LayOut();
    ApplyTabOrder();
    LastShownPage() = this;
    OnShown();
    FocusFirstControl();
}

std::vector<QWidget*> SkinnedPage::OwnControlsInReadingOrder() const {
    std::vector<QWidget*> own;
    for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        const bool skin = child == m_minimize || child == m_close || child == m_macLabel ||
                          child == m_ipLabel ||
                          std::find(m_menu.begin(), m_menu.end(), child) != m_menu.end();
        if (!skin && child->focusPolicy() != Qt::NoFocus) {
            own.push_back(child);
        }
    }
    std::sort(own.begin(), own.end(),
              [](const QWidget* a, const QWidget* b) { return a->y() < b->y(); });
    // Row by row: a row starts at its topmost control; left to right within it.
    for (auto row = own.begin(); row != own.end();) {
        const int top = (*row)->y();
        const auto end = std::find_if(
            row, own.end(), [top](const QWidget* w) { return w->y() - top > kRowTolerance; });
        std::stable_sort(row, end,
                         [](const QWidget* a, const QWidget* b) { return a->x() < b->x(); });
        row = end;
    }
    return own;
}

std::vector<QWidget*> SkinnedPage::ReadingOrder() const {
    std::vector<QWidget*> order = {m_minimize, m_close};
    order.insert(order.end(), m_menu.begin(), m_menu.end());
    if (m_macLabel != nullptr) {
        order.push_back(m_macLabel);
        order.push_back(m_ipLabel);
    }
    const std::vector<QWidget*> own = OwnControlsInReadingOrder();
    order.insert(order.end(), own.begin(), own.end());
    return order;
}

void SkinnedPage::ApplyTabOrder() {
    const std::vector<QWidget*> order = ReadingOrder();
    for (size_t i = 1; i < order.size(); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
}

void SkinnedPage::FocusFirstControl() {
    for (QWidget* control : OwnControlsInReadingOrder()) {
        if (TakesTabFocus(control)) {
            control->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    MenuItem(m_skin.ownEntry)->setFocus(Qt::OtherFocusReason);
}

void SkinnedPage::keyPressEvent(QKeyEvent* event) {
    // A menu entry passes on the keys it does not take itself; the arrows go round the
    // entries that work (the search page's others are disabled).
    const std::vector<QWidget*> menu(m_menu.begin(), m_menu.end());
    if (QWidget* next =
            NextEnabledInRing(menu, QApplication::focusWidget(), ArrowStep(event->key()))) {
        next->setFocus(Qt::TabFocusReason);
        event->accept();
        return;
    }
    DialogWindow::keyPressEvent(event);
}

void SkinnedPage::LayOutSkin() {
    if (m_ipLabel != nullptr) {
        const DeviceCaptions device = SelectedDeviceCaptions();
        PlaceControl(m_ipLabel, kDeviceIpRect);
        m_ipLabel->SetCaption(device.ip);
        PlaceControl(m_macLabel, kDeviceMacRect);
        m_macLabel->SetCaption(device.mac);
    }
    PlaceControl(m_minimize, kMinimizeRect);
    m_minimize->SetImages(kMinimizeImages[0], kMinimizeImages[1], kMinimizeImages[2]);
    PlaceControl(m_close, kCloseRect);
    m_close->SetImages(kCloseImages[0], kCloseImages[1], kCloseImages[2]);
    for (int i = 0; i < kMenuEntryCount; ++i) {
        const MenuLook& look = kMenuLooks[i];
        const bool own = static_cast<MenuEntry>(i) == m_skin.ownEntry;
        const int image = own ? look.currentImage : look.normalImage;
        PictureButton* item = m_menu[static_cast<size_t>(i)];
        PlaceControl(item, kMenuEntryRects[i]);
        item->SetImages(image, image, image);
        if (!m_skin.menuNavigates) {
            item->setEnabled(own);
        }
    }
}

void SkinnedPage::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    m_background.Draw(painter);
}

const SkinnedPage::CaptionArea* SkinnedPage::CaptionAreaAt(QPoint point) const {
    for (const CaptionArea& caption : m_captionAreas) {
        if (caption.area.Contains(point.x(), point.y())) {
            return &caption;
        }
    }
    return nullptr;
}

void SkinnedPage::mousePressEvent(QMouseEvent* event) {
    if (const CaptionArea* caption = CaptionAreaAt(event->position().toPoint());
        caption != nullptr && caption->onPress) {
        caption->onPress();
    }
    DialogWindow::mousePressEvent(event);
}

void SkinnedPage::mouseMoveEvent(QMouseEvent* event) {
    if (CaptionAreaAt(event->position().toPoint()) != nullptr) {
        setCursor(Qt::PointingHandCursor);
    } else {
        unsetCursor();
    }
    DialogWindow::mouseMoveEvent(event);
}

void SkinnedPage::OnMenuEntry(MenuEntry entry) {
    if (IPageNavigation* navigation = NavigationOf(this)) {
        navigation->ShowMenuEntry(entry);
    }
    // The user is in the menu: the focus stays on the entry, on the page it opened.
    SkinnedPage* shown = LastShownPage();
    if (shown != nullptr && shown != this && shown->isVisible()) {
        shown->MenuItem(entry)->setFocus(Qt::OtherFocusReason);
    }
}
