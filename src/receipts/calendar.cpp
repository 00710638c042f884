#include "calendar.h"

#include "receipts/receiptcard.h"
#include "storage/textrules.h"
#include "ui/services.h"

#include <QAbstractItemView>
#include <QCalendarWidget>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TfrmCalendario::TfrmCalendario(QWidget *owner)
    : TFixedDialog(QStringLiteral("frmCalendario"), QStringLiteral(" Importazione data"), QSize(253, 294), owner,
                   Qt::white, QColor(0xD6, 0xE9, 0xF5))
{
    centreOnOwner(true);
    auto *caption = new QLabel(QStringLiteral("Importare una data:"), this);
    caption->setObjectName(QStringLiteral("lblImportare"));
    caption->setFont(layoutFont(QStringLiteral("Arial"), 10, true));
    caption->setGeometry(10, 6, 233, 22);

    calAppuntamenti = new QCalendarWidget(this);
    calAppuntamenti->setObjectName(QStringLiteral("calAppuntamenti"));
    calAppuntamenti->setGeometry(10, 30, 233, 200);
    calAppuntamenti->setGridVisible(true);
    calAppuntamenti->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    // Three-letter Italian day names do not fit the window's width.
    calAppuntamenti->setHorizontalHeaderFormat(QCalendarWidget::SingleLetterDayNames);
    calAppuntamenti->setSelectedDate(AppContext::now().date()); // today, not the box's date
    calAppuntamenti->setAccessibleName(QStringLiteral("Calendario"));
    // The grid of days inside is what takes the keys: it says what it is.
    if (auto *days = calAppuntamenti->findChild<QAbstractItemView *>(QStringLiteral("qt_calendar_calendarview")))
        days->setAccessibleName(QStringLiteral("Giorni del mese"));
    for (auto [name, spoken] : {std::pair{"qt_calendar_yearedit", "Anno"}, std::pair{"qt_calendar_monthbutton", "Mese"},
                                std::pair{"qt_calendar_yearbutton", "Anno"},
                                std::pair{"qt_calendar_prevmonth", "Mese precedente"},
                                std::pair{"qt_calendar_nextmonth", "Mese successivo"}}) {
        if (auto *w = calAppuntamenti->findChild<QWidget *>(QLatin1StringView(name)))
            w->setAccessibleName(QString::fromUtf8(spoken));
    }
    // The year box's own edit line.
    for (auto *edit : calAppuntamenti->findChildren<QLineEdit *>()) {
        if (edit->accessibleName().isEmpty())
            edit->setAccessibleName(QStringLiteral("Anno"));
    }
    caption->setBuddy(calAppuntamenti);

    btnImportaData = makeButton(this, QStringLiteral("btnImportaData"), QStringLiteral("Importa"),
                                QRect(10, 244, 110, 36), 10);
    btnAnnulla = makeButton(this, QStringLiteral("btnAnnulla"), QStringLiteral("Annulla"), QRect(133, 244, 110, 36), 10);
    lblMemory = new QLabel(this);
    lblMemory->setObjectName(QStringLiteral("lblMemory"));
    lblMemory->hide();

    setTabOrder(calAppuntamenti, btnImportaData);
    setTabOrder(btnImportaData, btnAnnulla);
    calAppuntamenti->setFocus();
    connect(btnImportaData, &QPushButton::clicked, this, &TfrmCalendario::btnImportaDataClick);
    // Enter (or a double-click) on a day imports it, as Importa does.
    connect(calAppuntamenti, &QCalendarWidget::activated, this, &TfrmCalendario::btnImportaDataClick);
    connect(btnAnnulla, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmCalendario::btnImportaDataClick()
{
    const QString word = TextRules::trimmed(lblMemory->text());
    QLineEdit *target = m_target;
    if (!target && m_card && word == u"carichi_datadoc")
        target = m_card->txtDataDoc;
    else if (!target && m_card && word == u"carichi_data")
        target = m_card->txtData;
    if (!target)
        return; // an unknown word writes nothing and stays open
    target->setText(calAppuntamenti->selectedDate().toString(QStringLiteral("dd/MM/yyyy")));
    accept();
}
