#include "cardscreen.h"

#include "ui/attachwindow.h"

#include "output/cardprint.h"
#include "storage/programfolder.h"
#include "ui/helpwindows.h"

#include "storage/archiveerror.h"
#include "storage/cp1252.h"
#include "storage/numberformat.h"
#include "storage/record.h"
#include "storage/textrules.h"
#include "ui/widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QFocusEvent>
#include <QMouseEvent>

TCardScreen::TCardScreen(const QString &objectName, const QString &caption, QWidget *parent)
    : TApplicationScreen(objectName, caption, parent)
{
}

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

void TCardScreen::bind(CardDefinition definition)
{
    m_def = std::move(definition);
    Q_ASSERT(m_def.controls.size() == m_def.layout->fieldCount());
    for (int f = 0; f < m_def.controls.size(); ++f) {
        const QString &name = m_def.controls[f];
        QWidget *w = findChild<QWidget *>(name);
        Q_ASSERT_X(w, "TCardScreen::bind", qPrintable(name));
        m_controls.insert(name, w);
        const int capacity = m_def.layout->capacity(f);
        if (auto *edit = qobject_cast<QLineEdit *>(w)) {
            edit->setMaxLength(capacity);
        } else if (auto *combo = qobject_cast<QComboBox *>(w)) {
            combo->lineEdit()->setMaxLength(capacity);
        }
        if ((qobject_cast<QLineEdit *>(w) || qobject_cast<QComboBox *>(w)) && m_def.highlightFrames)
            new THighlightFrame(QStringLiteral("eff") + name.mid(3), w);
    }
    for (const QString &name : m_def.enterChain) {
        QWidget *w = m_controls.value(name);
        if (auto *combo = qobject_cast<QComboBox *>(w))
            combo->lineEdit()->installEventFilter(this);
        if (w)
            w->installEventFilter(this);
    }
    for (const QString &name : m_def.digitFields + m_def.wholeNumberFields + m_def.moneyFields) {
        if (QWidget *w = m_controls.value(name))
            w->installEventFilter(this);
    }
    for (auto it = m_def.hints.cbegin(); it != m_def.hints.cend(); ++it) {
        if (auto *w = findChild<QWidget *>(it.key()))
            setHint(w, it.value());
    }
    clearsStatusLine(this);
    clearsStatusLine(m_background);
    clearsStatusLine(panel());
}

bool TCardScreen::cardKeyPress(const QString &, QKeyEvent *)
{
    return false;
}

void TCardScreen::setHint(QWidget *control, const QString &hint)
{
    m_hintOf.insert(control, hint);
    control->setMouseTracking(true);
    control->installEventFilter(this);
}

void TCardScreen::clearsStatusLine(QWidget *background)
{
    m_hintOf.insert(background, QString());
    background->setMouseTracking(true);
    background->installEventFilter(this);
}

QString TCardScreen::controlText(const QString &name) const
{
    QWidget *w = m_controls.value(name);
    if (auto *edit = qobject_cast<QLineEdit *>(w))
        return edit->text();
    if (auto *combo = qobject_cast<QComboBox *>(w))
        return combo->currentText();
    if (auto *label = qobject_cast<QLabel *>(w))
        return label->text();
    if (auto *check = qobject_cast<QCheckBox *>(w))
        return YesNo::text(check->isChecked());
    return QString();
}

void TCardScreen::setControlText(const QString &name, const QString &text)
{
    QWidget *w = m_controls.value(name);
    if (auto *edit = qobject_cast<QLineEdit *>(w)) {
        edit->setText(text);
    } else if (auto *combo = qobject_cast<QComboBox *>(w)) {
        // The list follows the text, so no earlier pick lingers.
        combo->setCurrentIndex(combo->findText(text));
        combo->setEditText(text);
    } else if (auto *label = qobject_cast<QLabel *>(w)) {
        label->setText(text);
    } else if (auto *check = qobject_cast<QCheckBox *>(w)) {
        // Anything but "Sì" or "No" leaves the box as it was.
        if (const std::optional<bool> yes = YesNo::read(text))
            check->setChecked(*yes);
    }
}

void TCardScreen::fillControls(const QByteArray &bytes)
{
    const Record record(*m_def.layout, bytes);
    for (int f = 0; f < m_def.controls.size(); ++f)
        setControlText(m_def.controls[f], record.value(f));
}

void TCardScreen::showRecord(const QByteArray &bytes, qint64 position)
{
    fillControls(bytes);
    lblPosizione->setText(QString::number(position));
    m_shownBytes = bytes;
}

QByteArray TCardScreen::recordFromControls() const
{
    Record record(*m_def.layout);
    for (int f = 0; f < m_def.controls.size(); ++f)
        record.setValue(f, controlText(m_def.controls[f]));
    return record.bytes();
}

qint64 TCardScreen::shownPosition() const
{
    bool ok = false;
    const qint64 p = TextRules::trimmed(lblPosizione->text()).toLongLong(&ok);
    return ok ? p : 0;
}

bool TCardScreen::guarded(const std::function<void()> &action, Messages::Kind kind)
{
    try {
        action();
        return true;
    } catch (const ArchiveError &) {
        Messages::show(this, kind, archiveAccessMessage());
        return false;
    }
}

void TCardScreen::focusFirstField()
{
    if (QWidget *w = m_controls.value(m_def.firstField))
        w->setFocus();
}

void TCardScreen::blankCard()
{
    for (const QString &name : m_def.controls) {
        QWidget *w = m_controls.value(name);
        if (auto *check = qobject_cast<QCheckBox *>(w)) {
            check->setChecked(false);
        } else if (auto *combo = qobject_cast<QComboBox *>(w)) {
            combo->setCurrentIndex(-1);
            combo->setEditText(m_def.blankValue ? m_def.blankValue(name) : QString());
        } else {
            setControlText(name, m_def.blankValue ? m_def.blankValue(name) : QString());
        }
    }
    for (const QString &name : m_def.attachmentLabels)
        setControlText(name, QString());
    lblPosizione->clear();
    focusFirstField();
}

void TCardScreen::FormShow()
{
    blankCard();
}

void TCardScreen::cmdNuovoClick()
{
    blankCard();
}

void TCardScreen::browse(CardArchive::Step step)
{
    guarded([this, step] {
        const CardArchive::Found found = archive().browse(step, shownPosition());
        switch (found.kind) {
        case CardArchive::Found::Kind::Empty:
            if (step == CardArchive::Step::Next)
                lblPosizione->clear();
            Messages::information(this, emptyArchiveMessage());
            break;
        case CardArchive::Found::Kind::Stay:
            break;
        case CardArchive::Found::Kind::Record:
            showRecord(found.bytes, found.position);
            break;
        }
    }, m_def.archiveMessageKind);
}

CardArchive TCardScreen::archive() const
{
    return CardArchive(archivePath(), m_def.layout->size());
}

void TCardScreen::cmdPrimoClick()
{
    browse(CardArchive::Step::First);
}

void TCardScreen::cmdUltimoClick()
{
    browse(CardArchive::Step::Last);
}

void TCardScreen::cmdAvantiClick()
{
    browse(CardArchive::Step::Next);
}

void TCardScreen::cmdIndietroClick()
{
    // On the first record nothing is looked at, not even the archive.
    if (TextRules::trimmed(lblPosizione->text()) == u"1")
        return;
    browse(CardArchive::Step::Previous);
}

void TCardScreen::cmdSalvaClick()
{
    guarded([this] {
        if (m_def.beforeRequired && !m_def.beforeRequired(*this))
            return;
        for (const CardDefinition::Required &r : m_def.required) {
            if (TextRules::trimmed(controlText(r.control)).isEmpty()) {
                Messages::warning(this, r.warning);
                if (QWidget *w = m_controls.value(r.control))
                    w->setFocus();
                return;
            }
        }
        if (m_def.afterRequired && !m_def.afterRequired(*this))
            return;
        // A character the archive cannot hold would be stored as "?".
        for (const QString &name : m_def.controls) {
            const QString lost = Cp1252::unrepresentable(controlText(name));
            if (lost.isEmpty())
                continue;
            QWidget *w = m_controls.value(name);
            const QString field = w && !w->accessibleName().isEmpty() ? w->accessibleName() : name.mid(3);
            Messages::warning(this, unrepresentableMessage(field, lost));
            if (w && w->isVisible())
                w->setFocus();
            return;
        }

        const QByteArray record = recordFromControls();
        // Another workstation may have saved this card since it was shown
        // here: its changes are overwritten only when asked to. The question
        // is about the version found: should it change again while the user
        // decides, the user is asked again. Nothing stays open or locked
        // while the question is shown.
        const qint64 p = shownPosition();
        CardArchive::Saved saved = archive().save(p, m_shownBytes, record);
        while (saved.outcome == CardArchive::Saved::Outcome::ChangedElsewhere) {
            if (!Messages::confirmOverwrite(this, changedElsewhereMessage()))
                return;
            saved = archive().save(p, saved.found, record);
        }
        // The record is on the disk: should the close have failed, the card
        // still shows where it went, and Salva again writes it there instead
        // of adding it twice.
        lblPosizione->setText(QString::number(saved.position));
        m_shownBytes = record;
        if (saved.closeFailed)
            throw ArchiveError(archivePath(), QStringLiteral("chiusura del file non riuscita"));
        Messages::information(this, saved.outcome == CardArchive::Saved::Outcome::Appended ? insertedMessage()
                                                                                           : updatedMessage());
    }, m_def.archiveMessageKind);
}

void TCardScreen::cmdDuplicaClick()
{
    if (TextRules::trimmed(lblPosizione->text()).isEmpty()) {
        Messages::warning(this, duplicateFirstMessage());
        return;
    }
    for (const QString &name : m_def.attachmentLabels)
        setControlText(name, QString());
    lblPosizione->clear();
    const bool reachable = guarded([this] { archive().reach(); }, m_def.duplicateMessageKind);
    if (!reachable)
        return;
    focusFirstField();
    Messages::information(this, duplicatedMessage());
}

void TCardScreen::cmdTrovaClick()
{
    if (m_def.openSearch)
        m_def.openSearch(*this);
}

void TCardScreen::cmdGuidaClick()
{
    showHelp(this, m_def.helpTopic);
}

void TCardScreen::cmdStampaClick()
{
    if (m_def.print)
        m_def.print(*this);
    else if (m_def.report)
        CardPrint::print(this, m_def.report(*this));
}

void TCardScreen::cmdAnteprimaClick()
{
    if (m_def.report)
        CardPrint::preview(this, m_def.report(*this));
}

void TCardScreen::cmdPDFClick()
{
    if (m_def.report)
        CardPrint::exportPdf(this, m_def.report(*this), programFile(AppContext::programFolder(), m_def.pdfFile));
}

void TCardScreen::cmdEsciClick()
{
    close();
}

bool TCardScreen::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseMove && m_hintOf.contains(watched)) {
        // A move over an edit box or a caption reaches the nearest tracking
        // parent; only a move over the background itself empties the line.
        auto *widget = static_cast<QWidget *>(watched);
        const QPoint at = static_cast<QMouseEvent *>(event)->position().toPoint();
        QWidget *under = widget->childAt(at);
        if (panInfo && (!under || m_hintOf.contains(under)))
            panInfo->setText(m_hintOf.value(under ? under : widget));
    }

    if (type == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        QWidget *box = qobject_cast<QWidget *>(watched);
        // A combo edit's line edit stands for the combo.
        if (box && qobject_cast<QComboBox *>(box->parentWidget()) && !m_controls.key(box).size())
            box = box->parentWidget();
        const QString name = m_controls.key(box);
        if (!name.isEmpty()) {
            if (cardKeyPress(name, key))
                return true;
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                const qsizetype at = m_def.enterChain.indexOf(name);
                if (at >= 0) {
                    const QString next = at + 1 < m_def.enterChain.size() ? m_def.enterChain[at + 1]
                                         : m_def.enterWrapTo.isEmpty()    ? m_def.enterChain.first()
                                                                          : m_def.enterWrapTo;
                    if (QWidget *w = m_controls.value(next))
                        w->setFocus();
                    return true;
                }
            }
            const bool digit = m_def.digitFields.contains(name) || m_def.wholeNumberFields.contains(name);
            const bool money = m_def.moneyFields.contains(name);
            if (money) {
                if (auto *edit = qobject_cast<QLineEdit *>(watched); edit && typeDecimalPoint(edit, key))
                    return true;
            }
            if (m_def.digitFields.contains(name)) {
                if (auto *edit = qobject_cast<QLineEdit *>(watched); edit && pasteDigitsOnly(edit, key))
                    return true;
            }
            // Anything else is discarded: no effect at all.
            if ((digit || money) && !isEditingKey(key) && !isNumericKey(key, money))
                return true;
        }
    }
    // A list dropping down or another window taking over is not leaving.
    if (type == QEvent::FocusOut && isLeavingFocus(static_cast<QFocusEvent *>(event))) {
        const QString name = m_controls.key(qobject_cast<QWidget *>(watched));
        if (auto *edit = qobject_cast<QLineEdit *>(watched); edit && !name.isEmpty()) {
            QString shown;
            // A paste may have brought in what the keys could not.
            if (m_def.digitFields.contains(name)) {
                QString digits = edit->text();
                digits.removeIf([](QChar c) { return c < u'0' || c > u'9'; });
                if (digits != edit->text())
                    edit->setText(digits);
            }
            if (m_def.wholeNumberFields.contains(name))
                shown = NumberFormat::wholeNumberExit(edit->text());
            else if (m_def.moneyFields.contains(name))
                shown = NumberFormat::moneyExit(edit->text(), m_def.moneyDecimals.value(name, 4));
            // The box would cut a longer text into another number: a form
            // that fits, or the text as it was.
            if (!shown.isNull()) {
                if (const std::optional<QString> fitted = NumberFormat::fitField(shown, edit->maxLength()))
                    edit->setText(*fitted);
            }
        }
    }
    return TApplicationScreen::eventFilter(watched, event);
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

void TCardScreen::cmdFileClick()
{
    openDialog<TfrmAllegaCartella>(this, [this](TfrmAllegaCartella &w) { w.setCard(this); });
}

void TCardScreen::cmdEsportaClick()
{
    if (m_def.exportArchive)
        m_def.exportArchive(*this);
}

void TCardScreen::connectWorkflow()
{
    const QList<QPair<const char *, void (TCardScreen::*)()>> workflow = {
        {"cmdNuovo", &TCardScreen::cmdNuovoClick},
        {"cmdDuplica", &TCardScreen::cmdDuplicaClick},
        {"cmdSalva", &TCardScreen::cmdSalvaClick},
        {"cmdEsci", &TCardScreen::cmdEsciClick},
        {"cmdFile", &TCardScreen::cmdFileClick},
        {"cmdEsporta", &TCardScreen::cmdEsportaClick},
        {"cmdTrova", &TCardScreen::cmdTrovaClick},
        {"cmdGuida", &TCardScreen::cmdGuidaClick},
        {"cmdStampa", &TCardScreen::cmdStampaClick},
        {"cmdAnteprima", &TCardScreen::cmdAnteprimaClick},
        {"cmdPDF", &TCardScreen::cmdPDFClick},
    };
    for (const auto &[name, slot] : workflow) {
        if (auto *b = findChild<QAbstractButton *>(QLatin1StringView(name)))
            connect(b, &QAbstractButton::clicked, this, slot);
    }
}
