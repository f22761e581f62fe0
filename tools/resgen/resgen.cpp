// Generates resources/marker.png, resources/skymra.png (16 x 16), the icon at 32, 48 and 256 px
// (skymra-N.png, nearest-neighbour from the 16 x 16 one) and resources/skymra.ico.
// With --check it writes nothing and fails when a committed file differs from what it would write.
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>

#include <array>
#include <cstdint>
#include <cstdio>

namespace {

QImage markerPicture() {
    QImage img(32, 32, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    const QRgb red = qRgb(255, 0, 0);
    for (int y = 6; y <= 26; ++y) {
        for (int x = 0; x <= 30; ++x) {
            const bool frame = x <= 2 || x >= 28 || y <= 8 || y >= 24;
            if (frame) img.setPixel(x, y, red);
        }
    }
    for (int x : {3, 5, 7, 9, 11, 19, 21, 23, 25, 27}) img.setPixel(x, 16, red);
    for (int y : {9, 11, 13, 19, 21, 23}) img.setPixel(15, y, red);
    return img;
}

// The sixteen colours of the classic palette; the icon uses a few of them.
constexpr std::array<QRgb, 16> Palette = {
    0xFF000000, 0xFF800000, 0xFF008000, 0xFF808000, 0xFF000080, 0xFF800080, 0xFF008080, 0xFFC0C0C0,
    0xFF808080, 0xFFFF0000, 0xFF00FF00, 0xFFFFFF00, 0xFF0000FF, 0xFFFF00FF, 0xFF00FFFF, 0xFFFFFFFF};

// A grey box camera: raised part top left, lens stub on the right, red, green and blue blocks
// along the lower edge. '.' is transparent, digits and letters index the palette.
constexpr const char* IconRows[16] = {
    "................", "................", ".00000..........", ".07770..........",
    "0000000000000...", "0777777777770...", "07888888888700..", "078888888887770.",
    "078888888887770.", "07888888888700..", "0777777777770...", "0799AA77CC770...",
    "0799AA77CC770...", "0000000000000...", "................", "................"};

int paletteIndex(char c) { return c >= 'A' ? c - 'A' + 10 : c - '0'; }

QImage iconPicture() {
    QImage img(16, 16, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const char c = IconRows[y][x];
            if (c != '.') img.setPixel(x, y, Palette[static_cast<std::size_t>(paletteIndex(c))]);
        }
    }
    return img;
}

void put16(QByteArray& b, int v) {
    b.append(static_cast<char>(v & 0xFF));
    b.append(static_cast<char>((v >> 8) & 0xFF));
}
void put32(QByteArray& b, std::uint32_t v) {
    put16(b, static_cast<int>(v & 0xFFFF));
    put16(b, static_cast<int>(v >> 16));
}

// A 16 x 16, 4-bit icon file: directory, BITMAPINFOHEADER, palette, XOR rows, AND mask rows.
QByteArray iconFile() {
    QByteArray image;
    put32(image, 40);
    put32(image, 16);
    put32(image, 32);  // twice the height: XOR and AND bitmaps
    put16(image, 1);
    put16(image, 4);
    for (int i = 0; i < 6; ++i) put32(image, 0);
    for (QRgb c : Palette) put32(image, c & 0x00FFFFFF);
    for (int y = 15; y >= 0; --y) {  // bottom-up
        for (int x = 0; x < 16; x += 2) {
            auto idx = [&](int xx) {
                return IconRows[y][xx] == '.' ? 0 : paletteIndex(IconRows[y][xx]);
            };
            image.append(static_cast<char>((idx(x) << 4) | idx(x + 1)));
        }
    }
    for (int y = 15; y >= 0; --y) {
        std::uint32_t mask = 0;
        for (int x = 0; x < 16; ++x) {
            if (IconRows[y][x] == '.') mask |= 0x80000000u >> x;
        }
        image.append(static_cast<char>(mask >> 24));
        image.append(static_cast<char>((mask >> 16) & 0xFF));
        image.append(static_cast<char>(0));
        image.append(static_cast<char>(0));
    }
    QByteArray file;
    put16(file, 0);
    put16(file, 1);  // icon
    put16(file, 1);  // one image
    file.append(static_cast<char>(16));
    file.append(static_cast<char>(16));
    file.append(static_cast<char>(16));  // colours
    file.append(static_cast<char>(0));
    put16(file, 1);
    put16(file, 4);
    put32(file, static_cast<std::uint32_t>(image.size()));
    put32(file, 22);
    return file + image;
}

bool write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

struct Picture {
    QString name;
    QImage image;
};

QList<Picture> pictures() {
    QList<Picture> out = {{QStringLiteral("marker.png"), markerPicture()},
                          {QStringLiteral("skymra.png"), iconPicture()}};
    for (const int size : {32, 48, 256}) {
        // Whole pixels of the 16 x 16 design, no smoothing.
        out.append(
            {QStringLiteral("skymra-%1.png").arg(size),
             iconPicture().scaled(size, size, Qt::IgnoreAspectRatio, Qt::FastTransformation)});
    }
    return out;
}

bool check(const QString& dir) {
    bool same = true;
    for (const Picture& p : pictures()) {
        const QImage committed(dir + "/" + p.name);
        if (committed.convertToFormat(QImage::Format_ARGB32) !=
            p.image.convertToFormat(QImage::Format_ARGB32)) {
            std::fprintf(stderr, "resgen: %s is not what resgen makes\n", qPrintable(p.name));
            same = false;
        }
    }
    QFile ico(dir + "/skymra.ico");
    if (!ico.open(QIODevice::ReadOnly) || ico.readAll() != iconFile()) {
        std::fprintf(stderr, "resgen: skymra.ico is not what resgen makes\n");
        same = false;
    }
    return same;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const bool checking = args.contains(QStringLiteral("--check"));
    const QStringList dirs = args.filter(QRegularExpression(QStringLiteral("^[^-]")));
    const QString dir = dirs.isEmpty() ? QStringLiteral("resources") : dirs.first();
    if (checking) return check(dir) ? 0 : 1;
    bool ok = write(dir + "/skymra.ico", iconFile());
    for (const Picture& p : pictures()) ok = p.image.save(dir + "/" + p.name) && ok;
    if (!ok) std::fprintf(stderr, "resgen: could not write into %s\n", qPrintable(dir));
    return ok ? 0 : 1;
}
