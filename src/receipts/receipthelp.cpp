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
                QStringLiteral("Il pulsante Fattura elettronica carica le fatture ricevute senza riscriverne le righe. Si scelgono uno o più file (o si trascinano nella finestra): per ogni fattura compaiono il fornitore, il numero, la data, il totale e le righe. Il fornitore si riconosce dalla partita IVA o dal codice fiscale; se non è in archivio la sua scheda viene creata dai dati della fattura, riportando solo i codici che superano i controlli."),
                QStringLiteral("Ogni riga di merce è spuntata e abbinata all'articolo del magazzino che ha il suo stesso codice. Se nessun articolo o più di uno hanno quel codice, con i pulsanti sotto l'elenco si sceglie l'articolo con la ricerca, se ne crea uno nuovo dalla riga oppure si carica la riga senza articolo, senza cambiare la giacenza; per gli articoli nuovi e le righe senza articolo va indicata la tipologia."),
                QStringLiteral("Per ogni fattura si indicano la data di carico (oggi, se non si cambia) e la casella Conto da saldare. La casella Aggiorna costo, data e documento d'acquisto degli articoli riporta negli articoli i dati della fattura prima di ricalcolarne il valore."),
                QStringLiteral("La stessa merce non si carica due volte: una fattura già presente nell'archivio dell'anno (stesso fornitore, numero e data) è indicata come già caricata e non è spuntata, e per caricarla di nuovo occorre confermare; una riga consegnata con un documento di trasporto già caricato è indicata come già ricevuta e non è spuntata."),
                QStringLiteral("Premendo Carica ogni riga spuntata diventa un'operazione di carico, con la fattura e il suo eventuale allegato conservati nella cartella Documenti_Allegati, e la giacenza di ogni articolo aumenta della quantità caricata. Le operazioni, le giacenze e le nuove schede di una fattura si scrivono tutte insieme o per niente, anche se il programma si interrompe o il disco si riempie. Al termine la scheda mostra la prima operazione caricata."),
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
