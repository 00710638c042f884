#include "summarymenu.h"

#include "receipts/receiptrecord.h"
#include "receipts/receiptsummary.h"
#include "receipts/summarywindow.h"
#include "storage/textrules.h"
#include "ui/services.h"
#include "ui/widgets.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

QLabel *caption(QWidget *parent, const QString &name, const QString &text, const QRect &at, QWidget *buddy)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setFont(layoutFont(QStringLiteral("Arial"), 11, true));
    l->setStyleSheet(QStringLiteral("color: #1F3A5F; background: transparent;"));
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setGeometry(at);
    l->setBuddy(buddy);
    return l;
}

QLabel *explanation(QWidget *parent, const QString &name, const QString &text, int y)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setFont(layoutFont(QStringLiteral("Arial"), 11));
    l->setStyleSheet(QStringLiteral("color: #1F3A5F;"));
    l->setAlignment(Qt::AlignCenter);
    l->setGeometry(40, y, 915, 22);
    return l;
}

// A combo box filled only from its drop-down list.
QComboBox *listBox(QWidget *parent, const QString &name, const QStringList &items, int maxLength, const QRect &at)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setCompleter(nullptr);
    box->addItems(items);
    box->setMaxVisibleItems(12);
    box->lineEdit()->setMaxLength(maxLength);
    box->setFont(layoutFont(QStringLiteral("Arial"), 12, true));
    box->setGeometry(at);
    box->setCurrentIndex(-1);
    new THighlightFrame(QStringLiteral("eff") + name.mid(3), box);
    return box;
}

} // namespace

TfrmMenuRiepilogoCarico::TfrmMenuRiepilogoCarico(QWidget *parent)
    : TApplicationScreen(QStringLiteral("frmMenuRiepilogoCarico"),
                         QStringLiteral(" Scortex - Riepilogo movimenti di carico merce"), parent)
{
    QWidget *p = panel();
    addBanner(QStringLiteral("Riepilogo movimenti di carico merce"));

    lblCampo01 = explanation(p, QStringLiteral("lblCampo01"),
                             QStringLiteral("Indicare l'anno solare di interesse e il codice articolo."), 176);
    txtAnno = new QLineEdit(p);
    txtAnno->setObjectName(QStringLiteral("txtAnno"));
    txtAnno->setFont(layoutFont(QStringLiteral("Arial"), 12, true));
    txtAnno->setMaxLength(4);
    txtAnno->setAlignment(Qt::AlignCenter);
    txtAnno->setGeometry(230, 210, 80, 32);
    caption(p, QStringLiteral("titAnno"), QStringLiteral("Anno:"), QRect(140, 210, 84, 32), txtAnno);
    txtAnno->setAccessibleName(QStringLiteral("Anno"));
    new THighlightFrame(QStringLiteral("effAnno"), txtAnno);

    txtTipologia = new QLineEdit(p);
    txtTipologia->setObjectName(QStringLiteral("txtTipologia"));
    txtTipologia->setFont(layoutFont(QStringLiteral("Arial"), 12, true));
    txtTipologia->setMaxLength(30);
    txtTipologia->setGeometry(500, 210, 360, 32);
    caption(p, QStringLiteral("titTipologia"), QStringLiteral("Codice articolo:"), QRect(340, 210, 154, 32),
            txtTipologia);
    txtTipologia->setAccessibleName(QStringLiteral("Codice articolo"));
    new THighlightFrame(QStringLiteral("effTipologia"), txtTipologia);

    lblCampo02 = explanation(p, QStringLiteral("lblCampo02"),
                             QStringLiteral("Per ottenere il riepilogo dei movimenti di carico riguardanti tutta la "
                                            "merce, non indicare nessun codice articolo."),
                             254);
    lblCampo03 = explanation(p, QStringLiteral("lblCampo03"),
                             QStringLiteral("Indicare l'intervallo di tempo relativo al periodo da riepilogare."), 290);

    // The two ends of the period, each with the year it falls in.
    struct End
    {
        QGroupBox **group;
        const char *groupName, *title;
        QComboBox **day, **month;
        const char *dayName, *monthName;
        QLabel **year;
        const char *yearName;
        int left;
    };
    const End ends[] = {
        {&grpInizio, "grpInizio", " Data inizio intervallo: ", &txtGiornoInizio, &txtMeseInizio, "txtGiornoInizio",
         "txtMeseInizio", &lblAnnoInizio, "lblAnnoInizio", 90},
        {&grpFine, "grpFine", " Data fine intervallo: ", &txtGiornoFine, &txtMeseFine, "txtGiornoFine", "txtMeseFine",
         &lblAnnoFine, "lblAnnoFine", 515},
    };
    for (const End &e : ends) {
        auto *g = new QGroupBox(QString::fromUtf8(e.title), p);
        g->setObjectName(QLatin1StringView(e.groupName));
        g->setFont(layoutFont(QStringLiteral("Arial"), 11, true));
        g->setGeometry(e.left, 326, 390, 130);
        *e.group = g;
        *e.day = listBox(g, QLatin1StringView(e.dayName), ReceiptSummary::days(), 2, QRect(90, 36, 70, 32));
        caption(g, QStringLiteral("tit") + QLatin1StringView(e.dayName).mid(3), QStringLiteral("Giorno:"),
                QRect(10, 36, 74, 32), *e.day);
        *e.month = listBox(g, QLatin1StringView(e.monthName), ReceiptSummary::months(), 9, QRect(90, 80, 160, 32));
        caption(g, QStringLiteral("tit") + QLatin1StringView(e.monthName).mid(3), QStringLiteral("Mese:"),
                QRect(10, 80, 74, 32), *e.month);
        const QString which = e.left < 300 ? QStringLiteral(" di inizio intervallo") : QStringLiteral(" di fine intervallo");
        for (auto [box, name] : {std::pair{*e.day, QStringLiteral("Giorno")}, std::pair{*e.month, QStringLiteral("Mese")}}) {
            box->setAccessibleName(name + which);
            box->lineEdit()->setAccessibleName(name + which);
        }
        *e.year = new QLabel(QStringLiteral("ANNO"), g);
        (*e.year)->setObjectName(QLatin1StringView(e.yearName));
        (*e.year)->setFont(layoutFont(QStringLiteral("Arial"), 18, true));
        (*e.year)->setStyleSheet(QStringLiteral("color: #8B0000; background: transparent;"));
        (*e.year)->setGeometry(270, 74, 100, 40);
    }

    lblAttendere = new QLabel(QStringLiteral("Caricamento riepilogo in corso. Attendere..."), p);
    lblAttendere->setObjectName(QStringLiteral("lblAttendere"));
    lblAttendere->setFont(layoutFont(QStringLiteral("Arial"), 12, true));
    lblAttendere->setStyleSheet(QStringLiteral("color: #DC143C;"));
    lblAttendere->setAlignment(Qt::AlignCenter);
    lblAttendere->setGeometry(40, 476, 915, 28);
    lblAttendere->setAccessibleName(lblAttendere->text());
    lblAttendere->hide();

    btnEsci = makeButton(p, QStringLiteral("btnEsci"), QStringLiteral("Esci"), QRect(305, 530, 160, 46), 12);
    btnVisualizza = makeButton(p, QStringLiteral("btnVisualizza"), QStringLiteral("Visualizza riepilogo"),
                               QRect(485, 530, 220, 46), 12);

    for (auto [label, name] : {std::pair{&lblDataInizio, "lblDataInizio"}, std::pair{&lblDataFine, "lblDataFine"},
                               std::pair{&lblFile, "lblFile"}}) {
        *label = new QLabel(p);
        (*label)->setObjectName(QLatin1StringView(name));
        (*label)->hide();
    }

    QWidget *order[] = {txtAnno, txtTipologia, txtGiornoInizio, txtMeseInizio, txtGiornoFine, txtMeseFine,
                        btnEsci, btnVisualizza};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    for (QWidget *box : {static_cast<QWidget *>(txtAnno), static_cast<QWidget *>(txtTipologia),
                         static_cast<QWidget *>(txtGiornoInizio), static_cast<QWidget *>(txtMeseInizio),
                         static_cast<QWidget *>(txtGiornoFine), static_cast<QWidget *>(txtMeseFine)})
        box->installEventFilter(this);
    btnVisualizza->installEventFilter(this);
    connect(btnVisualizza, &QPushButton::clicked, this, &TfrmMenuRiepilogoCarico::btnVisualizzaClick);
    connect(btnEsci, &QPushButton::clicked, this, &QWidget::close);
}

void TfrmMenuRiepilogoCarico::FormShow()
{
    for (QComboBox *box : {txtGiornoInizio, txtMeseInizio, txtGiornoFine, txtMeseFine})
        box->setCurrentIndex(-1);
    txtTipologia->clear();
    txtTipologia->setFocus();
}

void TfrmMenuRiepilogoCarico::followYear()
{
    const QString year = TextRules::trimmed(txtAnno->text());
    // The labels speak their text as it stands.
    lblAnnoInizio->setText(year);
    lblAnnoFine->setText(year);
}

QWidget *TfrmMenuRiepilogoCarico::nextAfter(QObject *box) const
{
    if (box == txtAnno)
        return txtTipologia;
    if (box == txtTipologia)
        return txtGiornoInizio;
    if (box == txtGiornoInizio)
        return txtMeseInizio;
    if (box == txtMeseInizio)
        return txtGiornoFine;
    if (box == txtGiornoFine)
        return txtMeseFine;
    return btnVisualizza;
}

void TfrmMenuRiepilogoCarico::btnVisualizzaClick()
{
    lblDataInizio->clear();
    lblDataFine->clear();
    const ReceiptSummary::Request request{txtAnno->text(),         txtGiornoInizio->currentText(),
                                          txtMeseInizio->currentText(), lblAnnoInizio->text(),
                                          txtGiornoFine->currentText(), txtMeseFine->currentText(),
                                          lblAnnoFine->text()};
    const ReceiptSummary::Check check = ReceiptSummary::check(request);
    lblDataInizio->setText(check.dataInizio);
    lblDataFine->setText(check.dataFine);
    if (!check.ok) {
        using Box = ReceiptSummary::Check::Box;
        Messages::show(this, check.warning ? Messages::Kind::Warning : Messages::Kind::Plain, check.message);
        switch (check.focus) {
        case Box::Anno: txtAnno->setFocus(); break;
        case Box::GiornoInizio: txtGiornoInizio->setFocus(); break;
        case Box::MeseInizio: txtMeseInizio->setFocus(); break;
        case Box::GiornoFine: txtGiornoFine->setFocus(); break;
        case Box::MeseFine: txtMeseFine->setFocus(); break;
        case Box::None: break;
        }
        lblAttendere->hide();
        return;
    }
    lblFile->setText(ReceiptRecord::archivePath(AppContext::programFolder(), TextRules::trimmed(txtAnno->text())));
    openDialog<TfrmRiepilogoCarico>(this, [this](TfrmRiepilogoCarico &w) {
        w.setRequest(TextRules::trimmed(lblFile->text()), lblDataInizio->text(), lblDataFine->text(),
                     txtTipologia->text());
    });
    lblAttendere->hide();
}

bool TfrmMenuRiepilogoCarico::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == btnVisualizza) {
        // A press of the mouse, not of a key, puts the waiting text up.
        if (event->type() == QEvent::MouseButtonPress)
            lblAttendere->show();
        return TApplicationScreen::eventFilter(watched, event);
    }
    auto *combo = qobject_cast<QComboBox *>(watched);
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            nextAfter(watched)->setFocus();
            return true;
        }
        if (watched == txtAnno) {
            if (pasteDigitsOnly(txtAnno, key)) {
                followYear();
                return true;
            }
            return !isEditingKey(key) && !isNumericKey(key, false);
        }
        if (!combo)
            break;
        // Selecting, copying and pasting work; what is pasted must be in
        // the list when the box is left.
        if (isClipboardKey(key))
            return false;
        switch (key->key()) {
        case Qt::Key_Backspace:
        case Qt::Key_Delete:
            combo->setCurrentIndex(-1);
            combo->setEditText(QString());
            return true;
        // Moving in the text, leaving, and the list itself.
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_F4:
        case Qt::Key_Escape:
            return false;
        default:
            return true;
        }
        break;
    }
    case QEvent::KeyRelease:
        if (watched == txtAnno)
            followYear();
        break;
    case QEvent::FocusOut:
        if (!isLeavingFocus(static_cast<QFocusEvent *>(event)))
            break;
        if (watched == txtAnno)
            followYear();
        if (combo) {
            const bool day = combo == txtGiornoInizio || combo == txtGiornoFine;
            const QString kept = day ? ReceiptSummary::dayExit(combo->currentText())
                                     : ReceiptSummary::monthExit(combo->currentText());
            if (kept.isEmpty()) {
                combo->setCurrentIndex(-1);
                combo->setEditText(QString());
            }
        }
        break;
    default:
        break;
    }
    return TApplicationScreen::eventFilter(watched, event);
}
