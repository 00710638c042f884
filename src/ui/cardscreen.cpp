// The workflow the three cards share: browse, new, save, duplicate, the
// shared commands and leaving.
#include "cardscreen.h"

#include "output/cardprint.h"
#include "storage/archiveerror.h"
#include "storage/cp1252.h"
#include "storage/programfolder.h"
#include "storage/textrules.h"
#include "ui/helpwindows.h"

#include <QLabel>

TCardScreen::TCardScreen(const QString &objectName, const QString &caption, QWidget *parent)
    : TApplicationScreen(objectName, caption, parent)
{
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
        if (saved.closeFailed) {
            Messages::show(this, m_def.archiveMessageKind, archiveAccessMessage());
            return;
        }
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
        CardPrint::print(this, m_def.report(*this), AppContext::now());
}

void TCardScreen::cmdAnteprimaClick()
{
    if (m_def.report)
        CardPrint::preview(this, m_def.report(*this), AppContext::now());
}

void TCardScreen::cmdPDFClick()
{
    if (!m_def.report)
        return;
    const QString path = programFile(AppContext::programFolder(), m_def.pdfFile);
    if (!CardPrint::writePdf(m_def.report(*this), AppContext::now(), path)) {
        Messages::error(this, CardPrint::failureMessage());
        return;
    }
    if (Messages::confirm(this, CardPrint::successQuestion()))
        TMisc::Open(u'"' + path + u'"');
}

void TCardScreen::cmdEsciClick()
{
    close();
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
