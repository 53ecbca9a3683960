// The skin registry against the ids the pages and dialogs use, and SkinPicture loading.

#include <QImage>
#include <QPainter>
#include <QtTest>
#include <set>

#include "controls/skin_images.h"
#include "controls/skin_picture.h"

namespace {

struct Expected {
    std::vector<int> ids;
    QSize size;
};

// Written out here, independently of the registry, so that a missing id is caught.
const std::vector<Expected>& ExpectedImages() {
    static const std::vector<Expected> expected = {
        {{133, 134, 136, 137, 138, 140, 141}, QSize(700, 500)},
        {{160, 248}, QSize(260, 144)},
        {{146, 147, 150, 151}, QSize(18, 18)},
        {{168, 162}, QSize(88, 34)},
        {{214, 215, 216, 217, 218, 219, 220, 221, 222, 223, 224, 225, 226, 227}, QSize(175, 33)},
        {{171, 172, 173, 174, 175, 176, 177, 178, 179, 180, 181}, QSize(128, 49)},
        {{249}, QSize(35, 35)},
        {{250}, QSize(20, 20)},
        {{256}, QSize(8, 8)},  // the focus ring, three pixels wide
    };
    return expected;
}

}  // namespace

class SkinImagesTest : public QObject {
    Q_OBJECT

private slots:
    void everyUsedIdIsCompiledInAtItsSize() {
        std::set<int> expectedIds;
        for (const Expected& group : ExpectedImages()) {
            for (int id : group.ids) {
                expectedIds.insert(id);
                const QImage image = LoadSkinImage(id);
                QVERIFY2(!image.isNull(), qPrintable(QStringLiteral("id %1 missing").arg(id)));
                QCOMPARE(image.size(), group.size);
                QCOMPARE(SkinImageSize(id), group.size);
                QCOMPARE(SkinImagePath(id), QStringLiteral(":/skin/%1.png").arg(id));
            }
        }
        // Nothing registered beyond what is used.
        std::set<int> registered;
        for (const SkinImageInfo& info : AllSkinImages()) {
            registered.insert(info.id);
        }
        QCOMPARE(registered, expectedIds);
    }

    void pairedPicturesDiffer() {
        // A hover or current-page picture identical to its normal one would show nothing.
        const std::pair<int, int> pairs[] = {{146, 147}, {150, 151}, {168, 162}, {214, 220},
                                             {223, 224}, {218, 219}, {227, 215}, {216, 217},
                                             {221, 222}, {225, 226}, {172, 171}, {172, 181}};
        for (const auto& [a, b] : pairs) {
            QVERIFY2(LoadSkinImage(a) != LoadSkinImage(b),
                     qPrintable(QStringLiteral("%1 and %2 look the same").arg(a).arg(b)));
        }
    }

    void unknownIdsHaveNothing() {
        QVERIFY(LoadSkinImage(999).isNull());
        QVERIFY(SkinImagePath(128).isEmpty());  // an unused picture id
        QVERIFY(!SkinImageSize(-1).isValid());
    }

    void progressStepsMapToTheirPictures() {
        for (int step = 0; step <= 9; ++step) {
            QCOMPARE(ProgressStepImageId(step), 172 + step);
        }
        QCOMPARE(ProgressStepImageId(10), 171);
        QCOMPARE(ProgressStepImageId(11), 171);
        QCOMPARE(ProgressStepImageId(-1), 171);
    }

    void loadingAMissingIdReleasesThePreviousPicture() {
        SkinPicture picture;
        QVERIFY(picture.Load(133));
        QCOMPARE(picture.Size(), QSize(700, 500));

        QVERIFY(!picture.Load(12345));
        QVERIFY(!picture.IsLoaded());

        QImage target(10, 10, QImage::Format_RGB32);
        target.fill(Qt::magenta);
        QPainter painter(&target);
        QVERIFY(!picture.Draw(painter));
        painter.end();
        QCOMPARE(target.pixelColor(5, 5), QColor(Qt::magenta));
    }

    void drawPutsThePictureAtTheOrigin() {
        SkinPicture picture;
        QVERIFY(picture.Load(249));
        QImage target(40, 40, QImage::Format_RGB32);
        target.fill(Qt::black);
        QPainter painter(&target);
        QVERIFY(picture.Draw(painter));
        painter.end();
        const QImage expected = LoadSkinImage(249).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(target.copy(0, 0, 35, 35), expected);
        QCOMPARE(target.pixelColor(37, 37), QColor(Qt::black));  // natural size, no scaling
    }
};

QTEST_MAIN(SkinImagesTest)
#include "skin_images_test.moc"
