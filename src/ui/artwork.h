#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <memory>

class QPainter;
class QRectF;
class QSvgRenderer;

// One picture of the program's artwork (":/art/name.svg"), drawn at any size.
// Where Qt's SVG module is built (Linux) the vector drawing is rendered; where
// it is not (the Windows build) the same drawing comes as a large PNG rendered
// from it when the program was built, and is scaled down smoothly, so both
// look alike and stay sharp on high-DPI screens.
class TArtwork
{
public:
    explicit TArtwork(const QString &resource = QString());
    ~TArtwork();
    TArtwork(const TArtwork &) = delete;
    TArtwork &operator=(const TArtwork &) = delete;

    void load(const QString &resource);
    bool isValid() const;
    QSize defaultSize() const;
    void render(QPainter *painter, const QRectF &bounds);

    // The PNG drawn instead of `resource` where there is no SVG module.
    static QString rasterResource(const QString &resource);
    // The scale of the PNGs against the drawing's own size: large enough for
    // every use at twice the screen's density, bounded for the biggest ones.
    static double rasterScale(QSize defaultSize);
    // The raster way even where the SVG module is there, to compare the two.
    static void setRasterOnly(bool rasterOnly);

private:
#if SCORTEX_HAVE_SVG
    std::unique_ptr<QSvgRenderer> m_svg;
#endif
    QImage m_raster;
    QSize m_defaultSize;
    QImage m_scaled; // the last size drawn, kept for the repaints
};

// Registers the compiled-in artwork (":/art/...").
void ensureArtwork();

// The square logo as the card reports print it (ReportLayouts::cardReport).
QImage reportLogo();
