#include "controls/picture_box.h"

#include <gtest/gtest.h>

namespace skymra::test {
namespace {

TEST(PictureBoxTest, PersistentImageIsBackgroundWithPictureAtTopLeft) {
    PictureBox box(QColor(0, 0, 0x80));
    const QImage& img = box.persistentImage();
    EXPECT_EQ(img.format(), QImage::Format_RGB32);
    EXPECT_EQ(img.size(), QSize(320, 240));
    EXPECT_EQ(img.bytesPerLine(), 1280);
    EXPECT_EQ(img.sizeInBytes(), 307200);

    QImage small(100, 50, QImage::Format_RGB32);
    small.fill(qRgb(0x12, 0x34, 0x56));
    box.setPicture(small);
    EXPECT_EQ(img.pixel(0, 0), qRgb(0x12, 0x34, 0x56));
    EXPECT_EQ(img.pixel(99, 49), qRgb(0x12, 0x34, 0x56));
    EXPECT_EQ(img.pixel(100, 0), qRgb(0, 0, 0x80));
    EXPECT_EQ(img.pixel(0, 50), qRgb(0, 0, 0x80));
    // Bits read as 0xXXRRGGBB, top row first, and the fourth byte is 0xFF where the box paints.
    const auto* bits = reinterpret_cast<const quint32*>(img.constBits());
    EXPECT_EQ(bits[0], 0xFF123456u);
    EXPECT_EQ(bits[320 * 50], 0xFF000080u);

    // A bigger picture is cut at the box's edge; a null one leaves the background alone.
    QImage big(640, 480, QImage::Format_RGB32);
    big.fill(Qt::red);
    box.setPicture(big);
    EXPECT_EQ(img.pixel(319, 239), qRgb(255, 0, 0));
    box.setPicture(QImage());
    EXPECT_TRUE(box.picture().isNull());
    EXPECT_EQ(img.pixel(0, 0), qRgb(0, 0, 0x80));
}

TEST(PictureBoxTest, ShowsItsImageOpaqueWhateverTheFourthByte) {
    PictureBox box(Qt::black);
    auto* bits = reinterpret_cast<quint32*>(box.persistentImage().bits());
    for (int i = 0; i < 320 * 240; ++i) bits[i] = (i % 2 == 0) ? 0x00FFFFC0u : 0x80FFFFC0u;
    box.refresh();
    const QImage shown = box.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    for (const QPoint p : {QPoint(0, 0), QPoint(1, 0), QPoint(319, 239), QPoint(160, 120)}) {
        EXPECT_EQ(shown.pixel(p), qRgb(0xFF, 0xFF, 0xC0)) << p.x() << "," << p.y();
    }
    // The persistent image itself keeps what was written.
    EXPECT_EQ(bits[1], 0x80FFFFC0u);
}

}  // namespace
}  // namespace skymra::test
