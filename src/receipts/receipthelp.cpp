#include "receipts/receipthelp.h"

namespace ReceiptHelp {

HelpTopic card()
{
    return {QStringLiteral("Applicazione Operazioni di Carico."),
            HelpTopic::join({
                QStringLiteral("L'applicazione Operazioni di Carico permette di inserire le schede riguardanti le fornitura dei prodotti al proprio magazzino e di visualizzare lo storico dei movimenti di carico di ciascun articolo selezionando un intervallo di tempo all'interno dell'anno solare prescelto."),
                QStringLiteral("All'apertura si sceglie l'anno di lavoro: ogni anno solare ha un proprio archivio delle operazioni di carico."),
                QStringLiteral("Per creare una nuova scheda premere Nuovo e compilare i campi: fornitore, data di carico, codice articolo, tipologia e descrizione sono obbligatori. Le date si scelgono dal calendario."),
                QStringLiteral("Il pulsante di importazione dal magazzino permette di cercare un articolo già presente nell'archivio dei prodotti e di riportarne i dati nella scheda, aggiornando contemporaneamente la giacenza con la quantità caricata."),
                QStringLiteral("Le schede si modificano richiamandole con i pulsanti di scorrimento o con la ricerca e salvandole di nuovo; il pulsante Duplica crea una nuova scheda a partire da quella visualizzata."),
                QStringLiteral("Ogni scheda riporta il documento di consegna con la sua data, l'articolo, il costo unitario, la quantità caricata e il costo totale, calcolato con il pulsante Calcola e comunque ricalcolato al salvataggio."),
                QStringLiteral("Spuntando la casella Conto da saldare l'operazione comparirà nel riepilogo dei conti da saldare, dal quale si può richiamare la scheda."),
                QStringLiteral("La ricerca consente di trovare le operazioni indicando uno o più criteri; a ogni scheda si possono allegare fino a tre file."),
                QStringLiteral("La scheda visualizzata può essere stampata e l'archivio dell'anno può essere esportato in Microsoft Excel."),
                QStringLiteral("Le fatture elettroniche dei fornitori si leggono così come arrivano: il file XML, il file firmato .p7m (anche in testo base64) e il file .zip di un periodo scaricato dal portale dell'Agenzia delle Entrate. Ogni riga di merce della fattura corrisponde a un'operazione di carico; lo strumento scortex-cli, con il comando fattura, ne elenca i dati. La firma digitale non viene verificata: l'ha già verificata il Sistema di Interscambio prima di consegnare la fattura."),
            })};
}

HelpTopic summary()
{
    return {QStringLiteral("Applicazione Riepilogo movimenti di carico merce."),
            HelpTopic::join({
                QStringLiteral("L'applicazione Riepilogo movimenti di carico merce permette di visualizzare il riepilogo delle operazioni di carico di ciascun prodotto registrate nell'anno solare selezionato."),
                QStringLiteral("Indicare il giorno e il mese di inizio e di fine del periodo e, se si desidera, il codice di un solo articolo."),
                QStringLiteral("Ogni riga riporta la data, il codice e la descrizione dell'articolo, la quantità caricata e il costo dell'operazione."),
                QStringLiteral("In fondo all'elenco sono indicati l'importo complessivo e il numero delle operazioni del periodo. Il riepilogo può essere stampato."),
            })};
}

HelpTopic exportSheet()
{
    return HelpTopic::exportPage(
        QStringLiteral("Esportazione archivio operazioni di carico in Microsoft Excel."),
        QStringLiteral("Il pulsante Esporta archivio consente di esportare l'archivio delle operazioni di carico in un foglio di lavoro di Microsoft Excel, che potrà essere aperto con qualsiasi software in grado di gestire i file in formato XLS (ad esempio, con Open Office, Libre Office o Microsoft Office)."));
}

} // namespace ReceiptHelp
