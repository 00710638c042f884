#include "searchwindow.h"

#include "storage/recordfile.h"
#include "storage/textrules.h"
#include "ui/cardscreen.h"
#include "ui/linemodel.h"
#include "ui/services.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

namespace {

ListWindowDefinition listDefinition(const SearchDefinition &search,
                                    std::function<QString(const TCardScreen *)> archivePath)
{
    ListWindowDefinition d;
    d.objectName = search.objectName;
    d.caption = search.caption;
    d.title = search.title;
    d.format = search.format;
    d.archivePath = std::move(archivePath);
    d.panelName = QStringLiteral("panContainer");
    d.countLabel = true;
    return d;
}

std::function<QString(const TCardScreen *)> archivePathOf(const ArchiveKind &kind)
{
    if (kind.archivePath)
        return [path = kind.archivePath](const TCardScreen *) { return path(AppContext::programFolder()); };
    return [](const TCardScreen *card) { return card ? card->archivePath() : QString(); };
}

} // namespace

TSearchWindow::TSearchWindow(const ArchiveKind &kind, QWidget *owner)
    : TSearchWindow(kind.search(), QString::fromLatin1(kind.name), archivePathOf(kind), owner)
{
}

TSearchWindow::TSearchWindow(const SearchDefinition &search, const QString &modeWord,
                             std::function<QString(const TCardScreen *)> archivePath, QWidget *owner)
    : TListWindow(listDefinition(search, std::move(archivePath)), owner), panContainer(panElenco), m_search(search),
      m_wholeRecordMode(modeWord)
{
    panContainer->hide();
    panAvvio = addPanel(QStringLiteral("panAvvio"));
    QWidget *p = panAvvio;
    lblRigo04 = helpLine(p, "lblRigo04",
                         QStringLiteral("Immettere nei campi prescelti una o più parole consecutive presenti nelle "
                                        "schede da trovare e premere il pulsante Cerca."),
                         76);
    lblRigo05 = helpLine(p, "lblRigo05", QStringLiteral("Lasciare in bianco tutti gli altri campi."), 96);
    lblRigo06 = helpLine(p, "lblRigo06",
                         QStringLiteral("Per ogni ricerca è possibile utilizzare uno o più campi contemporaneamente."),
                         116);

    // Two columns in reading order, so Tab and Enter go left to right.
    const RecordLayout &layout = search.layout();
    for (qsizetype i = 0; i < search.fields.size(); ++i) {
        const SearchDefinition::Field &f = search.fields[i];
        const int x = i % 2 == 0 ? 20 : 441;
        const int y = 146 + int(i / 2) * 62;
        auto *box = new QLineEdit(p);
        box->setObjectName(f.control);
        box->setFont(layoutFont(QStringLiteral("Arial"), 12, true));
        box->setMaxLength(layout.capacity(f.field));
        box->setGeometry(x, y + 19, 401, 30);
        auto *caption = new QLabel(f.caption, p);
        caption->setObjectName(QStringLiteral("lbl") + f.control.mid(3));
        caption->setFont(layoutFont(QStringLiteral("Arial"), 10, true));
        caption->setStyleSheet(QStringLiteral("color: #1F3A5F; background: transparent;"));
        caption->setGeometry(x, y, 401, 18);
        caption->setBuddy(box);
        box->setAccessibleName(TextRules::trimmed(QString(f.caption).remove(u':').remove(u'€')));
        new THighlightFrame(QStringLiteral("eff") + f.control.mid(3), box);
        box->installEventFilter(this);
        searchBoxes << box;
    }

    lblAttendere = new QLabel(QStringLiteral("Ricerca schede in corso. Attendere..."), p);
    lblAttendere->setObjectName(QStringLiteral("lblAttendere"));
    lblAttendere->setFont(layoutFont(QStringLiteral("Arial"), 12, true));
    lblAttendere->setStyleSheet(QStringLiteral("color: #DC143C; background: transparent;"));
    lblAttendere->setGeometry(20, 470, 500, 26);
    lblAttendere->setAccessibleName(lblAttendere->text());
    lblAttendere->hide();
    lblConta = new QLabel(QStringLiteral("0"), p);
    lblConta->setObjectName(QStringLiteral("lblConta"));
    lblConta->hide();
    lblMemory = new QLabel(p);
    lblMemory->setObjectName(QStringLiteral("lblMemory"));
    lblMemory->hide();

    btnAnnulla = makeButton(p, QStringLiteral("btnAnnulla"), QStringLiteral("Chiudi"), QRect(548, 508, 140, 40));
    btnCerca = makeButton(p, QStringLiteral("btnCerca"), QStringLiteral("Cerca"), QRect(702, 508, 140, 40));

    for (qsizetype i = 1; i < searchBoxes.size(); ++i)
        setTabOrder(searchBoxes[i - 1], searchBoxes[i]);
    setTabOrder(searchBoxes.last(), btnCerca);
    setTabOrder(btnCerca, btnAnnulla);

    btnCerca->installEventFilter(this);
    connect(btnCerca, &QPushButton::clicked, this, &TSearchWindow::btnCercaClick);
    connect(btnAnnulla, &QPushButton::clicked, this, &QDialog::reject);
}

QString TSearchWindow::modeWord() const
{
    return TextRules::trimmed(lblMemory->text());
}

void TSearchWindow::showEvent(QShowEvent *event)
{
    TListWindow::showEvent(event);
    if (event->spontaneous())
        return;
    resetFind();
    if (panAvvio->isVisible())
        searchBoxes.first()->setFocus();
}

void TSearchWindow::btnCercaClick()
{
    // Shown for a keyboard press too, and painted before the scan starts.
    lblAttendere->show();
    QList<FieldSearch::Term> terms;
    int required = 0;
    for (qsizetype i = 0; i < searchBoxes.size(); ++i) {
        terms.append({m_search.fields[i].field, searchBoxes[i]->text()});
        if (!TextRules::trimmed(searchBoxes[i]->text()).isEmpty())
            ++required;
    }
    lblConta->setText(QString::number(required));
    const ListQuery query = m_search.query(terms);

    const QString path = archivePath();
    const int size = m_search.layout().size();
    ListResult result;
    const bool read = runScan([&] {
        RecordFile file(path, size);
        result = runQuery(file, query);
    });
    lblAttendere->hide();
    if (!read)
        return;
    const qint64 found = qint64(result.lines.size());
    showLines(std::move(result));
    setCountText(m_search.countText(found));

    panContainer->show();
    panAvvio->hide();
    txtTrova->clear();
    txtTrova->setFocus();
}

bool TSearchWindow::loadRecord(const ChosenRecord &chosen)
{
    if (m_loadRecord)
        return m_loadRecord(chosen);
    if (modeWord() != m_wholeRecordMode)
        return false;
    return loadWholeRecord(chosen);
}

bool TSearchWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == btnCerca && event->type() == QEvent::MouseButtonPress)
        lblAttendere->show();
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const qsizetype at = searchBoxes.indexOf(qobject_cast<QLineEdit *>(watched));
        if (at >= 0 && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            searchBoxes[(at + 1) % searchBoxes.size()]->setFocus();
            return true;
        }
    }
    return TListWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------- the three windows

TfrmTrovaFornitori::TfrmTrovaFornitori(QWidget *owner) : TSearchWindow(ArchiveKinds::get("fornitori"), owner)
{
}

TfrmTrovaMagazzino::TfrmTrovaMagazzino(QWidget *owner) : TSearchWindow(ArchiveKinds::get("magazzino"), owner)
{
}

TfrmTrovaCarichi::TfrmTrovaCarichi(QWidget *owner) : TSearchWindow(ArchiveKinds::get("carichi"), owner)
{
}
