// The card screens' layout kit: the status line and the browse arrows, the
// command column, sections, captions, edit boxes and the tab order.
#include "ui/cardscreen.h"

#include "storage/textrules.h"

#include <QLabel>
#include <QLineEdit>

void TCardScreen::buildStatusAndArrows(const QRect &statusBand, const QRect &arrowFrame)
{
    buildStatusLine(statusBand);
    buildArrows(arrowFrame, true);
}

void TCardScreen::buildStatusLine(const QRect &statusBand)
{
    panInfo = new QLabel(readyText(), panel());
    panInfo->setObjectName(QStringLiteral("panInfo"));
    panInfo->setGeometry(statusBand);
    panInfo->setFont(layoutFont(QStringLiteral("Arial"), 10, true));
    panInfo->setStyleSheet(QStringLiteral("QLabel { background: #6A7FA8; color: white; border-radius: 6px; "
                                          "padding-left: 12px; }"));
    // No fixed name: a screen reader says the hint the line shows now.
    panInfo->setAccessibleDescription(QStringLiteral("Barra di stato"));
}

void TCardScreen::buildArrows(const QRect &arrowFrame, bool positionClearsStatus)
{
    auto *frame = new QLabel(panel());
    frame->setObjectName(QStringLiteral("shpFrecce"));
    frame->setGeometry(arrowFrame);
    frame->setStyleSheet(QStringLiteral("QLabel { background: #87CEEB; border-radius: 6px; }"));
    clearsStatusLine(frame);

    const int h = arrowFrame.height() - 6;
    const int y = arrowFrame.y() + 3;
    const struct
    {
        const char *name;
        const char *picture;
        const char *caption;
        const char *hint;
        void (TCardScreen::*slot)();
    } arrows[] = {
        {"cmdPrimo", "primo", "Prima scheda", "Visualizza la prima scheda in archivio.", &TCardScreen::cmdPrimoClick},
        {"cmdIndietro", "indietro", "Scheda precedente", "Visualizza la scheda precedente in archivio.",
         &TCardScreen::cmdIndietroClick},
        {"cmdAvanti", "avanti", "Scheda successiva", "Visualizza la scheda successiva in archivio.",
         &TCardScreen::cmdAvantiClick},
        {"cmdUltimo", "ultimo", "Ultima scheda", "Visualizza l'ultima scheda in archivio.",
         &TCardScreen::cmdUltimoClick},
    };
    const int labelWidth = arrowFrame.width() - 4 * (h + 4) - 8;
    int x = arrowFrame.x() + 4;
    for (int i = 0; i < 4; ++i) {
        auto *b = new TPictureButton(QLatin1StringView(arrows[i].name),
                                     QStringLiteral(":/art/%1.svg").arg(QLatin1StringView(arrows[i].picture)),
                                     QString::fromUtf8(arrows[i].caption), panel());
        b->setGeometry(x, y, h, h);
        setHint(b, QString::fromUtf8(arrows[i].hint));
        connect(b, &QAbstractButton::clicked, this, arrows[i].slot);
        x += h + 4;
        if (i == 1) {
            lblPosizione = new QLabel(panel());
            lblPosizione->setObjectName(QStringLiteral("lblPosizione"));
            lblPosizione->setAlignment(Qt::AlignCenter);
            lblPosizione->setFont(layoutFont(QStringLiteral("Arial"), 12, true));
            lblPosizione->setStyleSheet(QStringLiteral("QLabel { background: white; color: #1F2A33; "
                                                       "border-radius: 4px; }"));
            lblPosizione->setGeometry(x, y, labelWidth, h);
            // Its name is its text, the record number, said as it changes.
            lblPosizione->setAccessibleDescription(QStringLiteral("Posizione della scheda"));
            if (positionClearsStatus)
                clearsStatusLine(lblPosizione);
            x += labelWidth + 4;
        }
    }
}

namespace {

// The workflow commands the three cards share, with their pictures,
// captions and status-line hints.
const TCardScreen::Command kSharedCommands[] = {
    {"cmdNuovo", "nuovo", "Nuovo", "Prepara la schermata per la registrazione di una nuova scheda."},
    {"cmdDuplica", "duplica", "Duplica",
     "Prepara la schermata per la registrazione di una nuova scheda duplicando i dati correnti."},
    {"cmdFile", "allega", "Allega file", "Allega file alla scheda corrente."},
    {"cmdSalva", "salva", "Salva", "Salva la scheda corrente in archivio."},
    {"cmdTrova", "trova", "Trova", "Trova una scheda in archivio."},
    {"cmdAnteprima", "anteprima", "Anteprima", "Visualizza l'anteprima di stampa."},
    {"cmdStampa", "stampa", "Stampa", "Stampa la scheda corrente."},
    {"cmdPDF", "pdf", "Crea PDF", "Esporta la scheda in formato PDF."},
    {"cmdEsporta", "esporta", "Esporta archivio", "Esporta le schede in archivio in un file di Microsoft Excel."},
    {"cmdGuida", "guida", "Guida", "Visualizza la pagina della guida sensibile al contesto."},
    {"cmdEsci", "esci", "Esci", "Esci da questa schermata di lavoro."},
};

} // namespace

TCardScreen::Command TCardScreen::sharedCommand(const char *name)
{
    for (const Command &shared : kSharedCommands) {
        if (qstrcmp(shared.name, name) == 0)
            return shared;
    }
    return Command{name};
}

QStringList TCardScreen::boundControls(const RecordLayout &layout, int firstHidden,
                                       const QHash<int, QString> &exceptions)
{
    QStringList controls;
    for (int f = 0; f < layout.fieldCount(); ++f) {
        const QString field(layout.fieldName(f));
        if (exceptions.contains(f))
            controls << exceptions.value(f);
        else
            controls << (f >= firstHidden ? QStringLiteral("lbl") : QStringLiteral("txt")) + field;
    }
    return controls;
}

int TCardScreen::addCommandColumn(const QList<Command> &commands, int x, int top, int width)
{
    int y = top;
    for (Command c : commands) {
        if (!c.picture)
            c = sharedCommand(c.name);
        Q_ASSERT_X(c.picture, "TCardScreen::addCommandColumn", c.name);
        auto *b = new TCommandButton(QLatin1StringView(c.name),
                                     QStringLiteral(":/art/%1.svg").arg(QLatin1StringView(c.picture)),
                                     QString::fromUtf8(c.caption), panel());
        b->setGeometry(x, y, width, 40);
        setHint(b, QString::fromUtf8(c.hint));
        y += 45;
    }
    return y;
}

void TCardScreen::addSection(const QString &name, const QString &icon, const QRect &area)
{
    auto *frame = new QLabel(panel());
    frame->setObjectName(name);
    frame->setGeometry(area);
    frame->setStyleSheet(QStringLiteral("QLabel { background: #ECEFEF; border-radius: 8px; }"));
    clearsStatusLine(frame);
    if (icon.isEmpty())
        return;
    auto *square = new QLabel(panel());
    square->setObjectName(name + QStringLiteral("Icona"));
    square->setGeometry(area.x() + 8, area.y() + 10, 48, 48);
    square->setStyleSheet(QStringLiteral("QLabel { background: white; border-radius: 6px; }"));
    clearsStatusLine(square);
    auto *picture = new TPicture(name + QStringLiteral("Img"), QStringLiteral(":/art/%1.svg").arg(icon), panel());
    picture->setGeometry(area.x() + 14, area.y() + 16, 36, 36);
    clearsStatusLine(picture);
}

QLabel *TCardScreen::addCaption(const QString &text, QWidget *buddy, int x, int y, int width)
{
    auto *l = new QLabel(text, panel());
    l->setObjectName(QStringLiteral("lbl") + buddy->objectName().mid(3));
    l->setFont(layoutFont(QStringLiteral("Arial"), 9, true));
    l->setStyleSheet(QStringLiteral("color: #1F3A5F; background: transparent;"));
    l->setGeometry(x, y, width, 18);
    l->setBuddy(buddy);
    buddy->setAccessibleName(TextRules::trimmed(QString(text).remove(u':')));
    return l;
}

QLineEdit *TCardScreen::addEdit(const QString &name, const QString &caption, int x, int y, int width)
{
    auto *e = new QLineEdit(panel());
    e->setObjectName(name);
    e->setFont(layoutFont(QStringLiteral("Arial"), 12, true));
    e->setGeometry(x, y + 19, width, 28);
    addCaption(caption, e, x, y, width);
    return e;
}

void TCardScreen::addHiddenLabels(const QStringList &names)
{
    for (const QString &name : names) {
        auto *hidden = new QLabel(panel());
        hidden->setObjectName(name);
        hidden->hide();
    }
}

void TCardScreen::chainTabOrder(const QHash<QString, QWidget *> &after, const QList<QWidget *> &trailing)
{
    QList<QWidget *> order;
    for (const QString &name : m_def.enterChain) {
        order << m_controls.value(name);
        if (after.contains(name))
            order << after.value(name);
    }
    order << trailing;
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}
