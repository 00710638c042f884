// Renders every picture of the artwork to a PNG, for the builds that have no
// SVG module (Windows): scortex-artpng OUTPUT_FOLDER
#include "ui/artwork.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "uso: scortex-artpng CARTELLA\n");
        return 2;
    }
    Q_INIT_RESOURCE(art);
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(out.path()))
        return 1;
    const QStringList pictures = QDir(QStringLiteral(":/art")).entryList({QStringLiteral("*.svg")}, QDir::Files);
    for (const QString &name : pictures) {
        QSvgRenderer svg(QStringLiteral(":/art/") + name);
        if (!svg.isValid()) {
            std::fprintf(stderr, "%s: disegno non valido\n", qPrintable(name));
            return 1;
        }
        const QSize own = svg.defaultSize();
        const double scale = TArtwork::rasterScale(own);
        QImage image(QSize(qRound(own.width() * scale), qRound(own.height() * scale)), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing);
            svg.render(&p, QRectF(QPointF(0, 0), image.size()));
        }
        image.setText(QStringLiteral("Width"), QString::number(own.width()));
        image.setText(QStringLiteral("Height"), QString::number(own.height()));
        const QString file = out.filePath(TArtwork::rasterResource(QStringLiteral(":/art/") + name).section(u'/', -1));
        if (!image.save(file, "PNG")) {
            std::fprintf(stderr, "%s: scrittura non riuscita\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
