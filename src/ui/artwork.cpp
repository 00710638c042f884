#include "artwork.h"

#include <QPainter>
#include <QRectF>

#include <cmath>

#if SCORTEX_HAVE_SVG
#include <QSvgRenderer>
#endif

namespace {
bool g_rasterOnly = false;
}

TArtwork::TArtwork(const QString &resource)
{
    if (!resource.isEmpty())
        load(resource);
}

TArtwork::~TArtwork() = default;

QString TArtwork::rasterResource(const QString &resource)
{
    QString png = resource;
    if (png.endsWith(QLatin1String(".svg")))
        png.chop(4);
    png.replace(QLatin1String(":/art/"), QLatin1String(":/art-png/"));
    return png + QLatin1String(".png");
}

double TArtwork::rasterScale(QSize defaultSize)
{
    const int longest = qMax(1, qMax(defaultSize.width(), defaultSize.height()));
    return qMin(4.0, 1024.0 / longest);
}

void TArtwork::setRasterOnly(bool rasterOnly)
{
    g_rasterOnly = rasterOnly;
}

void TArtwork::load(const QString &resource)
{
#if SCORTEX_HAVE_SVG
    m_svg.reset();
#endif
    m_raster = QImage();
    m_scaled = QImage();
    m_defaultSize = QSize();
#if SCORTEX_HAVE_SVG
    if (!g_rasterOnly) {
        m_svg = std::make_unique<QSvgRenderer>(resource);
        m_defaultSize = m_svg->defaultSize();
        return;
    }
#endif
    m_raster = QImage(rasterResource(resource));
    if (m_raster.isNull())
        return;
    // The drawing's own size is kept in the PNG's text, as the scale
    // rounds it.
    const QSize own(m_raster.text(QStringLiteral("Width")).toInt(), m_raster.text(QStringLiteral("Height")).toInt());
    m_defaultSize = own.isValid() ? own : m_raster.size();
}

bool TArtwork::isValid() const
{
#if SCORTEX_HAVE_SVG
    if (m_svg)
        return m_svg->isValid();
#endif
    return !m_raster.isNull();
}

QSize TArtwork::defaultSize() const
{
    return m_defaultSize;
}

void TArtwork::render(QPainter *painter, const QRectF &bounds)
{
#if SCORTEX_HAVE_SVG
    if (m_svg) {
        m_svg->render(painter, bounds);
        return;
    }
#endif
    if (m_raster.isNull() || bounds.isEmpty())
        return;
    // Scaled once to the device pixels it covers, so the picture is as
    // smooth as the vector drawing there.
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const QTransform &t = painter->worldTransform();
    const qreal sx = std::hypot(t.m11(), t.m12()) * ratio;
    const qreal sy = std::hypot(t.m21(), t.m22()) * ratio;
    const QSize pixels(qMax(1, qRound(bounds.width() * sx)), qMax(1, qRound(bounds.height() * sy)));
    if (m_scaled.size() != pixels)
        m_scaled = m_raster.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const bool smooth = painter->testRenderHint(QPainter::SmoothPixmapTransform);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->drawImage(bounds, m_scaled);
    painter->setRenderHint(QPainter::SmoothPixmapTransform, smooth);
}

QImage reportLogo()
{
    ensureArtwork();
    TArtwork svg(QStringLiteral(":/art/logo_quadrato.svg"));
    QImage image(QSize(170, 130), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QSizeF size = svg.defaultSize();
    size.scale(image.size(), Qt::KeepAspectRatio);
    svg.render(&p, QRectF((image.width() - size.width()) / 2, (image.height() - size.height()) / 2, size.width(),
                          size.height()));
    return image;
}

// The artwork lives in a static library; its resources must be registered
// explicitly or the linker drops them.
void ensureArtwork()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(art);
        return true;
    }();
    Q_UNUSED(registered);
}
