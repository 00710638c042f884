#pragma once

#include <QColor>
#include <QDate>
#include <QDateTime>
#include <QFont>
#include <QImage>
#include <QList>
#include <QPageLayout>
#include <QRectF>
#include <QString>
#include <QStringList>

// The report model every printed page comes from. Positions and sizes are
// in report units of 1/96 inch; paper and margins in millimetres.
namespace ReportUnits {
inline constexpr double perMm = 96.0 / 25.4;
inline double mm(double millimetres) { return millimetres * perMm; }
} // namespace ReportUnits

struct ReportObject
{
    enum class Kind { Text, Picture, Line, Shape };

    QString name;
    // A line runs along the top edge of its rectangle, or along its left
    // edge when the rectangle has no width.
    Kind kind = Kind::Text;
    QRectF rect; // relative to its band, or to the printable area

    // Text objects.
    QColor fill;  // invalid: transparent
    QString fontFamily = QStringLiteral("Arial");
    double pointSize = 10;
    bool bold = false;
    QColor color = Qt::black;
    Qt::Alignment horizontal = Qt::AlignLeft;
    Qt::Alignment vertical = Qt::AlignTop;
    bool wordWrap = false;
    bool expressions = false;
    QStringList lines;
    // Distance between lines of a multi-line object; 0 for the font's own.
    double linePitch = 0;

    QImage picture;

    // Shapes: outlined, filled with `fill`, or both.
    bool outline = true;

    // Replaces all lines.
    void setText(const QString &text) { lines = text.split(u'\n'); }
    QString text() const { return lines.join(u'\n'); }
};

struct ReportBand
{
    QString name;
    double height = 0;
    QList<ReportObject> objects;
};

// One laid-out page: what an output draws.
struct PreparedPage
{
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QSizeF printable; // units
    // Objects with their final position on the printable area, texts
    // expanded, and the lines that fall on this page.
    QList<ReportObject> objects;
};

struct PreparedReport
{
    QString name;
    QList<PreparedPage> pages;
};

class Report
{
public:
    // A report of bands (title, master data once, footer) or of objects
    // lying on one page.
    Report(const QString &name, QPageLayout::Orientation orientation);

    const QString &name() const { return m_name; }
    QPageLayout::Orientation orientation() const { return m_orientation; }
    void setOrientation(QPageLayout::Orientation o) { m_orientation = o; }
    static double marginMm() { return 10; }
    QSizeF printableSize() const;

    void addBand(const ReportBand &band) { m_bands << band; }
    void addObject(const ReportObject &object) { m_objects << object; }

    // Objects and bands by name; asking for a name the layout lacks is a
    // programming error.
    ReportObject &object(const QString &name);
    ReportBand &band(const QString &name);
    bool hasObject(const QString &name) const;

    // Lays out and paginates, replacing any earlier preparation. `now`
    // gives [DATE] in objects with expressions on.
    PreparedReport prepare(const QDateTime &now) const;

private:
    PreparedReport prepareObjects(const QDateTime &now) const;
    PreparedReport prepareBands(const QDateTime &now) const;

    QString m_name;
    QPageLayout::Orientation m_orientation;
    QList<ReportBand> m_bands;
    QList<ReportObject> m_objects;
};

class QPainter;

// Draws prepared pages: on a printer, a PDF writer or an image.
namespace ReportRenderer {
// Paints one page in the painter's coordinates, `scale` device pixels per unit,
// with the origin at the printable area.
void paintPage(QPainter &painter, const PreparedPage &page, double scale);
// Page as an image at 96 dpi, paper included.
QImage pageImage(const PreparedPage &page);
} // namespace ReportRenderer
