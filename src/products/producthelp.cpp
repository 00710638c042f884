#include "products/producthelp.h"

namespace ProductHelp {

HelpTopic card()
{
    return {QStringLiteral("Applicazione Magazzino Prodotti."),
            HelpTopic::join({
                QStringLiteral("L'applicazione Magazzino Prodotti permette di gestire i dati riguardanti la merce di cui la propria ditta dispone."),
                QStringLiteral("Le schede dei prodotti sono utilizzate anche dalle operazioni di carico, che possono importarne i dati aggiornando la giacenza, e dal riepilogo dei materiali in esaurimento."),
                QStringLiteral("Per creare una nuova scheda premere Nuovo, compilare i campi (il codice articolo è obbligatorio) e premere Salva. Per modificare una scheda è sufficiente richiamarla con i pulsanti di scorrimento o con la ricerca, modificarla e salvarla nuovamente. Il pulsante Duplica crea una nuova scheda a partire da quella visualizzata."),
                QStringLiteral("Ogni scheda riporta codice, tipologia, marca, modello, accessori, descrizione, fornitore, dati di acquisto, costo, prezzo, aliquota IVA, collocazione in magazzino e giacenza. Il pulsante Altre informazioni apre una finestra in cui annotare altezza, larghezza, lunghezza e data di scadenza dell'articolo."),
                QStringLiteral("I dati del fornitore possono essere importati direttamente dall'Archivio Fornitori, senza doverli digitare di nuovo."),
                QStringLiteral("I pulsanti più e meno accanto alla giacenza permettono di aggiungere o togliere pezzi rapidamente."),
                QStringLiteral("Il pulsante Calcola ricava il prezzo con IVA a partire dal prezzo e dall'aliquota, Calcola valore ricava il valore della giacenza moltiplicando il costo per il numero di pezzi, Scorpora ricava il prezzo senza IVA a partire dal prezzo comprensivo di IVA."),
                QStringLiteral("Indicando il numero di pezzi sotto il quale scatta l'avviso di sottoscorta, l'articolo comparirà nel riepilogo dei materiali in esaurimento quando la giacenza scenderà a quel valore."),
                QStringLiteral("Il campo Tipologia raggruppa gli articoli per categoria merceologica: l'inventario può essere redatto per una sola tipologia o per tutto il magazzino."),
                QStringLiteral("Nella casella Note si possono annotare informazioni libere sull'articolo."),
                QStringLiteral("La ricerca accetta anche chiavi parziali: è sufficiente digitare una parte del codice, della marca o della descrizione."),
                QStringLiteral("Il pulsante di ricerca sul web apre il browser con i risultati relativi alla marca e al modello dell'articolo."),
                QStringLiteral("A ogni scheda si possono allegare fino a tre file, ciascuno con una breve descrizione. La scheda può essere stampata o salvata in formato PDF e l'intero archivio può essere esportato in Microsoft Excel."),
            })};
}

HelpTopic inventory()
{
    return {QStringLiteral("Applicazione Inventario Merce."),
            HelpTopic::join({
                QStringLiteral("L'applicazione Inventario Merce consente di visualizzare l'inventario di tutti i prodotti del proprio magazzino o soltanto di quelli appartenenti ad una tipologia merceologica."),
                QStringLiteral("Per l'inventario di una sola tipologia digitarla nell'apposita casella; per l'inventario completo lasciare la casella vuota o scegliere l'inventario di tutti i prodotti."),
                QStringLiteral("Ogni riga riporta il codice, la descrizione, la giacenza e il valore di ciascun articolo; in fondo all'elenco è indicato il capitale complessivo rappresentato dalla merce in magazzino."),
                QStringLiteral("Per questo è importante compilare con cura il campo Tipologia delle schede dei prodotti, usando sempre la stessa dicitura per gli articoli della stessa categoria."),
                QStringLiteral("L'inventario visualizzato può essere stampato."),
            })};
}

HelpTopic exportSheet()
{
    return HelpTopic::exportPage(
        QStringLiteral("Esportazione archivio beni e servizi in Microsoft Excel."),
        QStringLiteral("Il pulsante Esporta archivio consente di esportare tutte le schede dei beni e servizi in magazzino in un foglio di lavoro di Microsoft Excel, che potrà essere aperto con qualsiasi software in grado di gestire i file in formato XLS (ad esempio, con Open Office, Libre Office o Microsoft Office)."));
}

} // namespace ProductHelp
