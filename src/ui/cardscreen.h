#pragma once

#include "output/report.h"
#include "storage/cardarchive.h"
#include "storage/recordlayout.h"
#include "ui/applicationscreen.h"
#include "ui/attachwindow.h"
#include "ui/helptopic.h"
#include "ui/services.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QFocusEvent;
class QKeyEvent;
class QLabel;
class QLineEdit;
class TCardScreen;

// What makes one card screen: everything the shared workflow needs to know.
struct CardDefinition
{
    struct Required
    {
        QString control;
        QString warning;
    };

    const RecordLayout *layout = nullptr;
    // The archive's full name; the receipts card takes it from its own label.
    std::function<QString(const TCardScreen &)> archivePath;
    // The control bound to each field, in layout order: an edit box, a combo
    // edit, the yes/no check box or a hidden label.
    QStringList controls;
    // Blank-card values of the controls that are not blank when empty.
    std::function<QString(const QString &control)> blankValue;
    // Labels emptied by a blank card and by a duplicate.
    QStringList attachmentLabels;
    QList<Required> required;
    QStringList enterChain;
    // Where Enter in the last field of the chain goes; the first by default.
    QString enterWrapTo;
    // Digit fields take digits only and are not reformatted; whole-number
    // and money boxes also get their exit rule when the focus leaves them.
    QStringList digitFields;
    QStringList wholeNumberFields;
    QStringList moneyFields;
    // Decimals a money box keeps on exit, where not 4.
    QHash<QString, int> moneyDecimals;
    QString firstField;
    Messages::Kind archiveMessageKind = Messages::Kind::Error;
    Messages::Kind duplicateMessageKind = Messages::Kind::Error;
    bool highlightFrames = true;
    // Extra steps of a save: before the required check, and after it (before
    // the archive is opened); either returns false to abandon the save.
    std::function<bool(TCardScreen &)> beforeRequired;
    // Returns false to abandon the save.
    std::function<bool(TCardScreen &)> afterRequired;
    // Status-line hints of the card's own controls.
    QHash<QString, QString> hints;
    // The word that names the card to the windows it opens: "fornitori",
    // "magazzino" or "carichi".
    QString modeWord;
    // Opens the card's spreadsheet export.
    std::function<void(TCardScreen &)> exportArchive;
    // The shared commands each card gives its own content: Guida's topic,
    // Trova's search window, and the card's report, filled from the screen,
    // for Stampa, Anteprima and PDF (written as `pdfFile` in the program
    // folder). A card that prints otherwise gives `print` instead.
    HelpTopic helpTopic;
    std::function<void(TCardScreen &)> openSearch;
    std::function<const Report &(TCardScreen &)> report;
    QString pdfFile;
    std::function<void(TCardScreen &)> print;
};

// The workflow shared by the three cards: browse, new, save, duplicate and
// leave, the focus highlight, the Enter chain, the key filters and the
// status line. The card's archive state is its position label, and the
// record's bytes as shown there, to notice another workstation's save.
class TCardScreen : public TApplicationScreen, public TAttachmentCard
{
    Q_OBJECT

public:
    // A command of the button column.
    struct Command
    {
        const char *name;
        const char *picture = nullptr; // null: a workflow command the cards share
        const char *caption = nullptr;
        const char *hint = nullptr;
    };

    TCardScreen(const QString &objectName, const QString &caption, QWidget *parent = nullptr);

    // A workflow command the cards share, with its picture, caption and hint.
    static Command sharedCommand(const char *name);

    // The controls bound to a layout's fields: "txt" + field name, "lbl" +
    // field name from `firstHidden` on, and the exceptions given.
    static QStringList boundControls(const RecordLayout &layout, int firstHidden,
                                     const QHash<int, QString> &exceptions);

    // Messages of the workflow.
    static QString emptyArchiveMessage() { return QStringLiteral("L'archivio non contiene nessuna scheda."); }
    static QString updatedMessage()
    {
        return QStringLiteral("Le modifiche apportate alla scheda corrente sono state salvate in archivio.");
    }
    static QString insertedMessage() { return QStringLiteral("La scheda corrente è stata inserita in archivio."); }
    static QString duplicateFirstMessage()
    {
        return QStringLiteral("Attenzione: la duplicazione di una scheda può avvenire soltanto dopo che questa è "
                              "stata inserita in archivio.");
    }
    static QString duplicatedMessage()
    {
        return QStringLiteral("E' ora possibile apportare le proprie modifiche alla scheda corrente.\n\r\n\rAl termine "
                              "premere Salva per inserire la scheda in archivio.");
    }
    static QString changedElsewhereMessage()
    {
        return QStringLiteral("Attenzione: la scheda è stata modificata da un'altra postazione dopo essere stata "
                              "visualizzata.\r\n\r\nSi vuole sovrascriverla con i dati presenti a video?");
    }
    static QString readyText() { return QStringLiteral("Pronto per archiviare una nuova scheda..."); }
    static QString unrepresentableMessage(const QString &field, const QString &characters)
    {
        return QStringLiteral("Attenzione: il campo %1 contiene caratteri che l'archivio non può conservare: %2"
                              "\r\n\r\nSostituirli e premere di nuovo Salva: la scheda non è stata salvata.")
            .arg(field, characters);
    }

    const CardDefinition &definition() const { return m_def; }
    QString archivePath() const { return m_def.archivePath(*this); }

    // The text of a bound control, and writing it.
    QString controlText(const QString &name) const override;
    void setControlText(const QString &name, const QString &text) override;
    QWidget *cardWidget() override { return this; }
    QString cardModeWord() const override { return m_def.modeWord; }

    // Loads a record into the controls (used by browsing and by the windows
    // that load a found record) and shows its position.
    void showRecord(const QByteArray &bytes, qint64 position);
    // The record the controls describe, as a save writes it.
    QByteArray recordFromControls() const;

    QLabel *lblPosizione = nullptr;
    QLabel *panInfo = nullptr;

public slots:
    void cmdPrimoClick();
    void cmdUltimoClick();
    void cmdAvantiClick();
    void cmdIndietroClick();
    void cmdNuovoClick();
    void cmdSalvaClick();
    void cmdDuplicaClick();
    void cmdEsciClick();
    // The attachments window over the card's hidden labels.
    void cmdFileClick();
    void cmdEsportaClick();
    void cmdTrovaClick();
    void cmdGuidaClick();
    void cmdStampaClick();
    void cmdAnteprimaClick();
    void cmdPDFClick();

protected:
    // Binds the controls the screen has built to the definition; called once
    // by the card's constructor after it has built its widgets.
    void bind(CardDefinition definition);
    void FormShow() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

    // Adds the hint of a control (buttons, check boxes) to the status line.
    void setHint(QWidget *control, const QString &hint);
    // Makes moving over a background widget empty the status line.
    void clearsStatusLine(QWidget *background);

    // Builds the position label, the status band and the browse arrows.
    void buildStatusAndArrows(const QRect &statusBand, const QRect &arrowFrame);
    void buildStatusLine(const QRect &statusBand);
    void buildArrows(const QRect &arrowFrame, bool positionClearsStatus);

    // Layout helpers shared by the cards.
    // The command column, top to bottom from `top`; returns the y below it.
    // Commands named without picture take the shared picture, caption and hint.
    int addCommandColumn(const QList<Command> &commands, int x, int top, int width);
    // A grey section frame, with its icon in a white square unless `icon`
    // is empty.
    void addSection(const QString &name, const QString &icon, const QRect &area);
    // An edit box (bold 12 pt) with its caption above it.
    QLineEdit *addEdit(const QString &name, const QString &caption, int x, int y, int width);
    QLabel *addCaption(const QString &text, QWidget *buddy, int x, int y, int width);
    // Hidden labels carried with the record.
    void addHiddenLabels(const QStringList &names);
    // Tab order along the Enter chain, with `after` inserted behind the box
    // it is keyed to, and `trailing` at the end.
    void chainTabOrder(const QHash<QString, QWidget *> &after, const QList<QWidget *> &trailing);
    // Connects the workflow buttons the card has.
    void connectWorkflow();

    // A card's own handling of a key in one of its bound controls, before
    // the Enter chain and the key filters; true when the key is consumed.
    virtual bool cardKeyPress(const QString &control, QKeyEvent *key);

    void blankCard();
    void focusFirstField();
    // Runs an archive action; a failure shows the archive-access message.
    bool guarded(const std::function<void()> &action, Messages::Kind kind);
    void browse(CardArchive::Step step);
    CardArchive archive() const;

private:
    qint64 shownPosition() const;
    void fillControls(const QByteArray &bytes);

    CardDefinition m_def;
    // The record at the shown position as this card last read or wrote it.
    QByteArray m_shownBytes;
    QHash<QString, QWidget *> m_controls;
    QHash<QObject *, QString> m_hintOf;
};
