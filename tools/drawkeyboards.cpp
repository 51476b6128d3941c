// Draws keyboards as Kelvara draws them from what OpenRGB's drivers describe (a full ISO board,
// an ANSI TKL board and a laptop) in two of the pictures' themes, into PNG files.
//
//     kelvara_drawkeyboards OUTPUT_DIRECTORY

#include "canvas/keyboardpainter.h"
#include "led/ledplacement.h"
#include "support/referencekeyboards.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIRECTORY\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const std::pair<const char*, const char*> boards[] = {
        {"full-iso", "corsair-v2-protocol-k70-core-rgb-iso"},
        {"tkl-ansi", "razer-razer-huntsman-v2-tkl-ansi"},
        {"laptop", "asus-aura-core-laptop-g533zm-ansi"},
    };
    for (const auto& [file, id] : boards) {
        const auto& device = kelvara::testing::referenceKeyboard(QString::fromLatin1(id)).device;
        const auto controller = kelvara::openrgb::parseControllerData(
            kelvara::testing::FakeOpenRgbServer::encodeDevice(device, 6), 6);
        if (!controller) {
            std::fprintf(stderr, "cannot read %s\n", id);
            return 1;
        }
        const kelvara::KeyboardDrawing drawing = kelvara::placeLeds(*controller).drawing;
        const QRectF bounds = kelvara::boardBounds(drawing);
        const double pixelsPerKey = 40;
        for (const char* themeName : {"Midnight", "Spectrum"}) {
            QImage image((bounds.size() * pixelsPerKey).toSize(),
                         QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            kelvara::paintKeyboard(painter, drawing,
                                   *kelvara::keyboardTheme(QString::fromLatin1(themeName)),
                                   QRectF(QPointF(0, 0), image.size()));
            painter.end();
            const QString path = out.filePath(
                QStringLiteral("%1-%2.png")
                    .arg(QString::fromLatin1(file), QString::fromLatin1(themeName).toLower()));
            if (!image.save(path, "PNG")) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
                return 1;
            }
        }
    }
    return 0;
}
