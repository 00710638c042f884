#include "storage/recordfile.h"
#include "suppliers/suppliercard.h"
#include "suppliers/supplierrecord.h"
#include "support/childrun.h"
#include "support/recorders.h"
#include "ui/italian.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProcess>
#include <QTest>


namespace {

QByteArray supplier(const QString &ditta, const QString &ricontatta = QStringLiteral("No"),
                    const QString &file01 = QString())
{
    Record r(SupplierRecord::layout());
    r.setValue(SupplierRecord::Ditta, ditta);
    r.setValue(SupplierRecord::Titolare, ditta + QStringLiteral(" titolare"));
    r.setValue(SupplierRecord::Ricontatta, ricontatta);
    r.setValue(SupplierRecord::File01, file01);
    r.setValue(SupplierRecord::Desc01, file01.isEmpty() ? QString() : QStringLiteral("descrizione"));
    return r.bytes();
}

} // namespace

class TestSupplierCard : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void textTheArchiveCannotHold_data();
    void textTheArchiveCannotHold();
    void controlCharactersAreStoredAsBlanks();

    void freshInstallationReportsNoCards();
    void browseRules();
    void saveNewCardWithOnlyDitta();
    void blanksOnlyDittaIsRefused();
    void duplicateRecordTwoOfFive();
    void duplicateOfNewCardIsRefused();
    void checkBoxLeftAloneOnOtherText();
    void digitFieldsDiscardOtherKeys();
    void leavingShowsBlankCardOnReturn();
    void provinceAndCodesTidiedWhileTyping();
    void unusableArchiveShowsAccessMessage();
    void readOnlyArchiveIsBrowsedButNotSaved();
    void failedReadLeavesCardAsItWas();
    void duplicateOnUnusableArchive();
    void pastedProvinceAndEmailTidiedOnLeaving();
    void highlightIsYellowBehindTheBox();
    void statusLineHints();
    void enterChainAndHighlight();
    void emailButtonOpensMailto();
    void savedCardReadsBackThroughCli();
    void programFolderAnywhere_data();
    void programFolderAnywhere();

private:
    std::unique_ptr<ProgramFolder> m_folder;
    std::unique_ptr<MessageRecorder> m_messages;
    std::unique_ptr<ShellRecorder> m_shell;
    std::unique_ptr<TfrmFornitori> m_card;

    QString archive() const { return SupplierRecord::archivePath(m_folder->path()); }
    void writeArchive(const QList<QByteArray> &records);
    QByteArray archiveBytes() const;
    QByteArray storedRecord(int position) const;
    void click(const char *name);
    QString position() const { return m_card->lblPosizione->text(); }
};

void TestSupplierCard::init()
{
    m_folder = std::make_unique<ProgramFolder>(false);
    m_messages = std::make_unique<MessageRecorder>();
    m_shell = std::make_unique<ShellRecorder>();
    m_card = std::make_unique<TfrmFornitori>();
    m_card->open();
    QApplication::setActiveWindow(m_card.get());
}

void TestSupplierCard::cleanup()
{
    m_card.reset();
    m_shell.reset();
    m_messages.reset();
    m_folder.reset();
}

void TestSupplierCard::writeArchive(const QList<QByteArray> &records)
{
    QFile f(archive());
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    for (const QByteArray &r : records)
        f.write(r);
}

QByteArray TestSupplierCard::archiveBytes() const
{
    QFile f(archive());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray TestSupplierCard::storedRecord(int position) const
{
    return archiveBytes().mid(qsizetype(position - 1) * SupplierRecord::Size, SupplierRecord::Size);
}

void TestSupplierCard::textTheArchiveCannotHold_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("lost");
    QTest::newRow("Polish letters") << QStringLiteral("Łódź S.r.l.") << QStringLiteral("Łź");
    QTest::newRow("Greek") << QStringLiteral("Ωmega") << QStringLiteral("Ω");
    QTest::newRow("emoji") << QStringLiteral("Rossi \U0001F600") << QStringLiteral("\U0001F600");
}

void TestSupplierCard::textTheArchiveCannotHold()
{
    QFETCH(QString, typed);
    QFETCH(QString, lost);
    m_card->txtDitta->setText(typed);
    m_card->txtTitolare->setText(QStringLiteral("Mario? Rossi"));
    click("cmdSalva");
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Warning);
    QCOMPARE(m_messages->lastText(), TCardScreen::unrepresentableMessage(m_card->txtDitta->accessibleName(), lost));
    QVERIFY(!QFile::exists(archive()) || QFileInfo(archive()).size() == 0);
    QCOMPARE(m_card->txtDitta->text(), typed);
    QCOMPARE(TCardScreen::unrepresentableMessage(QStringLiteral("Ditta"), QStringLiteral("Ł")),
             QStringLiteral("Attenzione: il campo Ditta contiene caratteri che l'archivio non può conservare: Ł\r\n\r\n"
                            "Sostituirli e premere di nuovo Salva: la scheda non è stata salvata."));
}

void TestSupplierCard::controlCharactersAreStoredAsBlanks()
{
    m_card->txtDitta->setText(QStringLiteral("Rossi"));
    m_card->txtNote->setText(QStringLiteral("riga uno\nriga due\tfine\r\n"));
    click("cmdSalva");
    const Record stored(SupplierRecord::layout(), storedRecord(1));
    QCOMPARE(stored.value(SupplierRecord::Note), QStringLiteral("riga uno riga due fine"));
}

void TestSupplierCard::click(const char *name)
{
    auto *b = m_card->findChild<QAbstractButton *>(QLatin1StringView(name));
    QVERIFY2(b, name);
    QTest::mouseClick(b, Qt::LeftButton);
}

void TestSupplierCard::freshInstallationReportsNoCards()
{
    QVERIFY(!QFile::exists(archive()));
    click("cmdAvanti");
    QVERIFY(QFile::exists(archive()));
    QCOMPARE(QFileInfo(archive()).size(), 0);
    QCOMPARE(position(), QString());
    QCOMPARE(m_messages->boxes.size(), 1);
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Information);
    QCOMPARE(m_messages->lastText(), QStringLiteral("L'archivio non contiene nessuna scheda."));
    for (const char *name : {"cmdPrimo", "cmdUltimo", "cmdIndietro"}) {
        click(name);
        QCOMPARE(m_messages->lastText(), QStringLiteral("L'archivio non contiene nessuna scheda."));
    }
    QCOMPARE(m_messages->boxes.size(), 4);
}

void TestSupplierCard::browseRules()
{
    writeArchive({supplier(QStringLiteral("Alfa")), supplier(QStringLiteral("Beta")), supplier(QStringLiteral("Gamma"))});
    click("cmdAvanti");
    QCOMPARE(position(), QStringLiteral("1"));
    QCOMPARE(m_card->txtDitta->text(), QStringLiteral("Alfa"));
    QCOMPARE(m_card->txtTitolare->text(), QStringLiteral("Alfa titolare"));

    click("cmdNuovo");
    QCOMPARE(position(), QString());
    QCOMPARE(m_card->txtDitta->text(), QString());
    click("cmdIndietro"); // from a new card: the first record
    QCOMPARE(position(), QStringLiteral("1"));
    QCOMPARE(m_card->txtDitta->text(), QStringLiteral("Alfa"));

    click("cmdUltimo");
    QCOMPARE(position(), QStringLiteral("3"));
    m_card->txtDitta->setText(QStringLiteral("modificata"));
    click("cmdAvanti"); // past the end: silent, nothing changes
    QCOMPARE(position(), QStringLiteral("3"));
    QCOMPARE(m_card->txtDitta->text(), QStringLiteral("modificata"));
    click("cmdUltimo"); // reads record 3 again, edits discarded
    QCOMPARE(m_card->txtDitta->text(), QStringLiteral("Gamma"));
    click("cmdIndietro");
    QCOMPARE(position(), QStringLiteral("2"));
    QCOMPARE(m_card->txtDitta->text(), QStringLiteral("Beta"));
    click("cmdPrimo");
    QCOMPARE(position(), QStringLiteral("1"));

    // On record 1 the back arrow looks at nothing, even an emptied archive.
    writeArchive({});
    m_card->txtDitta->setText(QStringLiteral("a mano"));
    click("cmdIndietro");
    QCOMPARE(position(), QStringLiteral("1"));
    QCOMPARE(m_card->txtDitta->text(), QStringLiteral("a mano"));
    QVERIFY(m_messages->boxes.isEmpty());
    click("cmdAvanti"); // an empty archive: position emptied, message
    QCOMPARE(position(), QString());
    QCOMPARE(m_messages->lastText(), QStringLiteral("L'archivio non contiene nessuna scheda."));
}

void TestSupplierCard::saveNewCardWithOnlyDitta()
{
    typeText(m_card->txtDitta, QStringLiteral("  Ferramenta Società  "));
    click("cmdSalva");
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Information);
    QCOMPARE(m_messages->lastText(), QStringLiteral("La scheda corrente è stata inserita in archivio."));
    QCOMPARE(position(), QStringLiteral("1"));

    QByteArray golden(3643, '\0');
    const QByteArray name("Ferramenta Societ\xE0");
    golden[0] = char(name.size());
    golden.replace(1, name.size(), name);
    golden.replace(2134, 3, QByteArray("\x02\x4E\x6F", 3));
    QCOMPARE(archiveBytes(), golden);

    // Saving again overwrites the shown position.
    m_card->chkRicontatta->setChecked(true);
    click("cmdSalva");
    QCOMPARE(m_messages->lastText(),
             QStringLiteral("Le modifiche apportate alla scheda corrente sono state salvate in archivio."));
    QCOMPARE(position(), QStringLiteral("1"));
    QCOMPARE(archiveBytes().size(), 3643);
    QCOMPARE(archiveBytes().mid(2134, 3), QByteArray("\x02\x53\xEC", 3));

    // A second new card with the same data is a second record.
    click("cmdNuovo");
    typeText(m_card->txtDitta, QStringLiteral("Ferramenta Società"));
    click("cmdSalva");
    QCOMPARE(position(), QStringLiteral("2"));
    QCOMPARE(archiveBytes().size(), 2 * 3643);
}

void TestSupplierCard::blanksOnlyDittaIsRefused()
{
    QTest::keyClicks(m_card->txtTitolare, QStringLiteral("Mario Rossi"));
    QTest::keyClicks(m_card->txtDitta, QStringLiteral("   "));
    m_card->txtTitolare->setFocus();
    click("cmdSalva");
    QCOMPARE(m_messages->boxes.size(), 1);
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Warning);
    QCOMPARE(m_messages->lastText(), QStringLiteral("Attenzione: per salvare la scheda è necessario indicare la "
                                                    "denominazione della Ditta fornitrice."));
    QCOMPARE(QApplication::focusWidget(), m_card->txtDitta);
    QVERIFY(!QFile::exists(archive()));
    QCOMPARE(position(), QString());
}

void TestSupplierCard::duplicateRecordTwoOfFive()
{
    QList<QByteArray> records;
    for (int i = 1; i <= 5; ++i)
        records << supplier(QStringLiteral("Ditta %1").arg(i), QStringLiteral("S\u00EC"),
                            QStringLiteral("Documenti_Allegati/contratto%1.pdf").arg(i));
    writeArchive(records);
    click("cmdAvanti");
    click("cmdAvanti");
    QCOMPARE(position(), QStringLiteral("2"));
    QCOMPARE(m_card->findChild<QLabel *>(QStringLiteral("lblFile01"))->text(),
             QStringLiteral("Documenti_Allegati/contratto2.pdf"));
    m_card->txtTitolare->setFocus();
    click("cmdDuplica");
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Information);
    QCOMPARE(m_messages->lastText(), QStringLiteral("E' ora possibile apportare le proprie modifiche alla scheda "
                                                    "corrente.\n\r\n\rAl termine premere Salva per inserire la scheda "
                                                    "in archivio."));
    QCOMPARE(position(), QString());
    QCOMPARE(m_card->findChild<QLabel *>(QStringLiteral("lblFile01"))->text(), QString());
    QCOMPARE(m_card->findChild<QLabel *>(QStringLiteral("lblDesc01"))->text(), QString());
    QCOMPARE(m_card->txtDitta->text(), QStringLiteral("Ditta 2"));
    QVERIFY(m_card->chkRicontatta->isChecked());
    QCOMPARE(QApplication::focusWidget(), m_card->txtDitta);

    click("cmdSalva");
    QCOMPARE(position(), QStringLiteral("6"));
    QCOMPARE(storedRecord(2), records[1]);
    QCOMPARE(storedRecord(6), supplier(QStringLiteral("Ditta 2"), QStringLiteral("S\u00EC")));
}

void TestSupplierCard::duplicateOfNewCardIsRefused()
{
    QTest::keyClicks(m_card->txtDitta, QStringLiteral("Nuova"));
    click("cmdDuplica");
    QCOMPARE(m_messages->boxes.size(), 1);
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Warning);
    QCOMPARE(m_messages->lastText(), QStringLiteral("Attenzione: la duplicazione di una scheda può avvenire soltanto "
                                                    "dopo che questa è stata inserita in archivio."));
    QCOMPARE(m_card->txtDitta->text(), QStringLiteral("Nuova"));
    QVERIFY(!QFile::exists(archive()));
}

void TestSupplierCard::checkBoxLeftAloneOnOtherText()
{
    writeArchive({supplier(QStringLiteral("Uno"), QStringLiteral("S\u00EC")), supplier(QStringLiteral("Due"), QString()),
                  supplier(QStringLiteral("Tre"), QStringLiteral("si")), supplier(QStringLiteral("Quattro"))});
    click("cmdAvanti");
    QVERIFY(m_card->chkRicontatta->isChecked());
    click("cmdAvanti");
    QCOMPARE(m_card->txtDitta->text(), QStringLiteral("Due"));
    QVERIFY(m_card->chkRicontatta->isChecked());
    click("cmdAvanti");
    QVERIFY(m_card->chkRicontatta->isChecked());
    click("cmdAvanti");
    QVERIFY(!m_card->chkRicontatta->isChecked());
    click("cmdIndietro");
    QVERIFY(!m_card->chkRicontatta->isChecked());
}

void TestSupplierCard::digitFieldsDiscardOtherKeys()
{
    m_card->txtCarta->setFocus();
    QTest::keyClicks(m_card->txtCarta, QStringLiteral("4a5 .-6"));
    QCOMPARE(m_card->txtCarta->text(), QStringLiteral("456"));
    QTest::keyClick(m_card->txtCarta, Qt::Key_Left);
    QTest::keyClick(m_card->txtCarta, Qt::Key_Backspace);
    QCOMPARE(m_card->txtCarta->text(), QStringLiteral("46"));
    QTest::keyClick(m_card->txtCarta, Qt::Key_Home);
    QTest::keyClicks(m_card->txtCarta, QStringLiteral("7"));
    QCOMPARE(m_card->txtCarta->text(), QStringLiteral("476"));
    // Tab and Shift+Tab move on from a digit box, as from any other.
    QTest::keyClick(m_card->txtCarta, Qt::Key_Tab);
    QVERIFY(QApplication::focusWidget() != m_card->txtCarta);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), m_card->txtCarta);
    QTest::keyClicks(m_card->txtPartitaIva, QStringLiteral("IT 0123,4"));
    QCOMPARE(m_card->txtPartitaIva->text(), QStringLiteral("01234"));
    // Other fields take anything.
    QTest::keyClicks(m_card->txtScadeCarta, QStringLiteral("12/28 a"));
    QCOMPARE(m_card->txtScadeCarta->text(), QStringLiteral("12/28 a"));
}

void TestSupplierCard::leavingShowsBlankCardOnReturn()
{
    writeArchive({supplier(QStringLiteral("Alfa"), QStringLiteral("S\u00EC"), QStringLiteral("a.pdf"))});
    click("cmdAvanti");
    m_card->txtProvRes->setCurrentIndex(3);
    QCOMPARE(m_card->txtDitta->text(), QStringLiteral("Alfa"));
    click("cmdEsci");
    QVERIFY(!m_card->isVisible());
    m_card->open();
    QCOMPARE(position(), QString());
    QCOMPARE(m_card->txtDitta->text(), QString());
    QCOMPARE(m_card->txtTitolare->text(), QString());
    QCOMPARE(m_card->txtProvRes->currentIndex(), -1);
    QCOMPARE(m_card->txtProvRes->currentText(), QString());
    QVERIFY(!m_card->chkRicontatta->isChecked());
    QCOMPARE(m_card->findChild<QLabel *>(QStringLiteral("lblFile01"))->text(), QString());
    QCOMPARE(m_card->focusWidget(), m_card->txtDitta);
    QCOMPARE(archiveBytes().size(), 3643); // leaving saves nothing
}

void TestSupplierCard::provinceAndCodesTidiedWhileTyping()
{
    QCOMPARE(TfrmFornitori::provinces().size(), 112);
    QCOMPARE(m_card->txtProvRes->count(), 112);
    QCOMPARE(m_card->txtProvRes->itemText(0), QStringLiteral("AG"));
    QCOMPARE(m_card->txtProvRes->itemText(111), QStringLiteral("VV"));

    m_card->txtProvRes->setFocus();
    QTest::keyClick(m_card->txtProvRes, Qt::Key_M, Qt::NoModifier);
    QCOMPARE(m_card->txtProvRes->currentText(), QStringLiteral("M"));
    QTest::keyClick(m_card->txtProvRes, Qt::Key_I, Qt::NoModifier);
    QCOMPARE(m_card->txtProvRes->currentText(), QStringLiteral("MI"));
    m_card->txtProvRes->setEditText(QString());
    QTest::keyClicks(m_card->txtProvRes, QStringLiteral("z "));
    QCOMPARE(m_card->txtProvRes->currentText(), QStringLiteral("Z"));
    QTest::keyClicks(m_card->txtProvRes, QStringLiteral("z"));
    QCOMPARE(m_card->txtProvRes->currentText(), QStringLiteral("ZZ"));

    typeText(m_card->txtCodFisc, QStringLiteral(" rssmrà80"));
    QCOMPARE(m_card->txtCodFisc->text(), QStringLiteral("RSSMRà80"));
    QTest::keyClicks(m_card->txtIban, QStringLiteral("it60x"));
    QCOMPARE(m_card->txtIban->text(), QStringLiteral("IT60X"));
    QTest::keyClicks(m_card->txtEmail, QStringLiteral(" Info@Ditta.it "));
    QCOMPARE(m_card->txtEmail->text(), QStringLiteral("Info@Ditta.it"));

    QTest::keyClicks(m_card->txtDitta, QStringLiteral("Ditta"));
    click("cmdSalva");
    const Record stored(SupplierRecord::layout(), storedRecord(1));
    QCOMPARE(stored.value(SupplierRecord::ProvRes), QStringLiteral("ZZ"));
    QCOMPARE(stored.value(SupplierRecord::CodFisc), QStringLiteral("RSSMRà80"));
}

void TestSupplierCard::unusableArchiveShowsAccessMessage()
{
    // A folder in the archive's place can be neither read nor written.
    QVERIFY(QDir().mkdir(archive()));
    QTest::keyClicks(m_card->txtDitta, QStringLiteral("Beta"));
    click("cmdPrimo");
    QCOMPARE(m_messages->boxes.size(), 1);
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Error);
    QCOMPARE(m_messages->lastText(), QStringLiteral("Attenzione: il sistema non permette di accedere all'archivio.\n\r"
                                                    "\n\rAccertarsi di possedere i privilegi di scrittura nella "
                                                    "cartella di installazione del programma."));
    QCOMPARE(m_card->txtDitta->text(), QStringLiteral("Beta"));
    QCOMPARE(position(), QString());
    click("cmdSalva");
    QCOMPARE(m_messages->boxes.size(), 2);
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Error);
    QCOMPARE(position(), QString());
}

void TestSupplierCard::readOnlyArchiveIsBrowsedButNotSaved()
{
    // Root writes to read-only files: the case runs as an ordinary user.
    if (runInChild("readOnlyArchiveIsBrowsedButNotSaved", ChildRun::AsNobodyIfRoot))
        return;
    writeArchive({supplier(QStringLiteral("Alfa")), supplier(QStringLiteral("Beta"))});
    const QByteArray before = archiveBytes();
    QVERIFY(QFile::setPermissions(archive(), QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    click("cmdUltimo");
    QCOMPARE(m_card->txtDitta->text(), QStringLiteral("Beta"));
    click("cmdPrimo");
    QCOMPARE(m_card->txtDitta->text(), QStringLiteral("Alfa"));
    QCOMPARE(position(), QStringLiteral("1"));
    QVERIFY(m_messages->boxes.isEmpty());
    m_card->txtNote->setText(QStringLiteral("nota"));
    click("cmdSalva");
    QCOMPARE(m_messages->boxes.size(), 1);
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Error);
    QVERIFY(m_messages->lastText().startsWith(QStringLiteral("Attenzione: il sistema non permette di accedere")));
    QVERIFY(QFile::setPermissions(archive(), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QCOMPARE(archiveBytes(), before);
}

void TestSupplierCard::failedReadLeavesCardAsItWas()
{
    writeArchive({supplier(QStringLiteral("Alfa")), supplier(QStringLiteral("Beta")), supplier(QStringLiteral("Gamma"))});
    click("cmdUltimo");
    QCOMPARE(m_card->txtDitta->text(), QStringLiteral("Gamma"));
    // Another workstation leaves only one record (a damaged copy).
    writeArchive({supplier(QStringLiteral("Alfa"))});
    click("cmdIndietro");
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Error);
    QVERIFY(m_messages->lastText().startsWith(QStringLiteral("Attenzione: il sistema non permette di accedere")));
    QCOMPARE(position(), QStringLiteral("3"));
    QCOMPARE(m_card->txtDitta->text(), QStringLiteral("Gamma"));
    QCOMPARE(m_card->txtTitolare->text(), QStringLiteral("Gamma titolare"));
}

void TestSupplierCard::duplicateOnUnusableArchive()
{
    writeArchive({supplier(QStringLiteral("Alfa"), QStringLiteral("No"), QStringLiteral("a.pdf"))});
    click("cmdAvanti");
    m_card->txtNote->setFocus();
    QFile::remove(archive());
    QVERIFY(QDir().mkdir(archive()));
    click("cmdDuplica");
    QCOMPARE(m_messages->boxes.size(), 1);
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Error);
    QVERIFY(m_messages->lastText().startsWith(QStringLiteral("Attenzione: il sistema non permette di accedere")));
    // What the duplicate had already done stays done; the focus stays put.
    QCOMPARE(position(), QString());
    QCOMPARE(m_card->findChild<QLabel *>(QStringLiteral("lblFile01"))->text(), QString());
    QCOMPARE(m_card->txtDitta->text(), QStringLiteral("Alfa"));
    QCOMPARE(QApplication::focusWidget(), m_card->txtNote);
}

void TestSupplierCard::pastedProvinceAndEmailTidiedOnLeaving()
{
    m_card->txtProvRes->setFocus();
    m_card->txtProvRes->setEditText(QStringLiteral("mi"));
    m_card->txtEmail->setFocus();
    QCOMPARE(m_card->txtProvRes->currentText(), QStringLiteral("MI"));
    m_card->txtEmail->setText(QStringLiteral("  Ordini@Ditta.it\t"));
    m_card->txtNote->setFocus();
    QCOMPARE(m_card->txtEmail->text(), QStringLiteral("Ordini@Ditta.it"));
    // A code pasted into the tax code box is only tidied by typing.
    m_card->txtCodFisc->setText(QStringLiteral(" abc"));
    m_card->txtNote->setFocus();
    QCOMPARE(m_card->txtCodFisc->text(), QStringLiteral(" abc"));
}

void TestSupplierCard::highlightIsYellowBehindTheBox()
{
    m_card->txtTitolare->setFocus();
    QWidget *frame = m_card->findChild<QWidget *>(QStringLiteral("effTitolare"));
    QVERIFY(frame->isVisible());
    const QImage image = frame->grab().toImage();
    QCOMPARE(QColor(image.pixel(frame->width() / 2, frame->height() / 2)), QColor(0xFF, 0xFF, 0x00));
    // The border fades to white at the edge.
    const QColor edge(image.pixel(frame->width() / 2, 0));
    QVERIFY(edge.blue() > 150);
    // Drawn behind its box: the box is above it in the stacking order.
    const QObjectList siblings = m_card->panel()->children();
    QVERIFY(siblings.indexOf(frame) < siblings.indexOf(m_card->txtTitolare));
}

void TestSupplierCard::statusLineHints()
{
    QLabel *status = m_card->panInfo;
    QCOMPARE(status->text(), QStringLiteral("Pronto per archiviare una nuova scheda..."));
    auto over = [&](const char *name) {
        auto *w = m_card->findChild<QWidget *>(QLatin1StringView(name));
        QVERIFY2(w, name);
        // The mouse moving over the control, as the desktop reports it.
        QMouseEvent move(QEvent::MouseMove, QPointF(w->rect().center()), QPointF(w->mapToGlobal(w->rect().center())),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &move);
    };
    over("cmdSalva");
    QCOMPARE(status->text(), QStringLiteral("Salva la scheda corrente in archivio."));
    over("txtDitta"); // edit boxes leave it alone
    QCOMPARE(status->text(), QStringLiteral("Salva la scheda corrente in archivio."));
    over("chkRicontatta");
    QCOMPARE(status->text(), QStringLiteral("Spunta questa casella per annotare che il fornitore è da ricontattare "
                                            "per questioni in sospeso."));
    over("shpSezione3");
    QCOMPARE(status->text(), QString());
    const QList<QPair<const char *, const char *>> hints = {
        {"cmdNuovo", "Prepara la schermata per la registrazione di una nuova scheda."},
        {"cmdDuplica", "Prepara la schermata per la registrazione di una nuova scheda duplicando i dati correnti."},
        {"cmdFile", "Allega file alla scheda corrente."},
        {"cmdTrova", "Trova una scheda in archivio."},
        {"cmdAnteprima", "Visualizza l'anteprima di stampa."},
        {"cmdStampa", "Stampa la scheda corrente."},
        {"cmdPDF", "Esporta la scheda in formato PDF."},
        {"cmdRicontatta", "Visualizza l'elenco dei fornitori da ricontattare."},
        {"cmdEsporta", "Esporta le schede in archivio in un file di Microsoft Excel."},
        {"cmdGuida", "Visualizza la pagina della guida sensibile al contesto."},
        {"cmdEsci", "Esci da questa schermata di lavoro."},
        {"cmdPrimo", "Visualizza la prima scheda in archivio."},
        {"cmdIndietro", "Visualizza la scheda precedente in archivio."},
        {"cmdAvanti", "Visualizza la scheda successiva in archivio."},
        {"cmdUltimo", "Visualizza l'ultima scheda in archivio."},
        {"btnEmail", "Invia una e-mail all'indirizzo indicato."},
        {"btnCodFisc", "Controlla il codice fiscale."},
        {"btnCarta", "Controlla il numero di carta di credito."},
        {"btnPartitaIva", "Controlla il numero di partita IVA."},
        {"btnIban", "Controlla l'IBAN."},
    };
    for (const auto &[name, hint] : hints) {
        over(name);
        QCOMPARE(status->text(), QString::fromUtf8(hint));
        over("lblPosizione");
        QCOMPARE(status->text(), QString());
    }
}

void TestSupplierCard::enterChainAndHighlight()
{
    QCOMPARE(QApplication::focusWidget(), m_card->txtDitta);
    QWidget *effDitta = m_card->findChild<QWidget *>(QStringLiteral("effDitta"));
    QWidget *effTitolare = m_card->findChild<QWidget *>(QStringLiteral("effTitolare"));
    QVERIFY(effDitta && effTitolare);
    QVERIFY(effDitta->isVisible());
    QCOMPARE(effDitta->geometry(), m_card->txtDitta->geometry().adjusted(-4, -4, 4, 4));
    QTest::keyClicks(m_card->txtDitta, QStringLiteral("Alfa"));
    QTest::keyClick(m_card->txtDitta, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), m_card->txtTitolare);
    QVERIFY(!effDitta->isVisible());
    QVERIFY(effTitolare->isVisible());

    // Walk the whole chain: it follows the record order and comes back.
    const QStringList chain = QStringLiteral(
        "txtDitta txtTitolare txtRecapito txtIndirizzoRes txtProvRes txtComuneRes txtCapRes txtPagamento txtTelCasa "
        "txtTelUff txtTelCel txtFax txtEmail txtCodFisc txtCarta txtScadeCarta txtPartitaIva txtIban txtArticoli "
        "txtOfferte txtOrdine txtQuestioni txtNote").split(u' ');
    for (qsizetype i = 1; i < chain.size(); ++i) {
        QWidget *focused = QApplication::focusWidget();
        if (focused->parentWidget() == m_card->txtProvRes)
            focused = m_card->txtProvRes;
        QCOMPARE(focused->objectName(), chain[i]);
        QTest::keyClick(focused, Qt::Key_Return);
        // At most one frame shows.
        int visibleFrames = 0;
        for (QWidget *w : m_card->findChildren<QWidget *>()) {
            if (w->objectName().startsWith(QStringLiteral("eff")) && w->isVisible())
                ++visibleFrames;
        }
        QCOMPARE(visibleFrames, 1);
    }
    QCOMPARE(QApplication::focusWidget(), m_card->txtDitta);
    QVERIFY(m_messages->boxes.isEmpty()); // Enter never saves
    QVERIFY(!QFile::exists(archive()));
}

void TestSupplierCard::emailButtonOpensMailto()
{
    click("btnEmail");
    QTest::keyClicks(m_card->txtEmail, QStringLiteral("ordini@fornitore.it"));
    click("btnEmail");
    QCOMPARE(m_shell->opened, (QStringList{QStringLiteral("mailto:"), QStringLiteral("mailto:ordini@fornitore.it")}));
    // Whatever follows the address stays part of it: no query, no fragment.
    m_card->txtEmail->setText(QStringLiteral("x@y.it?attach=/etc/passwd&cc=z@w.it#f"));
    click("btnEmail");
    QCOMPARE(m_shell->opened.last(), QStringLiteral("mailto:x@y.it%3Fattach%3D%2Fetc%2Fpasswd%26cc%3Dz@w.it%23f"));
    const QUrl url(m_shell->opened.last());
    QVERIFY(!url.hasQuery() && !url.hasFragment());
}

void TestSupplierCard::savedCardReadsBackThroughCli()
{
    const QList<QPair<QLineEdit *, QString>> values = {
        {m_card->txtDitta, QStringLiteral("Rossi, \"Ferro\" & C.")},
        {m_card->txtTitolare, QStringLiteral("Niccolò Bianchi")},
        {m_card->txtComuneRes, QStringLiteral("Forlì")},
        {m_card->txtPagamento, QStringLiteral("Bonifico 30 gg, € 50 di spese")},
        {m_card->txtCarta, QStringLiteral("4111111111111111")},
        {m_card->txtNote, QString(260, u'n')},
    };
    for (const auto &[box, text] : values)
        box->setText(text);
    m_card->chkRicontatta->setChecked(true);
    click("cmdSalva");

    QProcess cli;
    cli.start(QStringLiteral(SCORTEX_CLI), {QStringLiteral("dump"), archive()});
    QVERIFY(cli.waitForFinished(30000));
    QCOMPARE(cli.exitCode(), 0);
    const QString out = QString::fromUtf8(cli.readAllStandardOutput());
    const QString expected = QStringLiteral("1,\"Rossi, \"\"Ferro\"\" & C.\",Niccolò Bianchi,,,,Forlì,,"
                                            "\"Bonifico 30 gg, € 50 di spese\",,,,,,,4111111111111111,,,,,,,,")
                             + QString(250, u'n') + QStringLiteral(",S\u00EC,,,,,,\n");
    QCOMPARE(out.section(u'\n', 1), expected);
}

void TestSupplierCard::programFolderAnywhere_data()
{
    QTest::addColumn<bool>("share");
    // As "C:\Programmi\Magazzino Già" on a PC: the system's own
    // separators, blanks and accented letters.
    QTest::newRow("blanks and accents") << false;
    // A folder shared over the network, where the Windows suite has one.
    QTest::newRow("UNC share") << true;
}

void TestSupplierCard::programFolderAnywhere()
{
    QFETCH(bool, share);
    const QString folder = share ? qEnvironmentVariable("SCORTEX_UNC_FOLDER")
                                 : QDir::toNativeSeparators(m_folder->file(QStringLiteral("Programmi/Magazzino Già")));
    if (folder.isEmpty())
        QSKIP("no UNC share here: SCORTEX_UNC_FOLDER names one (windows/test.sh, under Wine)");
    QVERIFY(QDir().mkpath(folder));
    const QString path = QDir(folder).filePath(QStringLiteral("Fornitori.pro"));
    QFile::remove(path);
    AppContext::setProgramFolder(folder);
    TfrmFornitori card;
    card.open();
    typeText(card.txtDitta, QStringLiteral("Società Già"));
    QTest::mouseClick(card.findChild<QWidget *>(QStringLiteral("cmdSalva")), Qt::LeftButton);
    QCOMPARE(m_messages->lastText(), QStringLiteral("La scheda corrente è stata inserita in archivio."));
    QFile stored(path);
    QVERIFY(stored.open(QIODevice::ReadOnly));
    const QByteArray bytes = stored.readAll();
    stored.close();
    QCOMPARE(bytes.size(), SupplierRecord::Size);
    QCOMPARE(bytes.mid(0, 12), QByteArray("\x0BSociet\xE0 Gi\xE0"));
    card.txtDitta->clear();
    QTest::mouseClick(card.findChild<QWidget *>(QStringLiteral("cmdPrimo")), Qt::LeftButton);
    QCOMPARE(card.txtDitta->text(), QStringLiteral("Società Già"));
    AppContext::setProgramFolder(m_folder->path());
    QFile::remove(path);
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    installItalian(app);
    TestSupplierCard test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_suppliercard.moc"
