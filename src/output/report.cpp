#include "report.h"

#include <QPageSize>
#include <QPainter>

#include <cmath>

using ReportUnits::mm;

Report::Report(const QString &name, QPageLayout::Orientation orientation)
    : m_name(name), m_orientation(orientation)
{
}

QSizeF Report::printableSize() const
{
    const QSizeF paper = m_orientation == QPageLayout::Portrait ? QSizeF(210, 297) : QSizeF(297, 210);
    return QSizeF(mm(paper.width() - 2 * marginMm()), mm(paper.height() - 2 * marginMm()));
}

ReportObject &Report::object(const QString &name)
{
    for (ReportObject &o : m_objects) {
        if (o.name == name)
            return o;
    }
    for (ReportBand &b : m_bands) {
        for (ReportObject &o : b.objects) {
            if (o.name == name)
                return o;
        }
    }
    qFatal("Report %s has no object %s", qPrintable(m_name), qPrintable(name));
}

bool Report::hasObject(const QString &name) const
{
    for (const ReportObject &o : m_objects) {
        if (o.name == name)
            return true;
    }
    for (const ReportBand &b : m_bands) {
        for (const ReportObject &o : b.objects) {
            if (o.name == name)
                return true;
        }
    }
    return false;
}

ReportBand &Report::band(const QString &name)
{
    for (ReportBand &b : m_bands) {
        if (b.name == name)
            return b;
    }
    qFatal("Report %s has no band %s", qPrintable(m_name), qPrintable(name));
}

namespace {

ReportObject expanded(ReportObject o, const QDateTime &now)
{
    if (o.kind == ReportObject::Kind::Text && o.expressions) {
        const QString date = now.date().toString(QStringLiteral("dd/MM/yyyy"));
        for (QString &line : o.lines)
            line.replace(QStringLiteral("[DATE]"), date);
    }
    return o;
}

} // namespace

PreparedReport Report::prepare(const QDateTime &now) const
{
    return m_bands.isEmpty() ? prepareObjects(now) : prepareBands(now);
}

PreparedReport Report::prepareObjects(const QDateTime &now) const
{
    PreparedReport out{m_name, {}};
    PreparedPage page{m_orientation, printableSize(), {}};
    for (const ReportObject &o : m_objects)
        page.objects << expanded(o, now);
    out.pages << page;
    return out;
}

PreparedReport Report::prepareBands(const QDateTime &now) const
{
    PreparedReport out{m_name, {}};
    const QSizeF area = printableSize();
    auto newPage = [&] { out.pages << PreparedPage{m_orientation, area, {}}; };
    newPage();
    double y = 0;
    constexpr double eps = 1e-6;

    for (const ReportBand &band : m_bands) {
        QList<ReportObject> objects;
        for (const ReportObject &o : band.objects)
            objects << expanded(o, now);

        // Title and footer stay whole: one that does not fit goes to a new page.
        if (band.name != u"MasterData") {
            if (y + band.height > area.height() + eps && y > 0) {
                newPage();
                y = 0;
            }
            for (ReportObject o : objects) {
                o.rect.translate(0, y);
                out.pages.last().objects << o;
            }
            y += band.height;
            continue;
        }

        // The master data band may split across pages, but never through a
        // line of a multi-line text: each page takes the lines that fit.
        double from = 0; // band coordinate where this page's part starts
        while (true) {
            const double room = area.height() - y;
            double cut = band.height;
            if (band.height - from > room + eps) {
                cut = from + room;
                for (const ReportObject &o : objects) {
                    if (o.kind != ReportObject::Kind::Text || o.linePitch <= 0)
                        continue;
                    const double top = o.rect.top();
                    const double lineAtCut = std::floor((cut - top) / o.linePitch + eps);
                    if (lineAtCut >= 0 && lineAtCut < o.lines.size())
                        cut = std::min(cut, top + lineAtCut * o.linePitch);
                }
                if (cut <= from + eps) {
                    if (y > 0) { // nothing fits here: try a fresh page
                        newPage();
                        y = 0;
                        continue;
                    }
                    cut = from + room; // a single line taller than a page
                }
            }
            const double offset = y - from;
            for (const ReportObject &o : objects) {
                if (o.kind == ReportObject::Kind::Text && o.linePitch > 0) {
                    const double top = o.rect.top();
                    const qsizetype first = std::clamp<qsizetype>(
                        qsizetype(std::ceil((from - top) / o.linePitch - eps)), 0, o.lines.size());
                    const qsizetype last = std::clamp<qsizetype>(
                        qsizetype(std::floor((cut - top) / o.linePitch + eps)), 0, o.lines.size());
                    if (last <= first)
                        continue;
                    ReportObject part = o;
                    part.lines = o.lines.mid(first, last - first);
                    part.rect = QRectF(o.rect.left(), offset + top + first * o.linePitch, o.rect.width(),
                                       (last - first) * o.linePitch);
                    out.pages.last().objects << part;
                } else if (o.rect.top() >= from - eps && o.rect.top() < cut - eps) {
                    ReportObject placed = o;
                    placed.rect.translate(0, offset);
                    out.pages.last().objects << placed;
                }
            }
            if (cut >= band.height - eps) {
                y = offset + band.height;
                break;
            }
            from = cut;
            newPage();
            y = 0;
        }
    }
    return out;
}

// ---------------------------------------------------------------- rendering

namespace ReportRenderer {

void paintPage(QPainter &painter, const PreparedPage &page, double scale)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    auto px = [scale](const QRectF &r) {
        return QRectF(r.left() * scale, r.top() * scale, r.width() * scale, r.height() * scale);
    };
    for (const ReportObject &o : page.objects) {
        const QRectF r = px(o.rect);
        switch (o.kind) {
        case ReportObject::Kind::Text: {
            if (o.fill.isValid())
                painter.fillRect(r, o.fill);
            QFont font(o.fontFamily);
            font.setPointSizeF(o.pointSize);
            font.setBold(o.bold);
            painter.setFont(font);
            painter.setPen(o.color);
            painter.save();
            painter.setClipRect(r);
            const int flags = int(o.horizontal) | int(o.vertical) | (o.wordWrap ? Qt::TextWordWrap : 0);
            if (o.linePitch > 0) {
                const double pitch = o.linePitch * scale;
                for (qsizetype i = 0; i < o.lines.size(); ++i) {
                    painter.drawText(QRectF(r.left(), r.top() + i * pitch, r.width(), pitch),
                                     int(o.horizontal) | Qt::AlignVCenter, o.lines[i]);
                }
            } else {
                painter.drawText(r, flags, o.text());
            }
            painter.restore();
            break;
        }
        case ReportObject::Kind::Picture:
            if (!o.picture.isNull())
                painter.drawImage(r, o.picture);
            break;
        case ReportObject::Kind::Line:
            painter.setPen(QPen(Qt::black, std::max(1.0, scale * 0.75)));
            if (o.rect.width() <= 0)
                painter.drawLine(r.topLeft(), r.bottomLeft());
            else
                painter.drawLine(r.topLeft(), r.topRight());
            break;
        case ReportObject::Kind::Shape:
            if (o.fill.isValid())
                painter.fillRect(r, o.fill);
            if (o.outline) {
                painter.setPen(QPen(Qt::black, std::max(1.0, scale * 0.75)));
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(r);
            }
            break;
        }
    }
    painter.restore();
}

QImage pageImage(const PreparedPage &page)
{
    const double margin = ReportUnits::mm(10);
    const QSize size(qRound(page.printable.width() + 2 * margin), qRound(page.printable.height() + 2 * margin));
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::white);
    image.setDotsPerMeterX(qRound(96 / 0.0254));
    image.setDotsPerMeterY(qRound(96 / 0.0254));
    QPainter p(&image);
    p.translate(margin, margin);
    paintPage(p, page, 1.0);
    return image;
}

} // namespace ReportRenderer
