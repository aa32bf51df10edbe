#include "emission/tick_images.h"

#include <array>

namespace Cli_kpv41000 {

namespace {

using Rows = std::array<const char*, 16>;

// One character per pixel: '.' olive, K black, O white, S silver, G grey.
constexpr Rows checkRows = {
    "................", ".............S..", "..KKKKKKKKKK.S..", "..KOOOOOOOOO.S..",
    "..KOOOOOOOKO.S..", "..KOOOOOOKKO.S..", "..KOKOOOKKKO.S..", "..KOKKOKKKOO.S..",
    "..KOKKKKKOOO.S..", "..KOOKKKOOOO.S..", "..KOOOKOOOOO.S..", "..KOOOOOOOOO.S..",
    ".............S..", ".SSSSSSSSSSSSS..", "................", "................",
};
constexpr Rows uncheckRows = {
    "................", ".............S..", "..KKKKKKKKKK.S..", "..KOOOOOOOOO.S..",
    "..KOOOOOOOOO.S..", "..KOOOOOOOOO.S..", "..KOOOOOOOOO.S..", "..KOOOOOOOOO.S..",
    "..KOOOOOOOOO.S..", "..KOOOOOOOOO.S..", "..KOOOOOOOOO.S..", "..KOOOOOOOOO.S..",
    ".............S..", ".SSSSSSSSSSSSS..", "................", "................",
};
constexpr Rows grayRows = {
    "................", ".............S..", "..KKKKKKKKKK.S..", "..KSSSSSSSSS.S..",
    "..KSSSSSSSGS.S..", "..KSSSSSSGGS.S..", "..KSGSSSGGGS.S..", "..KSGGSGGGSS.S..",
    "..KSGGGGGSSS.S..", "..KSSGGGSSSS.S..", "..KSSSGSSSSS.S..", "..KSSSSSSSSS.S..",
    ".............S..", ".SSSSSSSSSSSSS..", "................", "................",
};

// The standard 16-colour palette.
const QList<QRgb> palette16 = {
    qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
    qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
    qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
    qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255),
};

int paletteIndex(char pixel) {
    switch (pixel) {
        case 'K':
            return 0;
        case 'S':
            return 7;
        case 'G':
            return 8;
        case 'O':
            return 15;
        default:
            return 3;  // olive
    }
}

QImage build(const Rows& rows) {
    QImage image(16, 16, QImage::Format_Indexed8);
    image.setColorTable(palette16);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) image.setPixel(x, y, paletteIndex(rows[y][x]));
    }
    return image;
}

}  // namespace

QImage TickImageCheck() {
    return build(checkRows);
}
QImage TickImageUncheck() {
    return build(uncheckRows);
}
QImage TickImageGray() {
    return build(grayRows);
}

}  // namespace Cli_kpv41000
