#include "window/skinned_page.h"

#include <QMouseEvent>
#include <QPainter>

#include "controls/ipv4_field.h"
#include "controls/pt_button.h"
#include "controls/transparent_static.h"
#include "resources/string_ids.h"
#include "window/control_layout.h"

namespace {

struct MenuLook {
    int rectId;
    int normalImage;
    int currentImage;  // on the entry's own page
    int nameId;        // what screen readers call it (the picture holds the caption)
};
constexpr MenuLook kMenuLooks[kMenuEntryCount] = {
    {kRectMenuLocate, 214, 220, kTextMenuLocate},
    {kRectMenuRepeater, 223, 224, kTextMenuRepeater},
    {kRectMenuIpAddress, 218, 219, kTextMenuIpAddress},
    {kRectMenuWireless, 227, 215, kTextMenuWireless},
    {kRectMenuFirmware, 216, 217, kTextMenuFirmware},
    {kRectMenuPassword, 221, 222, kTextMenuPassword},
    {kRectMenuReset, 225, 226, kTextMenuReset}};

constexpr int kMinimizeImages[] = {146, 147, 146};
constexpr int kCloseImages[] = {150, 151, 150};

}  // namespace

CSkinnedPage::CSkinnedPage(const PageSkin& skin, QWidget* parent)
    : CDialogWindow(parent),
      m_skin(skin),
      m_close(new CPTButton(skin.closeId, this)),
      m_minimize(new CPTButton(skin.minimizeId, this)) {
    setAccessibleName(Text(skin.titleId));
    for (int i = 0; i < kMenuEntryCount; ++i) {
        const auto entry = static_cast<MenuEntry>(i);
        auto* item = new CPTButton(skin.firstMenuId + i, this);
        item->setAccessibleName(Text(kMenuLooks[i].nameId));
        m_menu[static_cast<size_t>(i)] = item;
        if (skin.menuNavigates) {
            connect(item, &CPTButton::clicked, this, [this, entry] { OnMenuEntry(entry); });
        }
    }
    if (skin.macLabelId != 0 && skin.ipLabelId != 0) {
        m_macLabel = new CTransparentStatic(this);
        NameControl(m_macLabel, skin.macLabelId, kTextDeviceMac);
        m_ipLabel = new CTransparentStatic(this);
        NameControl(m_ipLabel, skin.ipLabelId, kTextDeviceIp);
    }
    m_close->setAccessibleName(Text(kTextClose));
    m_minimize->setAccessibleName(Text(kTextMinimize));
    connect(m_close, &CPTButton::clicked, this, [] { CloseMainWindow(); });
    connect(m_minimize, &CPTButton::clicked, this, [] { MinimizeMainWindow(); });
    // The hand over the caption areas follows the mouse without a button held.
    setMouseTracking(true);
}

QString CSkinnedPage::Text(int stringId) {
    return QString::fromStdWString(LoadString(stringId));
}

void CSkinnedPage::NameControl(QWidget* control, int controlId, int nameId, int descriptionId) {
    control->setObjectName(QString::number(controlId));
    // The address field names each of its octets after itself.
    if (auto* field = qobject_cast<CIPv4Field*>(control)) {
        field->SetAccessibleName(LoadString(nameId));
    } else {
        control->setAccessibleName(Text(nameId));
    }
    if (descriptionId != 0) {
        control->setAccessibleDescription(Text(descriptionId));
    }
}

void CSkinnedPage::OnInitDialog() {
    m_background.Load(m_skin.backgroundId);
    LayOutSkin();
    LayOut();
}

void CSkinnedPage::OnShowWindow(bool show) {
    if (!show) {
        // Nobody sees what a page's timers show; a show starts them again.
        KillAllTimers();
        return;
    }
    LayOutSkin();
    LayOut();
    OnShown();
}

void CSkinnedPage::LayOutSkin() {
    if (m_ipLabel != nullptr) {
        const DeviceCaptions device = SelectedDeviceCaptions();
        PlaceControl(m_ipLabel, kRectDeviceIp);
        m_ipLabel->SetCaption(device.ip);
        PlaceControl(m_macLabel, kRectDeviceMac);
        m_macLabel->SetCaption(device.mac);
    }
    PlaceControl(m_minimize, kRectMinimize);
    m_minimize->SetImages(kMinimizeImages[0], kMinimizeImages[1], kMinimizeImages[2]);
    PlaceControl(m_close, kRectClose);
    m_close->SetImages(kCloseImages[0], kCloseImages[1], kCloseImages[2]);
    for (int i = 0; i < kMenuEntryCount; ++i) {
        const MenuLook& look = kMenuLooks[i];
        const bool own = static_cast<MenuEntry>(i) == m_skin.ownEntry;
        const int image = own ? look.currentImage : look.normalImage;
        CPTButton* item = m_menu[static_cast<size_t>(i)];
        PlaceControl(item, look.rectId);
        item->SetImages(image, image, image);
        if (!m_skin.menuNavigates) {
            item->setEnabled(own);
        }
    }
}

void CSkinnedPage::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    m_background.Draw(painter);
}

const CSkinnedPage::CaptionArea* CSkinnedPage::CaptionAreaAt(QPoint point) const {
    for (const CaptionArea& caption : m_captionAreas) {
        if (caption.area.Contains(point.x(), point.y())) {
            return &caption;
        }
    }
    return nullptr;
}

void CSkinnedPage::mousePressEvent(QMouseEvent* event) {
    if (const CaptionArea* caption = CaptionAreaAt(event->position().toPoint());
        caption != nullptr && caption->onPress) {
        caption->onPress();
    }
    CDialogWindow::mousePressEvent(event);
}

void CSkinnedPage::mouseMoveEvent(QMouseEvent* event) {
    if (CaptionAreaAt(event->position().toPoint()) != nullptr) {
        setCursor(Qt::PointingHandCursor);
    } else {
        unsetCursor();
    }
    CDialogWindow::mouseMoveEvent(event);
}

void CSkinnedPage::OnMenuEntry(MenuEntry entry) {
    if (const std::optional<WizardPage> page = PageOfMenuEntry(entry)) {
        ShowWizardPage(*page);
    } else {
        ReturnToSearchPage();
    }
}
