// Renders the SVG icons in resources/icons into the PNG files the program
// shows, as Qt's SVG icon engine draws them: the 18 toolbar images side by
// side in one strip (toolbar.png, 16 pixels square each, and toolbar@2x.png
// at 32), and the program's icon at 64 pixels. One small file to read at
// start-up instead of many, and no SVG renderer. Run it after changing an
// SVG icon:
//
//   g++ -std=c++20 -fPIC scripts/RenderIcons.cpp -o /tmp/render-icons \
//       $(pkg-config --cflags --libs Qt6Gui Qt6Svg)
//   QT_QPA_PLATFORM=offscreen /tmp/render-icons resources/icons

#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QPainter>

#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: render-icons ICON_FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (const int size : {16, 32}) {
        QImage strip(18 * size, size, QImage::Format_ARGB32_Premultiplied);
        strip.fill(Qt::transparent);
        QPainter painter(&strip);
        for (int i = 0; i < 18; ++i) {
            const QIcon icon(QStringLiteral("%1/toolbar/%2.svg").arg(folder).arg(i + 1, 2, 10, QLatin1Char('0')));
            painter.drawPixmap(i * size, 0, icon.pixmap(QSize(size, size)));
        }
        painter.end();
        strip.save(folder + (size == 16 ? QStringLiteral("/toolbar.png") : QStringLiteral("/toolbar@2x.png")));
    }
    QIcon(folder + QStringLiteral("/pergalot.svg")).pixmap(QSize(64, 64)).save(folder + QStringLiteral("/pergalot-64.png"));
    return 0;
}
