#include "ui/artwork.h"
#include "ui/widgets.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTest>

// The artwork drawn from its vector pictures (Linux) and from the PNGs the
// Windows build carries instead must look the same at every size used.
class TestArtwork : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { ensureArtwork(); }
    void cleanup() { TArtwork::setRasterOnly(false); }
    void everyPictureHasItsPng();
    void pngLooksLikeTheDrawing_data();
    void pngLooksLikeTheDrawing();

private:
    static QStringList pictures()
    {
        return QDir(QStringLiteral(":/art")).entryList({QStringLiteral("*.svg")}, QDir::Files);
    }
};

#if SCORTEX_HAVE_SVG
namespace {

QImage draw(const QString &resource, QSize size, qreal ratio)
{
    QImage image(size * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    TArtwork art(resource);
    art.render(&p, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

} // namespace
#endif

void TestArtwork::everyPictureHasItsPng()
{
    QVERIFY(pictures().size() >= 40);
    TArtwork::setRasterOnly(true);
    for (const QString &name : pictures()) {
        const QString resource = QStringLiteral(":/art/") + name;
        QVERIFY2(QFile::exists(TArtwork::rasterResource(resource)), qPrintable(name));
        TArtwork art(resource);
        QVERIFY2(art.isValid(), qPrintable(name));
        // The PNG is large enough for the drawing at twice its size.
        const QImage png(TArtwork::rasterResource(resource));
        QVERIFY2(png.width() >= qMin(2 * art.defaultSize().width(), 1024), qPrintable(name));
    }
}

void TestArtwork::pngLooksLikeTheDrawing_data()
{
#if !SCORTEX_HAVE_SVG
    QSKIP("the Windows build has no SVG module to compare with: the Linux suite compares the two ways");
#endif
    QTest::addColumn<QString>("name");
    QTest::addColumn<qreal>("ratio");
    for (const QString &name : pictures()) {
        QTest::newRow(qPrintable(name + QStringLiteral(" 1x"))) << name << qreal(1);
        QTest::newRow(qPrintable(name + QStringLiteral(" 2x"))) << name << qreal(2);
    }
}

void TestArtwork::pngLooksLikeTheDrawing()
{
#if SCORTEX_HAVE_SVG
    QFETCH(QString, name);
    QFETCH(qreal, ratio);
    const QString resource = QStringLiteral(":/art/") + name;
    const QSize own = TArtwork(resource).defaultSize();
    // The sizes the screens use: the drawing's own and a button's 48 pixels.
    for (const QSize size : {own, own.scaled(48, 48, Qt::KeepAspectRatio)}) {
        const QImage svg = draw(resource, size, ratio);
        TArtwork::setRasterOnly(true);
        QVERIFY(TArtwork(resource).defaultSize() == own);
        const QImage png = draw(resource, size, ratio);
        TArtwork::setRasterOnly(false);
        qint64 total = 0;
        int worst = 0;
        for (int y = 0; y < svg.height(); ++y) {
            const QRgb *a = reinterpret_cast<const QRgb *>(svg.constScanLine(y));
            const QRgb *b = reinterpret_cast<const QRgb *>(png.constScanLine(y));
            for (int x = 0; x < svg.width(); ++x) {
                const int d = qMax(qMax(qAbs(qRed(a[x]) - qRed(b[x])), qAbs(qGreen(a[x]) - qGreen(b[x]))),
                                   qAbs(qBlue(a[x]) - qBlue(b[x])));
                total += d;
                worst = qMax(worst, d);
            }
        }
        const double mean = double(total) / (svg.width() * svg.height());
        // Only the edges differ, by their antialiasing.
        QVERIFY2(mean < 3.0, qPrintable(QStringLiteral("%1 at %2x%3: mean difference %4, worst %5")
                                            .arg(name).arg(size.width()).arg(size.height()).arg(mean).arg(worst)));
    }
#endif
}

QTEST_MAIN(TestArtwork)
#include "tst_artwork.moc"
