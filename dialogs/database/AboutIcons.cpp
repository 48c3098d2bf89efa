#include "AboutIcons.h"

#include <QBitmap>

#include <array>

namespace about_icons {

namespace {

// Each character is a hex index into the standard palette; '.' is transparent.
using Art = std::array<const char*, 32>;

// A yellow columned temple front: pediment, entablature, four columns and steps.
const Art kTemple = {
    "................................", "................................",
    "................................", "..............0000..............",
    "............0BBBBBB0............", "..........0BBBBBBBBBB0..........",
    "........0BBBBB3333BBBBB0........", "......0BBBBB33333333BBBBB0......",
    "....0BBBBB333333333333BBBBB0....", "..0000000000000000000000000000..",
    "..0BBBBBBBBBBBBBBBBBBBBBBBBBB0..", "..0333333333333333333333333330..",
    "..0BBBBBBBBBBBBBBBBBBBBBBBBBB0..", "..0000000000000000000000000000..",
    "....0FB30.0FB30.0FB30.0FB30.....", "....0FB30.0FB30.0FB30.0FB30.....",
    "....0FB30.0FB30.0FB30.0FB30.....", "....0FB30.0FB30.0FB30.0FB30.....",
    "....0FB30.0FB30.0FB30.0FB30.....", "....0FB30.0FB30.0FB30.0FB30.....",
    "....0FB30.0FB30.0FB30.0FB30.....", "....0FB30.0FB30.0FB30.0FB30.....",
    "....0FB30.0FB30.0FB30.0FB30.....", "....0FB30.0FB30.0FB30.0FB30.....",
    "....0FB30.0FB30.0FB30.0FB30.....", "....0FB30.0FB30.0FB30.0FB30.....",
    "..0000000000000000000000000000..", "..BBBBBBBBBBBBBBBBBBBBBBBBBBBB..",
    ".333333333333333333333333333333.", ".BBBBBBBBBBBBBBBBBBBBBBBBBBBBBB.",
    "33333333333333333333333333333333", "00000000000000000000000000000000",
};

// A grey safe, its door ajar on the right, gold bars on the shelf inside.
const Art kSafe = {
    "................................", "................................",
    "................................", "................................",
    "...0000000000000000000000.......", "...0888888888888888888880.......",
    "...0877777777777777770000.......", "...087888888888888888777000.....",
    "...087800000000000000777777000..", "...0878000000000000000777777770.",
    "...0878000000000000000777777770.", "...0878000000000000007777777770.",
    "...087800BBBB000000007777777770.", "...087800BBBB000000007777888770.",
    "...087800BBBB0000000077778F8770.", "...0878088888888888807777808770.",
    "...0878000000000000007777888770.", "...0878000000000000007777888770.",
    "...0878000000000000007777777770.", "...0878000000077777007777777770.",
    "...0878000000077777007777777770.", "...0878000000077777000777777770.",
    "...0878000000077777000777777770.", "...087800000000000000777777000..",
    "...087888888888888888777000.....", "...0877777777777777770000.......",
    "...0888888888888888888880.......", "...0000000000000000000000.......",
    ".....0000..........0000.........", ".....0000..........0000.........",
    "................................", "................................",
};

const std::array<QRgb, 16> kPalette = {
    qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
    qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
    qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
    qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};

int colourIndex(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1; // transparent
}

// Transparent pixels carry index 0 in the image and are cleared in the mask.
QImage imageOf(const Art& art) {
    QImage image(32, 32, QImage::Format_Indexed8);
    image.setColorTable(QList<QRgb>(kPalette.begin(), kPalette.end()));
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            image.setPixel(x, y, static_cast<uint>(std::max(0, colourIndex(art[y][x]))));
    return image;
}

QBitmap maskOf(const Art& art) {
    QImage mask(32, 32, QImage::Format_MonoLSB);
    mask.setColorCount(2);
    mask.setColor(0, qRgb(255, 255, 255)); // Qt's bitmaps: colour0 is transparent
    mask.setColor(1, qRgb(0, 0, 0));
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            mask.setPixel(x, y, colourIndex(art[y][x]) < 0 ? 0 : 1);
    return QBitmap::fromImage(mask);
}

QPixmap iconOf(const Art& art) {
    QPixmap pixmap = QPixmap::fromImage(imageOf(art));
    pixmap.setMask(maskOf(art));
    return pixmap;
}

} // namespace

QImage templeImage() {
    return imageOf(kTemple);
}

QImage safeImage() {
    return imageOf(kSafe);
}

QPixmap templeIcon() {
    return iconOf(kTemple);
}

QPixmap safeIcon() {
    return iconOf(kSafe);
}

} // namespace about_icons
