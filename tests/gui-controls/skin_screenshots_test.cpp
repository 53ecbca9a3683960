// Puts the skinned controls together the way the pages and dialogs do and writes
// screenshots to the build tree's artefacts folder, for people to look at.

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

#include "controls/markup_label.h"
#include "controls/picture_button.h"
#include "controls/skin_images.h"
#include "controls/skin_picture.h"
#include "controls/skin_radio_button.h"
#include "controls/state_color_label.h"
#include "controls/transparent_label.h"
#include "discovery/ui/search_layout.h"
#include "window/control_layout.h"
#include "window/page_navigation.h"
#include "window/skin_layout.h"
#include "wizard/page_choices.h"
#include "wizard/ui/message_box.h"
#include "wizard/ui/wizard_control_ids.h"
#include "wizard/ui/wizard_layout.h"

namespace {

// A page or dialog: its background picture and whatever is placed on it.
class Surface : public QWidget {
public:
    explicit Surface(int backgroundId) {
        m_background.Load(backgroundId);
        setFixedSize(m_background.Size());
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        m_background.Draw(painter);
    }

private:
    SkinPicture m_background;
};

struct MenuPictures {
    int normal, current;
};
constexpr MenuPictures kMenu[] = {{214, 220}, {223, 224}, {218, 219}, {227, 215},
                                  {216, 217}, {221, 222}, {225, 226}};

void AddFrame(Surface& page, int currentEntry, bool deviceLabels) {
    for (int i = 0; i < kMenuEntryCount; ++i) {
        auto* entry = new PictureButton(kSummaryMenuLocate + i, &page);
        entry->setGeometry(ToQRect(kMenuEntryRects[i]));
        const int image = i == currentEntry ? kMenu[i].current : kMenu[i].normal;
        entry->SetImages(image, image, image);
    }
    auto* minimize = new PictureButton(kSummaryMinimize, &page);
    minimize->setGeometry(ToQRect(kMinimizeRect));
    minimize->SetImages(146, 147, 146);
    auto* close = new PictureButton(kSummaryClose, &page);
    close->setGeometry(ToQRect(kCloseRect));
    close->SetImages(150, 151, 150);
    if (deviceLabels) {
        auto* mac = new TransparentLabel(&page);
        mac->setGeometry(ToQRect(kDeviceMacRect));
        mac->SetCaption(L"00:1A:2B:3C:4D:5E");
        auto* ip = new TransparentLabel(&page);
        ip->setGeometry(ToQRect(kDeviceIpRect));
        ip->SetCaption(L"192.168.1.254");
    }
}

MarkupLabel* AddValue(Surface& page, const LayoutRect& rect, const std::wstring& text) {
    auto* value = new MarkupLabel(&page);
    value->setGeometry(ToQRect(rect));
    value->SetWindowText(text);
    return value;
}

void AddButton(Surface& page, const LayoutRect& rect, const QString& text) {
    (new QPushButton(text, &page))->setGeometry(ToQRect(rect));
}

void AddEdit(Surface& page, const LayoutRect& rect, const QString& text) {
    (new QLineEdit(text, &page))->setGeometry(ToQRect(rect));
}

void AddList(Surface& page, const LayoutRect& rect, int rowImage, const QStringList& rowA,
             const QStringList& rowB) {
    auto* list = new QTreeWidget(&page);
    list->setGeometry(ToQRect(rect));
    list->setHeaderHidden(true);
    list->setRootIsDecorated(false);
    list->setColumnCount(2);
    list->setColumnWidth(0, list->width() * 55 / 100);
    list->setIconSize(QSize(20, 20));
    auto* a = new QTreeWidgetItem(list, rowA);
    a->setIcon(0, QIcon(QPixmap::fromImage(LoadSkinImage(rowImage))));
    new QTreeWidgetItem(list, rowB);
    list->setCurrentItem(a);
}

bool Save(QWidget& widget, const QString& name) {
    QDir().mkpath(QStringLiteral(TAMSEL_ARTEFACT_DIR));
    return widget.grab().save(QStringLiteral(TAMSEL_ARTEFACT_DIR "/%1.png").arg(name));
}

}  // namespace

class SkinScreenshotsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 9)); }

    void searchPage() {
        Surface page(kSearchPagePicture);
        AddFrame(page, 0, false);
        AddButton(page, kSearchScanRect, QStringLiteral("Scan"));
        AddButton(page, kSearchConnectRect, QStringLiteral("Connect"));
        auto* result = new StateColorLabel(&page);
        result->setGeometry(ToQRect(kSearchResultRect));
        result->SetWindowText(L"2 Ranveils Found !");
        AddList(page, kSearchListRect, 249,
                {QStringLiteral("00:1A:2B:3C:4D:5E"), QStringLiteral("192.168.1.254")},
                {QStringLiteral("00:1A:2B:3C:4D:60"), QStringLiteral("192.168.1.253")});
        QVERIFY(Save(page, QStringLiteral("page_search")));
    }

    void summaryPage() {
        Surface page(kSummaryPagePicture);
        AddFrame(page, 1, true);
        const std::pair<LayoutRect, const wchar_t*> values[] = {
            {kSummaryMacRect, L"00:1A:2B:3C:4D:5E"},
            {kSummaryFirmwareRect, L"1.0.4"},
            {kSummaryLanIpRect, L"192.168.1.254"},
            {kSummaryLanMaskRect, L"255.255.255.0"},
            {kSummaryDhcpRect, L"Enabled"},
            {kSummaryModeRect, L"Repeater"},
            {kSummarySecurityRect, L"WPA2PSK-AES"},
            {kSummaryWanIpRect, L"192.168.1.80"},
            {kSummarySsidRect, L"Tamsel Lab &amp; Office"},
            {kSummaryWanMaskRect, L"255.255.255.0"},
            {kSummaryGatewayRect, L"192.168.1.1"},
            {kSummaryDns1Rect, L"192.168.1.1"},
            {kSummaryDns2Rect, L"<FONT COLOR=\"GrayText\">none</FONT>"}};
        for (const auto& [rect, text] : values) {
            AddValue(page, rect, text);
        }
        QVERIFY(Save(page, QStringLiteral("page_summary")));
    }

    void ipAddressPage() {
        Surface page(kIpAddressPagePicture);
        AddFrame(page, 2, true);
        AddValue(page, kIpCurrentAddressRect, L"192.168.1.254");
        AddValue(page, kIpCurrentMaskRect, L"255.255.255.0");
        AddValue(page, kIpCurrentDhcpRect, L"Enabled");
        AddEdit(page, kIpAddressFieldRect, QStringLiteral("0.0.0.0"));
        AddEdit(page, kIpMaskFieldRect, QStringLiteral("255.255.255.0"));
        auto* on = new SkinRadioButton(&page);
        on->setGeometry(ToQRect(kIpAutoRadioRect));
        auto* off = new SkinRadioButton(&page);
        off->setGeometry(ToQRect(kIpStaticRadioRect));
        off->SetCheck(true);
        AddButton(page, kIpApplyRect, QStringLiteral("Apply"));
        QVERIFY(Save(page, QStringLiteral("page_ipaddress")));
    }

    void wirelessPage() {
        Surface page(kWirelessPagePicture);
        AddFrame(page, 3, true);
        const std::pair<LayoutRect, const wchar_t*> values[] = {
            {kSurveySsidRect, L"Tamsel Lab"},     {kSurveySecurityRect, L"WPA2PSK-AES"},
            {kSurveyIpRect, L"192.168.1.80"},     {kSurveyMaskRect, L"255.255.255.0"},
            {kSurveyGatewayRect, L"192.168.1.1"}, {kSurveyDnsRect, L"192.168.1.1"}};
        for (const auto& [rect, text] : values) {
            AddValue(page, rect, text);
        }
        AddButton(page, kSurveyScanRect, QStringLiteral("Scan"));
        AddButton(page, kSurveyConnectRect, QStringLiteral("Connect"));
        AddList(page, kSurveyListRect, 250,
                {QStringLiteral("Tamsel Lab"), QStringLiteral("WPA2PSK-AES")},
                {QStringLiteral("Guest"), QStringLiteral("None")});
        AddEdit(page, kSurveyKeyRect, QStringLiteral("correct horse battery"));
        auto* key = new QComboBox(&page);
        key->addItems({QStringLiteral("Key 1"), QStringLiteral("Key 2")});
        key->setGeometry(ToQRect(kSurveyDefaultKeyRect).adjusted(0, 0, 0, -177));
        QVERIFY(Save(page, QStringLiteral("page_wireless")));
    }

    void firmwarePage() {
        Surface page(kFirmwarePagePicture);
        AddFrame(page, 4, true);
        AddValue(page, kFirmwareVersionRect, L"1.0.4");
        AddEdit(page, kFirmwareFileRect, QStringLiteral("/home/user/kvq3150tx-1.0.5.bin"));
        AddButton(page, kFirmwareBrowseRect, QStringLiteral("Browse"));
        AddButton(page, kFirmwareApplyRect, QStringLiteral("Apply"));
        QVERIFY(Save(page, QStringLiteral("page_firmware")));
    }

    void passwordPage() {
        Surface page(kPasswordPagePicture);
        AddFrame(page, 5, true);
        AddEdit(page, kPasswordUserRect, QStringLiteral("admin"));
        for (const LayoutRect& rect :
             {kPasswordCurrentRect, kPasswordNewRect, kPasswordRepeatRect}) {
            auto* edit = new QLineEdit(QStringLiteral("secret"), &page);
            edit->setEchoMode(QLineEdit::Password);
            edit->setGeometry(ToQRect(rect));
        }
        AddButton(page, kPasswordApplyRect, QStringLiteral("Apply"));
        QVERIFY(Save(page, QStringLiteral("page_password")));
    }

    void resetPage() {
        Surface page(kResetPagePicture);
        AddFrame(page, 6, true);
        auto* reboot = new SkinRadioButton(&page);
        reboot->setGeometry(ToQRect(kResetRebootRect));
        reboot->SetCheck(true);
        (new SkinRadioButton(&page))->setGeometry(ToQRect(kResetFactoryRect));
        AddButton(page, kResetApplyRect, QStringLiteral("Apply"));
        QVERIFY(Save(page, QStringLiteral("page_reset")));
    }

    void messageBox() {
        Surface box(160);
        auto* ok = new PictureButton(MessageBox::kOkId, &box);
        ok->setGeometry(ToQRect(kMessageOkRect));
        ok->SetImages(168, 162, 168);
        auto* text = new MarkupLabel(&box);
        text->setGeometry(ToQRect(kMessageTextRect));
        text->SetTransparent(true);
        text->SetWindowText(
            L"Invalid Subnet mask. It should be the number of 0, 128, 192, 224, "
            L"240, 248, 252 or 254");
        QVERIFY(Save(box, QStringLiteral("message_box")));
    }

    void progressDialog() {
        for (int step : {0, 3, 7, 10}) {
            Surface box(248);
            auto* picture = new QWidget(&box);
            const QRect size = ToQRect(kProgressStepRect);
            picture->setGeometry(70, 50, size.width(), size.height());
            auto* image = new PictureButton(0, picture);
            image->resize(size.size());
            const int id = ProgressStepImageId(step);
            image->SetImages(id, id, id);
            auto* text = new MarkupLabel(&box);
            text->setGeometry(ToQRect(kProgressTextRect));
            text->SetTransparent(true);
            text->SetWindowText(L"<CENTER>Loading....</CENTER>");
            QVERIFY(Save(box, QStringLiteral("progress_step%1").arg(step)));
        }
    }
};

QTEST_MAIN(SkinScreenshotsTest)
#include "skin_screenshots_test.moc"
