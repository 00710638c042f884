#include "layouts.h"

#include "storage/textrules.h"

using ReportUnits::mm;

namespace ReportLayouts {

namespace {

const QColor kSlateGrey(0x70, 0x80, 0x90);
const QColor kDarkOrange(0xFF, 0x8C, 0x00);
const QColor kTeal(0x00, 0x80, 0x80);

ReportObject text(const QString &name, const QRectF &rect, const QString &initial)
{
    ReportObject o;
    o.name = name;
    o.kind = ReportObject::Kind::Text;
    o.rect = rect;
    o.setText(initial);
    return o;
}

ReportObject line(const QString &name, const QRectF &rect)
{
    ReportObject o;
    o.name = name;
    o.kind = ReportObject::Kind::Line;
    o.rect = rect;
    return o;
}

} // namespace

Report listReport()
{
    Report r(QStringLiteral("Riepilogo dati"), QPageLayout::Landscape);

    ReportBand title{QStringLiteral("ReportTitle"), 30.24, {}};
    ReportObject titolo = text(QStringLiteral("txtTitolo"), QRectF(7.56, 3.78, 1031.81, 18.90), QStringLiteral("Riepilogo"));
    titolo.fill = kSlateGrey;
    titolo.fontFamily = QStringLiteral("Verdana");
    titolo.pointSize = 9;
    titolo.bold = true;
    titolo.color = Qt::white;
    titolo.horizontal = Qt::AlignHCenter;
    titolo.vertical = Qt::AlignVCenter;
    title.objects << titolo;

    ReportBand master{QStringLiteral("MasterData"), 105.83, {}};
    ReportObject riepilogo = text(QStringLiteral("txtRiepilogo"), QRectF(11.34, 0, 1031.81, 102.05), QString());
    riepilogo.lines.clear();
    riepilogo.fontFamily = QStringLiteral("Courier New");
    riepilogo.pointSize = 8;
    riepilogo.linePitch = listLinePitch;
    master.objects << riepilogo;

    ReportBand footer{QStringLiteral("Footer"), 30.24, {}};
    ReportObject pagina = text(QStringLiteral("txtPagina"), QRectF(11.34, 7.56, 1028.03, 18.90),
                               QStringLiteral("Stampa eseguita in data [DATE]"));
    pagina.fill = kSlateGrey;
    pagina.fontFamily = QStringLiteral("Verdana");
    pagina.pointSize = 8;
    pagina.bold = true;
    pagina.color = Qt::white;
    pagina.horizontal = Qt::AlignHCenter;
    pagina.vertical = Qt::AlignVCenter;
    pagina.expressions = true;
    footer.objects << pagina;

    r.addBand(title);
    r.addBand(master);
    r.addBand(footer);
    return r;
}

Report cardReport(const QImage &logo)
{
    Report r(QStringLiteral("Scheda informativa"), QPageLayout::Portrait);

    ReportObject picture;
    picture.name = QStringLiteral("imgLogo");
    picture.kind = ReportObject::Kind::Picture;
    picture.rect = QRectF(mm(3), mm(3), mm(17), mm(13));
    picture.picture = logo;
    r.addObject(picture);

    ReportObject titolo = text(QStringLiteral("txtTitolo"), QRectF(mm(23), mm(3), mm(165), mm(9)),
                               QStringLiteral("Titolo Scheda"));
    titolo.fill = kDarkOrange;
    titolo.pointSize = 16;
    titolo.color = Qt::white;
    titolo.horizontal = Qt::AlignHCenter;
    titolo.vertical = Qt::AlignVCenter;
    r.addObject(titolo);
    r.addObject(line(QStringLiteral("linSepara01"), QRectF(mm(23), mm(16), mm(165), 1)));

    for (int n = 1; n <= 24; ++n) {
        const QString nn = QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
        const double top = mm(24 + 10 * (n - 1));
        ReportObject caption = text(QStringLiteral("titCampo") + nn, QRectF(mm(3), top, mm(52), mm(6)),
                                    QStringLiteral("Campo %1").arg(n));
        caption.fill = kTeal;
        caption.pointSize = 9;
        caption.color = Qt::white;
        caption.vertical = Qt::AlignVCenter;
        r.addObject(caption);
        ReportObject value = text(QStringLiteral("txtCampo") + nn, QRectF(mm(60), top, mm(128), mm(6)),
                                  QStringLiteral("Campo %1").arg(n));
        value.pointSize = 10;
        value.vertical = Qt::AlignVCenter;
        r.addObject(value);
    }

    r.addObject(line(QStringLiteral("linSepara02"), QRectF(mm(3), mm(265), mm(185), 1)));
    ReportObject calce = text(QStringLiteral("txtCalce"), QRectF(mm(3), mm(269), mm(185), mm(6)),
                              QStringLiteral("Termine scheda"));
    calce.fill = kDarkOrange;
    calce.pointSize = 10;
    calce.color = Qt::white;
    calce.horizontal = Qt::AlignHCenter;
    calce.vertical = Qt::AlignVCenter;
    r.addObject(calce);
    return r;
}

QStringList receiptRows()
{
    return {QStringLiteral("txtNumDoc"),   QStringLiteral("txtDataDoc"),     QStringLiteral("txtFornitore"),
            QStringLiteral("txtRecapiti"), QStringLiteral("txtData"),        QStringLiteral("txtCodice"),
            QStringLiteral("txtTipologia"), QStringLiteral("txtMarca"),      QStringLiteral("txtDescrizione"),
            QStringLiteral("txtCostoUni"), QStringLiteral("txtQuant"),       QStringLiteral("txtCostoTot"),
            QStringLiteral("txtNote")};
}

Report receiptReport()
{
    Report r(QStringLiteral("Scheda Carico Merce"), QPageLayout::Portrait);
    auto bar = [&](const QString &name, double top, const QColor &colour) {
        ReportObject o;
        o.name = name;
        o.kind = ReportObject::Kind::Shape;
        o.rect = QRectF(mm(1), mm(top), mm(188), mm(5.8));
        o.fill = colour;
        o.outline = false;
        r.addObject(o);
    };
    bar(QStringLiteral("shpTitolo"), 1, QColor(0xB0, 0xC4, 0xDE)); // light steel blue
    ReportObject title = text(QStringLiteral("titArcataSup"), QRectF(mm(2), mm(2), mm(185.8), mm(4.2)),
                              QStringLiteral("SCHEDA CARICO MERCE"));
    title.pointSize = 9;
    title.horizontal = Qt::AlignHCenter;
    title.vertical = Qt::AlignVCenter;
    r.addObject(title);

    const QStringList captions = {
        QStringLiteral("Documento n."),     QStringLiteral("Data emissione:"),  QStringLiteral("Fornitore:"),
        QStringLiteral("Recapito preferenziale:"), QStringLiteral("Data carico:"), QStringLiteral("Codice articolo:"),
        QStringLiteral("Tipologia:"),       QStringLiteral("Marca e modello:"), QStringLiteral("Descrizione:"),
        QStringLiteral("Costo unitario:"),  QStringLiteral("Quantità caricata:"), QStringLiteral("Costo totale:"),
        QStringLiteral("Note:")};
    const QStringList values = receiptRows();
    for (int k = 0; k < 13; ++k) {
        ReportObject frame;
        frame.name = QStringLiteral("shpRiga%1").arg(k + 1, 2, 10, QLatin1Char('0'));
        frame.kind = ReportObject::Kind::Shape;
        frame.rect = QRectF(mm(1), mm(7 + 5 * k), mm(188), mm(4.6));
        r.addObject(frame);
        ReportObject caption = text(QStringLiteral("tit") + values[k].mid(3),
                                    QRectF(mm(2), mm(7.5 + 5 * k), mm(k == 8 ? 39.5 : 37.8), mm(3.5)), captions[k]);
        caption.pointSize = 7;
        caption.vertical = Qt::AlignVCenter;
        r.addObject(caption);
        ReportObject value = text(values[k], QRectF(mm(44), mm(7.5 + 5 * k), mm(144), mm(3.5)), QString());
        value.pointSize = 7;
        value.vertical = Qt::AlignVCenter;
        r.addObject(value);
    }
    r.addObject(line(QStringLiteral("linColonna"), QRectF(mm(42), mm(7), 0, mm(64.6))));
    bar(QStringLiteral("shpCalce"), 72, QColor(0xFF, 0xD7, 0x00)); // gold
    ReportObject calce = text(QStringLiteral("txtCalce"), QRectF(mm(2), mm(73), mm(185.8), mm(4.2)),
                              QStringLiteral("Data e ora stampa"));
    calce.pointSize = 8;
    calce.horizontal = Qt::AlignHCenter;
    calce.vertical = Qt::AlignVCenter;
    r.addObject(calce);
    return r;
}

void fillList(Report &report, const QString &title, const QStringList &lines)
{
    report.object(QStringLiteral("txtTitolo")).setText(title);
    ReportObject &list = report.object(QStringLiteral("txtRiepilogo"));
    list.lines = lines;
    list.rect.setHeight(lines.size() * listLinePitch);
    report.band(QStringLiteral("MasterData")).height = list.rect.height() + 10;
}

void fillCard(Report &report, const QString &title, const QList<Row> &rows, const QString &footer)
{
    report.setOrientation(QPageLayout::Portrait);
    report.object(QStringLiteral("txtTitolo")).setText(title);
    for (qsizetype i = 0; i < rows.size() && i < 24; ++i) {
        const QString nn = QStringLiteral("%1").arg(i + 1, 2, 10, QLatin1Char('0'));
        report.object(QStringLiteral("titCampo") + nn).setText(rows[i].caption);
        report.object(QStringLiteral("txtCampo") + nn).setText(TextRules::trimmed(rows[i].value));
    }
    report.object(QStringLiteral("txtCalce")).setText(footer);
}

QString printFooter(const QDateTime &when)
{
    return QStringLiteral("Stampa eseguita in data ") + when.date().toString(QStringLiteral("dd/MM/yyyy"))
           + QStringLiteral(" alle ore ") + when.time().toString(QStringLiteral("HH:mm:ss"));
}

} // namespace ReportLayouts
