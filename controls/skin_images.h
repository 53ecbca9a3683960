#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <vector>

// The skin pictures by the resource ids the pages use: page and dialog backgrounds, menu
// entries, title and OK buttons, the progress step pictures and the list row images.
// The pictures are drawn at build time (resources/art) and compiled in under ":/skin/".

struct SkinImageInfo {
    int id;
    QSize size;  // the size every user of the id lays its controls out for
};

// Every id the program draws, in ascending order.
const std::vector<SkinImageInfo>& AllSkinImages();

// The resource path of an id (":/skin/<id>.png"), empty for an unknown id.
QString SkinImagePath(int id);

// The size registered for an id, invalid (QSize()) for an unknown id.
QSize SkinImageSize(int id);

// The decoded picture of an id, null for an unknown id. Pictures are decoded once and
// then shared (QImage is implicitly shared), so pages that re-apply their images on
// every layout do not decode them again. User-interface thread only.
QImage LoadSkinImage(int id);

// The page pictures.
enum PagePictureId : int {
    kSearchPagePicture = 133,
    kIpAddressPagePicture = 134,
    kFirmwarePagePicture = 136,
    kPasswordPagePicture = 137,
    kResetPagePicture = 138,
    kSummaryPagePicture = 140,
    kWirelessPagePicture = 141,
};

// The keyboard focus ring: its picture, and how wide it is around the focused control.
inline constexpr int kFocusRingImageId = 256;
inline constexpr int kFocusRingWidth = 3;

// Resource ids of the progress dialog's step pictures: steps 0 to 9, and the picture for
// step 10 and for any other value.
int ProgressStepImageId(int step);
