// Draws the program's pictures at build time: the About picture as a 48x48 32-bit bitmap on its light
// grey, the application icon at the sizes a desktop asks for, and the skin's marks.
//     quirella-draw-art OUTPUT_DIRECTORY    (about.bmp, icons/quirella-N.png, skin/*.png)
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

// The About picture's background; drawn transparent by the box.
const QColor kPictureGrey(201, 201, 201);

// A printer with a sheet going in at the back and one coming out at the front, on a 48-unit square.
void drawPrinter(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    const QColor outline(52, 62, 74);
    const QColor paperEdge(120, 128, 138);
    const QColor textLine(150, 160, 172);

    // The sheet at the back.
    p.setPen(QPen(paperEdge, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(13.5, 3.5, 21, 18));
    p.setPen(QPen(textLine, 1));
    for (double y : {7.5, 10.5, 13.5}) p.drawLine(QPointF(16.5, y), QPointF(y == 13.5 ? 27.5 : 31.5, y));

    // The body.
    QLinearGradient body(0, 17, 0, 37);
    body.setColorAt(0, QColor(236, 240, 245));
    body.setColorAt(1, QColor(150, 162, 176));
    QPainterPath shape;
    shape.addRoundedRect(QRectF(3.5, 17.5, 41, 19), 3, 3);
    p.setPen(QPen(outline, 1));
    p.setBrush(body);
    p.drawPath(shape);

    // The slot the sheet goes into, and the front panel.
    p.setPen(QPen(outline, 1.5));
    p.drawLine(QPointF(11, 20.5), QPointF(37, 20.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 84, 100));
    p.drawRoundedRect(QRectF(7, 27, 34, 6), 1.5, 1.5);

    // The power light and a key.
    p.setBrush(QColor(40, 200, 70));
    p.drawEllipse(QPointF(38.5, 23.5), 1.8, 1.8);
    p.setBrush(QColor(90, 104, 120));
    p.drawRect(QRectF(31, 22.5, 4, 2));

    // The printed sheet coming out at the front.
    QPainterPath sheet;
    sheet.moveTo(12, 31);
    sheet.lineTo(36, 31);
    sheet.lineTo(40, 45);
    sheet.lineTo(8, 45);
    sheet.closeSubpath();
    p.setPen(QPen(paperEdge, 1));
    p.setBrush(Qt::white);
    p.drawPath(sheet);
    p.setPen(QPen(QColor(60, 110, 200), 1.2));
    p.drawLine(QPointF(14, 35), QPointF(28, 35));
    p.setPen(QPen(textLine, 1));
    p.drawLine(QPointF(13.5, 38.5), QPointF(34.5, 38.5));
    p.drawLine(QPointF(12.5, 41.5), QPointF(30, 41.5));
}

QImage picture(int size, const QColor& background) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(background);
    QPainter painter(&image);
    painter.scale(size / 48.0, size / 48.0);
    drawPrinter(painter);
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

// The skin's small marks, at 1x and 2x for dense screens: the drop-down arrow and the tick.
QImage arrowDown(int scale) {
    QImage image(7 * scale, 4 * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(52, 62, 74));
    p.drawPolygon(QPolygonF({QPointF(0, 0), QPointF(7, 0), QPointF(3.5, 4)}));
    return image;
}

QImage tick(int scale) {
    QImage image(11 * scale, 11 * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    p.setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(2.5, 5.5), QPointF(4.5, 7.8), QPointF(8.5, 3)}));
    return image;
}

// The error boxes' mark: a red disc with a white cross, 32 pixels at 1x.
QImage errorMark(int scale) {
    const int size = 32 * scale;
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    QRadialGradient disc(QPointF(13, 11), 18);
    disc.setColorAt(0, QColor(240, 92, 84));
    disc.setColorAt(1, QColor(196, 36, 32));
    p.setPen(QPen(QColor(150, 24, 22), 1));
    p.setBrush(disc);
    p.drawEllipse(QRectF(2.5, 2.5, 27, 27));
    p.setPen(QPen(Qt::white, 3.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(11, 11), QPointF(21, 21));
    p.drawLine(QPointF(21, 11), QPointF(11, 21));
    return image;
}

void put16(std::vector<unsigned char>& out, std::uint16_t v) {
    out.push_back(v & 0xFF);
    out.push_back(v >> 8);
}
void put32(std::vector<unsigned char>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back((v >> (8 * i)) & 0xFF);
}

// A Windows bitmap: 32 bits a pixel (blue, green, red, then 255), bottom row first.
bool writeBitmap(const QImage& image, const std::string& file) {
    const std::uint32_t pixels = static_cast<std::uint32_t>(image.width() * image.height() * 4);
    std::vector<unsigned char> out;
    out.push_back('B');
    out.push_back('M');
    put32(out, 14 + 40 + pixels);
    put32(out, 0);
    put32(out, 14 + 40);
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(image.width()));
    put32(out, static_cast<std::uint32_t>(image.height()));  // positive: bottom-up
    put16(out, 1);
    put16(out, 32);
    put32(out, 0);  // BI_RGB
    put32(out, pixels);
    put32(out, 3780);  // 96 dpi
    put32(out, 3780);
    put32(out, 0);
    put32(out, 0);
    for (int y = image.height() - 1; y >= 0; --y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb rgb = image.pixel(x, y);
            out.push_back(static_cast<unsigned char>(qBlue(rgb)));
            out.push_back(static_cast<unsigned char>(qGreen(rgb)));
            out.push_back(static_cast<unsigned char>(qRed(rgb)));
            out.push_back(255);
        }
    std::ofstream stream(file, std::ios::binary);
    stream.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return static_cast<bool>(stream);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: quirella-draw-art OUTPUT_DIRECTORY\n");
        return 64;
    }
    const std::string directory = argv[1];
    QDir().mkpath(QString::fromStdString(directory + "/icons"));
    QDir().mkpath(QString::fromStdString(directory + "/skin"));
    bool ok = writeBitmap(picture(48, kPictureGrey), directory + "/about.bmp");
    for (int size : {16, 32, 48, 64, 128, 256})
        ok = picture(size, Qt::transparent).save(QString::fromStdString(directory + "/icons/quirella-" + std::to_string(size) + ".png")) && ok;
    for (int scale : {1, 2}) {
        const std::string suffix = scale == 1 ? ".png" : "@2x.png";
        ok = arrowDown(scale).save(QString::fromStdString(directory + "/skin/arrow-down" + suffix)) && ok;
        ok = tick(scale).save(QString::fromStdString(directory + "/skin/check" + suffix)) && ok;
        ok = errorMark(scale).save(QString::fromStdString(directory + "/skin/error" + suffix)) && ok;
    }
    if (!ok) std::fprintf(stderr, "quirella-draw-art: cannot write to %s\n", directory.c_str());
    return ok ? 0 : 1;
}
