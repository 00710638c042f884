#include "suppliers/supplierhelp.h"

namespace SupplierHelp {

HelpTopic card()
{
    return {QStringLiteral("Applicazione Archivio Fornitori."),
            HelpTopic::join({
                QStringLiteral("L'applicazione Archivio Fornitori è utile per velocizzare la compilazione delle schede del magazzino dei prodotti grazie alla possibilità di importare i dati, ma può essere usata anche come una completa rubrica elettronica dotata di funzioni avanzate quali l'invio di e-mail al fornitore, il controllo della validità del codice fiscale, della partita IVA, del numero di carta di credito e del codice IBAN."),
                QStringLiteral("Per ogni fornitore è possibile registrare la denominazione della ditta, il titolare o responsabile, il recapito preferenziale, l'indirizzo completo, i numeri di telefono e di fax, l'indirizzo e-mail, il codice fiscale, la partita IVA, i dati della carta di credito, il codice IBAN e la modalità di pagamento concordata."),
                QStringLiteral("Nelle apposite caselle si possono annotare gli articoli forniti, le offerte e gli sconti praticati e la modalità con cui ordinare la merce."),
                QStringLiteral("Per creare una nuova scheda premere il pulsante Nuovo, compilare i campi (la denominazione della ditta è obbligatoria) e premere Salva. Per modificare una scheda esistente è sufficiente richiamarla con i pulsanti di scorrimento o con la ricerca, apportare le modifiche e premere nuovamente Salva."),
                QStringLiteral("Le questioni ancora da risolvere con un fornitore possono essere annotate nella casella Questioni in sospeso; spuntando la casella Da ricontattare il fornitore comparirà nel riepilogo dei fornitori da ricontattare, dal quale si può richiamare direttamente la sua scheda."),
                QStringLiteral("Il pulsante Duplica crea una nuova scheda con gli stessi dati di quella visualizzata: è sufficiente modificare ciò che cambia e salvare."),
                QStringLiteral("La ricerca consente di trovare le schede indicando uno o più criteri contemporaneamente, anche parziali; facendo doppio clic su una riga dell'elenco la scheda viene caricata."),
                QStringLiteral("A ogni scheda si possono allegare fino a tre file (documenti, immagini, contratti), ciascuno con una breve descrizione."),
                QStringLiteral("I pulsanti di controllo verificano la correttezza formale del codice fiscale, della partita IVA (indicando anche l'ufficio provinciale che l'ha rilasciata), del numero di carta di credito e del codice IBAN."),
                QStringLiteral("Il pulsante accanto all'indirizzo e-mail apre il programma di posta predefinito per scrivere un nuovo messaggio al fornitore."),
                QStringLiteral("La scheda visualizzata può essere stampata, salvata in formato PDF, e l'intero archivio può essere esportato in un foglio di lavoro di Microsoft Excel."),
            })};
}

HelpTopic exportSheet()
{
    return HelpTopic::exportPage(
        QStringLiteral("Esportazione archivio fornitori in Microsoft Excel."),
        QStringLiteral("Il pulsante Esporta archivio consente di esportare i dati anagrafici di tutti i fornitori in un foglio di lavoro di Microsoft Excel, che potrà essere aperto con qualsiasi software in grado di gestire i file in formato XLS (ad esempio, con Open Office, Libre Office o Microsoft Office)."));
}

} // namespace SupplierHelp
