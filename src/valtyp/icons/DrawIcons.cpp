// valtyp-draw-icons FOLDER: draws the window icons, a keyboard key on the pan
// of a scale, at 16, 20, 24 and 32 pixels, for both editions. The HUB
// edition's icons are green where the regular ones are blue.

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>

namespace {

struct Colours {
    QColor key;
    QColor keyEdge;
    QColor pan;
};

QImage drawIcon(int size, const Colours& colours) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);  // drawn on a 32 x 32 grid

    // The scale: a foot, a column and a shallow pan.
    p.setPen(Qt::NoPen);
    p.setBrush(colours.pan.darker(130));
    p.drawRoundedRect(QRectF(8, 28, 16, 3), 1.2, 1.2);
    p.drawRect(QRectF(14.5, 21, 3, 7));
    QPainterPath pan;
    pan.moveTo(2, 18);
    pan.lineTo(30, 18);
    pan.quadTo(29, 23, 24, 23);
    pan.lineTo(8, 23);
    pan.quadTo(3, 23, 2, 18);
    p.setBrush(colours.pan);
    p.drawPath(pan);

    // The key, standing on the pan.
    p.setBrush(colours.keyEdge);
    p.drawRoundedRect(QRectF(7, 2, 18, 16), 3, 3);
    p.setBrush(colours.key);
    p.drawRoundedRect(QRectF(9, 3.5, 14, 11), 2, 2);
    // A digit-like mark on the key's top.
    p.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(16, 6), QPointF(16, 12));
    p.drawLine(QPointF(14, 7.5), QPointF(16, 6));
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: valtyp-draw-icons FOLDER\n", stderr);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const Colours regular{QColor(40, 110, 200), QColor(20, 60, 130), QColor(150, 150, 160)};
    const Colours hub{QColor(30, 150, 80), QColor(15, 90, 45), QColor(150, 150, 160)};
    for (int size : {16, 20, 24, 32}) {
        for (const auto& [stem, colours] :
             {std::pair{"Valtyp", regular}, std::pair{"ValtypHUB", hub}}) {
            const QString file =
                QStringLiteral("%1/%2%3.png").arg(folder, QLatin1StringView(stem)).arg(size);
            if (!drawIcon(size, colours).save(file)) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
                return 1;
            }
        }
    }
    return 0;
}
