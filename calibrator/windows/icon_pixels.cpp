// Build tool: writes an image's pixels as a C++ header, so that the program
// shows its window icon without decoding an image when it starts.
//   orv-icon-pixels IMAGE HEADER
#include <QFile>
#include <QImage>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: orv-icon-pixels IMAGE HEADER\n");
        return 2;
    }
    const QImage image = QImage(QString::fromLocal8Bit(argv[1])).convertToFormat(QImage::Format_RGBA8888);
    if (image.isNull()) {
        std::fprintf(stderr, "orv-icon-pixels: cannot read %s\n", argv[1]);
        return 1;
    }
    if (image.width() != image.height()) {
        std::fprintf(stderr, "orv-icon-pixels: %s is not square\n", argv[1]);
        return 1;
    }
    QByteArray text = "#pragma once\n\n// Made at build time from " + QByteArray(argv[1]).split('/').last()
                      + " by orv-icon-pixels: RGBA, 8 bits a channel, rows top to bottom.\n"
                      + "constexpr int windowIconSize = " + QByteArray::number(image.width()) + ";\n"
                      + "alignas(4) constexpr unsigned char windowIconPixels[] = {";
    for (int y = 0; y < image.height(); ++y) {
        const uchar *row = image.constScanLine(y);
        for (int x = 0; x < image.width() * 4; ++x)
            text += (x % 16 == 0 ? "\n    " : " ") + QByteArray::number(row[x]) + ',';
    }
    text += "\n};\n";
    QFile out(QString::fromLocal8Bit(argv[2]));
    if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size()) {
        std::fprintf(stderr, "orv-icon-pixels: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
