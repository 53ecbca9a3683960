#include "controls/skin_images.h"

#include <algorithm>
#include <unordered_map>

// The compiled-in resource list lives in this static library; referencing its
// initialiser keeps the linker from dropping it and registers it before first use.
static void InitSkinResources() {
    static const bool done = [] {
        Q_INIT_RESOURCE(skin);
        return true;
    }();
    (void)done;
}

namespace {

constexpr QSize kPage(700, 500);
constexpr QSize kDialog(260, 144);
constexpr QSize kTitleButton(18, 18);
constexpr QSize kOkButton(88, 34);
constexpr QSize kMenuEntry(175, 33);
constexpr QSize kProgressStep(128, 49);

constexpr int kProgressSteps[] = {172, 173, 174, 175, 176, 177, 178, 179, 180, 181};
constexpr int kProgressDone = 171;

std::vector<SkinImageInfo> BuildTable() {
    std::vector<SkinImageInfo> table = {
        // Page backgrounds: search, IP address, firmware, password, reset, summary,
        // wireless repeater.
        {kSearchPagePicture, kPage},
        {kIpAddressPagePicture, kPage},
        {kFirmwarePagePicture, kPage},
        {kPasswordPagePicture, kPage},
        {kResetPagePicture, kPage},
        {kSummaryPagePicture, kPage},
        {kWirelessPagePicture, kPage},
        // Message and progress dialog backgrounds.
        {160, kDialog},
        {248, kDialog},
        // Minimize normal / hover, Close normal / hover.
        {146, kTitleButton},
        {147, kTitleButton},
        {150, kTitleButton},
        {151, kTitleButton},
        // Message dialog OK: normal / hover.
        {168, kOkButton},
        {162, kOkButton},
        // List row images: search page, wireless page.
        {249, QSize(35, 35)},
        {250, QSize(20, 20)},
        // The keyboard focus ring, stretched around the focused control.
        {kFocusRingImageId, QSize(2 * kFocusRingWidth + 2, 2 * kFocusRingWidth + 2)},
    };
    // Menu entries, normal and current-page pictures.
    for (int id = 214; id <= 227; ++id) {
        table.push_back({id, kMenuEntry});
    }
    table.push_back({kProgressDone, kProgressStep});
    for (int id : kProgressSteps) {
        table.push_back({id, kProgressStep});
    }
    std::sort(table.begin(), table.end(),
              [](const SkinImageInfo& a, const SkinImageInfo& b) { return a.id < b.id; });
    return table;
}

const SkinImageInfo* Find(int id) {
    const auto& table = AllSkinImages();
    const auto it =
        std::lower_bound(table.begin(), table.end(), id,
                         [](const SkinImageInfo& info, int wanted) { return info.id < wanted; });
    return it != table.end() && it->id == id ? &*it : nullptr;
}

}  // namespace

const std::vector<SkinImageInfo>& AllSkinImages() {
    static const std::vector<SkinImageInfo> table = BuildTable();
    return table;
}

QString SkinImagePath(int id) {
    if (Find(id) == nullptr) {
        return {};
    }
    return QStringLiteral(":/skin/%1.png").arg(id);
}

QSize SkinImageSize(int id) {
    const SkinImageInfo* info = Find(id);
    return info != nullptr ? info->size : QSize();
}

QImage LoadSkinImage(int id) {
    static std::unordered_map<int, QImage> decoded;
    const auto cached = decoded.find(id);
    if (cached != decoded.end()) {
        return cached->second;
    }
    const QString path = SkinImagePath(id);
    if (path.isEmpty()) {
        return {};
    }
    InitSkinResources();
    QImage image(path);
    if (!image.isNull()) {
        decoded.emplace(id, image);
    }
    return image;
}

int ProgressStepImageId(int step) {
    if (step >= 0 && step < static_cast<int>(std::size(kProgressSteps))) {
        return kProgressSteps[step];
    }
    return kProgressDone;
}
