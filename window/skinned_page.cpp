#include "window/skinned_page.h"

#include <QPainter>

#include "controls/pt_button.h"
#include "controls/transparent_static.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
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

QString Text(int stringId) {
    return QString::fromStdWString(LoadString(stringId));
}

constexpr int kMinimizeImages[] = {146, 147, 146};
constexpr int kCloseImages[] = {150, 151, 150};

}  // namespace

CSkinnedPage::CSkinnedPage(const PageSkin& skin, QWidget* parent)
    : CDialogWindow(parent),
      m_skin(skin),
      m_close(new CPTButton(skin.closeId, this)),
      m_minimize(new CPTButton(skin.minimizeId, this)) {
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
        // The ids name the labels for tests and accessibility tools.
        m_macLabel = new CTransparentStatic(this);
        m_macLabel->setObjectName(QString::number(skin.macLabelId));
        m_ipLabel = new CTransparentStatic(this);
        m_ipLabel->setObjectName(QString::number(skin.ipLabelId));
        m_macLabel->setAccessibleName(Text(kTextMacAddress));
        m_ipLabel->setAccessibleName(Text(kTextIpAddress));
    }
    m_close->setAccessibleName(Text(kTextClose));
    m_minimize->setAccessibleName(Text(kTextMinimize));
    connect(m_close, &CPTButton::clicked, this, [] { CloseMainWindow(); });
    connect(m_minimize, &CPTButton::clicked, this, [] { MinimizeMainWindow(); });
}

void CSkinnedPage::OnInitDialog() {
    m_background.Load(m_skin.backgroundId);
    LayOutSkin();
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

void CSkinnedPage::OnMenuEntry(MenuEntry entry) {
    if (const std::optional<WizardPage> page = PageOfMenuEntry(entry)) {
        ShowWizardPage(*page);
    } else {
        ReturnToSearchPage();
    }
}
