#include "resultlist.h"

#include "storage/archiveerror.h"
#include "ui/linemodel.h"
#include "ui/responsive.h"
#include "ui/services.h"
#include "ui/widgets.h"

#include <QFontMetrics>

TResultList::TResultList(QWidget *parent) : QListView(parent), m_model(new TLineModel(this))
{
    setObjectName(QStringLiteral("lstRecords"));
    setModel(m_model);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setFont(layoutFont(QStringLiteral("Courier New"), 12));
    QPalette pal = palette();
    pal.setColor(QPalette::Text, Qt::black);
    pal.setColor(QPalette::Base, Qt::white);
    setPalette(pal);
    setAccessibleName(QStringLiteral("Elenco delle schede"));
    // Long lines scroll sideways: every item is at least 1600 pixels wide.
    const QFontMetrics fm(font());
    m_model->setItemSize(QSize(1600, fm.height() + 2));
}

const LineList &TResultList::lines() const
{
    return m_model->lines();
}

void TResultList::setLines(LineList lines)
{
    const QFontMetrics fm(font());
    const int width = qMax(1600, int(lines.longest()) * fm.horizontalAdvance(u'M') + 8);
    m_model->setItemSize(QSize(width, fm.height() + 2));
    m_model->setLines(std::move(lines));
}

void TResultList::clearLines()
{
    m_model->clear();
}

QStringList TResultList::texts() const
{
    QStringList out;
    out.reserve(lines().size());
    for (qsizetype i = 0; i < lines().size(); ++i)
        out << lines().text(i);
    return out;
}

void TResultList::findNext(const QString &typed, Messages::Kind emptyKind)
{
    if (lines().empty()) {
        Messages::show(window(), emptyKind, emptyListMessage());
        return;
    }
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    const qsizetype from = selected.isEmpty() ? -1 : selected.first().row();
    const qsizetype row = ResultLines::find(lines(), from, typed, m_lastFind);
    const QModelIndex index = m_model->index(int(row));
    setCurrentIndex(index);
    scrollTo(index);
}

bool runArchiveScan(QWidget *parent, const std::function<void()> &action)
{
    try {
        runResponsive(action);
        return true;
    } catch (const ArchiveError &) {
        Messages::plain(parent, archiveAccessMessage());
    } catch (const std::exception &) {
        Messages::error(parent,
                        QStringLiteral("Attenzione: l'operazione non è stata completata per mancanza di risorse del "
                                       "sistema.\r\n\r\nChiudere gli altri programmi in uso e riprovare."));
    }
    return false;
}

void warnIncomplete(QWidget *parent, const ListResult &result, bool withTotal)
{
    if (!result.complete())
        Messages::warning(parent, ResultLines::incompleteWarning(result, withTotal));
}
