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
#include "resources/string_table.h"

namespace {

QRect Rect(int id) {
    int x = 0, y = 0, cx = 0, cy = 0;
    LoadLayoutRect(id, x, y, cx, cy);
    return QRect(x, y, cx, cy);
}

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

struct MenuEntry {
    int rectId, normal, current;
};
constexpr MenuEntry kMenu[] = {{183, 214, 220}, {184, 223, 224}, {185, 218, 219}, {186, 227, 215},
                               {187, 216, 217}, {188, 221, 222}, {189, 225, 226}};

void AddFrame(Surface& page, int currentEntry, bool deviceLabels) {
    for (int i = 0; i < 7; ++i) {
        auto* entry = new PictureButton(1119 + i, &page);
        entry->setGeometry(Rect(kMenu[i].rectId));
        const int image = i == currentEntry ? kMenu[i].current : kMenu[i].normal;
        entry->SetImages(image, image, image);
    }
    auto* minimize = new PictureButton(1183, &page);
    minimize->setGeometry(Rect(502));
    minimize->SetImages(146, 147, 146);
    auto* close = new PictureButton(1046, &page);
    close->setGeometry(Rect(503));
    close->SetImages(150, 151, 150);
    if (deviceLabels) {
        auto* mac = new TransparentLabel(&page);
        mac->setGeometry(Rect(206));
        mac->SetCaption(L"00:1A:2B:3C:4D:5E");
        auto* ip = new TransparentLabel(&page);
        ip->setGeometry(Rect(205));
        ip->SetCaption(L"192.168.1.254");
    }
}

MarkupLabel* AddValue(Surface& page, int rectId, const std::wstring& text) {
    auto* value = new MarkupLabel(&page);
    value->setGeometry(Rect(rectId));
    value->SetWindowText(text);
    return value;
}

void AddButton(Surface& page, int rectId, const QString& text) {
    (new QPushButton(text, &page))->setGeometry(Rect(rectId));
}

void AddEdit(Surface& page, int rectId, const QString& text) {
    (new QLineEdit(text, &page))->setGeometry(Rect(rectId));
}

void AddList(Surface& page, int rectId, const QStringList& rowA, const QStringList& rowB) {
    auto* list = new QTreeWidget(&page);
    list->setGeometry(Rect(rectId));
    list->setHeaderHidden(true);
    list->setRootIsDecorated(false);
    list->setColumnCount(2);
    list->setColumnWidth(0, list->width() * 55 / 100);
    list->setIconSize(QSize(20, 20));
    auto* a = new QTreeWidgetItem(list, rowA);
    a->setIcon(0, QIcon(QPixmap::fromImage(LoadSkinImage(rectId == 505 ? 249 : 250))));
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
        Surface page(133);
        AddFrame(page, 0, false);
        AddButton(page, 190, QStringLiteral("Scan"));
        AddButton(page, 191, QStringLiteral("Connect"));
        auto* result = new StateColorLabel(&page);
        result->setGeometry(Rect(507));
        result->SetWindowText(L"2 Ranveils Found !");
        AddList(page, 505, {QStringLiteral("00:1A:2B:3C:4D:5E"), QStringLiteral("192.168.1.254")},
                {QStringLiteral("00:1A:2B:3C:4D:60"), QStringLiteral("192.168.1.253")});
        QVERIFY(Save(page, QStringLiteral("page_search")));
    }

    void summaryPage() {
        Surface page(140);
        AddFrame(page, 1, true);
        const std::pair<int, const wchar_t*> values[] = {
            {200, L"00:1A:2B:3C:4D:5E"},
            {242, L"1.0.4"},
            {243, L"192.168.1.254"},
            {244, L"255.255.255.0"},
            {245, L"Enabled"},
            {246, L"Repeater"},
            {247, L"WPA2PSK-AES"},
            {248, L"192.168.1.80"},
            {249, L"Tamsel Lab &amp; Office"},
            {250, L"255.255.255.0"},
            {251, L"192.168.1.1"},
            {252, L"192.168.1.1"},
            {253, L"<FONT COLOR=\"GrayText\">none</FONT>"}};
        for (const auto& [rect, text] : values) {
            AddValue(page, rect, text);
        }
        QVERIFY(Save(page, QStringLiteral("page_summary")));
    }

    void ipAddressPage() {
        Surface page(134);
        AddFrame(page, 2, true);
        AddValue(page, 196, L"192.168.1.254");
        AddValue(page, 197, L"255.255.255.0");
        AddValue(page, 198, L"Enabled");
        AddEdit(page, 512, QStringLiteral("0.0.0.0"));
        AddEdit(page, 513, QStringLiteral("255.255.255.0"));
        auto* on = new SkinRadioButton(&page);
        on->setGeometry(Rect(510));
        auto* off = new SkinRadioButton(&page);
        off->setGeometry(Rect(511));
        off->SetCheck(true);
        AddButton(page, 235, QStringLiteral("Apply"));
        QVERIFY(Save(page, QStringLiteral("page_ipaddress")));
    }

    void wirelessPage() {
        Surface page(141);
        AddFrame(page, 3, true);
        const std::pair<int, const wchar_t*> values[] = {
            {236, L"Tamsel Lab"},    {237, L"WPA2PSK-AES"}, {238, L"192.168.1.80"},
            {239, L"255.255.255.0"}, {240, L"192.168.1.1"}, {241, L"192.168.1.1"}};
        for (const auto& [rect, text] : values) {
            AddValue(page, rect, text);
        }
        AddButton(page, 530, QStringLiteral("Scan"));
        AddButton(page, 192, QStringLiteral("Connect"));
        AddList(page, 528, {QStringLiteral("Tamsel Lab"), QStringLiteral("WPA2PSK-AES")},
                {QStringLiteral("Guest"), QStringLiteral("None")});
        AddEdit(page, 229, QStringLiteral("correct horse battery"));
        auto* key = new QComboBox(&page);
        key->addItems({QStringLiteral("Key 1"), QStringLiteral("Key 2")});
        key->setGeometry(Rect(540).adjusted(0, 0, 0, -177));
        QVERIFY(Save(page, QStringLiteral("page_wireless")));
    }

    void firmwarePage() {
        Surface page(136);
        AddFrame(page, 4, true);
        AddValue(page, 199, L"1.0.4");
        AddEdit(page, 230, QStringLiteral("/home/user/kvq3150tx-1.0.5.bin"));
        AddButton(page, 231, QStringLiteral("Browse"));
        AddButton(page, 232, QStringLiteral("Apply"));
        QVERIFY(Save(page, QStringLiteral("page_firmware")));
    }

    void passwordPage() {
        Surface page(137);
        AddFrame(page, 5, true);
        AddEdit(page, 533, QStringLiteral("admin"));
        for (int id : {193, 534, 535}) {
            auto* edit = new QLineEdit(QStringLiteral("secret"), &page);
            edit->setEchoMode(QLineEdit::Password);
            edit->setGeometry(Rect(id));
        }
        AddButton(page, 234, QStringLiteral("Apply"));
        QVERIFY(Save(page, QStringLiteral("page_password")));
    }

    void resetPage() {
        Surface page(138);
        AddFrame(page, 6, true);
        auto* reboot = new SkinRadioButton(&page);
        reboot->setGeometry(Rect(194));
        reboot->SetCheck(true);
        (new SkinRadioButton(&page))->setGeometry(Rect(195));
        AddButton(page, 233, QStringLiteral("Apply"));
        QVERIFY(Save(page, QStringLiteral("page_reset")));
    }

    void messageBox() {
        Surface box(160);
        auto* ok = new PictureButton(1104, &box);
        ok->setGeometry(Rect(545));
        ok->SetImages(168, 162, 168);
        auto* text = new MarkupLabel(&box);
        text->setGeometry(Rect(546));
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
            const QRect size = Rect(557);
            picture->setGeometry(70, 50, size.width(), size.height());
            auto* image = new PictureButton(0, picture);
            image->resize(size.size());
            const int id = ProgressStepImageId(step);
            image->SetImages(id, id, id);
            auto* text = new MarkupLabel(&box);
            text->setGeometry(Rect(560));
            text->SetTransparent(true);
            text->SetWindowText(L"<CENTER>Loading....</CENTER>");
            QVERIFY(Save(box, QStringLiteral("progress_step%1").arg(step)));
        }
    }
};

QTEST_MAIN(SkinScreenshotsTest)
#include "skin_screenshots_test.moc"
