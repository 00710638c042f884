#include "helptopics.h"

#include <QStringList>

namespace HelpTopics {

namespace {

QString join(const QStringList &paragraphs)
{
    return paragraphs.join(paragraphBreak());
}

QStringList fornitori()
{
    return {
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
    };
}

QStringList magazzino()
{
    return {
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
    };
}

QStringList carichi()
{
    return {
        QStringLiteral("L'applicazione Operazioni di Carico permette di inserire le schede riguardanti le fornitura dei prodotti al proprio magazzino e di visualizzare lo storico dei movimenti di carico di ciascun articolo selezionando un intervallo di tempo all'interno dell'anno solare prescelto."),
        QStringLiteral("All'apertura si sceglie l'anno di lavoro: ogni anno solare ha un proprio archivio delle operazioni di carico."),
        QStringLiteral("Per creare una nuova scheda premere Nuovo e compilare i campi: fornitore, data di carico, codice articolo, tipologia e descrizione sono obbligatori. Le date si scelgono dal calendario."),
        QStringLiteral("Il pulsante di importazione dal magazzino permette di cercare un articolo già presente nell'archivio dei prodotti e di riportarne i dati nella scheda, aggiornando contemporaneamente la giacenza con la quantità caricata."),
        QStringLiteral("Le schede si modificano richiamandole con i pulsanti di scorrimento o con la ricerca e salvandole di nuovo; il pulsante Duplica crea una nuova scheda a partire da quella visualizzata."),
        QStringLiteral("Ogni scheda riporta il documento di consegna con la sua data, l'articolo, il costo unitario, la quantità caricata e il costo totale, calcolato con il pulsante Calcola e comunque ricalcolato al salvataggio."),
        QStringLiteral("Spuntando la casella Conto da saldare l'operazione comparirà nel riepilogo dei conti da saldare, dal quale si può richiamare la scheda."),
        QStringLiteral("La ricerca consente di trovare le operazioni indicando uno o più criteri; a ogni scheda si possono allegare fino a tre file."),
        QStringLiteral("La scheda visualizzata può essere stampata e l'archivio dell'anno può essere esportato in Microsoft Excel."),
    };
}

QStringList inventario()
{
    return {
        QStringLiteral("L'applicazione Inventario Merce consente di visualizzare l'inventario di tutti i prodotti del proprio magazzino o soltanto di quelli appartenenti ad una tipologia merceologica."),
        QStringLiteral("Per l'inventario di una sola tipologia digitarla nell'apposita casella; per l'inventario completo lasciare la casella vuota o scegliere l'inventario di tutti i prodotti."),
        QStringLiteral("Ogni riga riporta il codice, la descrizione, la giacenza e il valore di ciascun articolo; in fondo all'elenco è indicato il capitale complessivo rappresentato dalla merce in magazzino."),
        QStringLiteral("Per questo è importante compilare con cura il campo Tipologia delle schede dei prodotti, usando sempre la stessa dicitura per gli articoli della stessa categoria."),
        QStringLiteral("L'inventario visualizzato può essere stampato."),
    };
}

QStringList riepilogoCarichi()
{
    return {
        QStringLiteral("L'applicazione Riepilogo movimenti di carico merce permette di visualizzare il riepilogo delle operazioni di carico di ciascun prodotto registrate nell'anno solare selezionato."),
        QStringLiteral("Indicare il giorno e il mese di inizio e di fine del periodo e, se si desidera, il codice di un solo articolo."),
        QStringLiteral("Ogni riga riporta la data, il codice e la descrizione dell'articolo, la quantità caricata e il costo dell'operazione."),
        QStringLiteral("In fondo all'elenco sono indicati l'importo complessivo e il numero delle operazioni del periodo. Il riepilogo può essere stampato."),
    };
}

QStringList esportazione(const QString &first)
{
    return {
        first,
        QStringLiteral("Fare clic sull'icona di Excel per creare il file e rispondere Sì alla domanda per aprirlo subito."),
        QStringLiteral("Una volta aperto, il foglio di lavoro può essere salvato con il nome e nella cartella che si preferisce."),
    };
}

QStringList panoramica()
{
    QStringList p{
        QStringLiteral("Scortex è un software facile e intuitivo studiato per la gestione dei fornitori e della merce da loro fornita consentendo di archiviare i dati delle ditte e di catalogare nel dettaglio i prodotti del proprio magazzino."),
        QStringLiteral("Il programma permette inoltre di conoscere lo storico degli acquisti di ciascun articolo, di visualizzare l'elenco dei materiali in esaurimento e di redigere l'inventario parziale o completo della merce con il suo valore complessivo."),
    };
    p << magazzino() << fornitori() << inventario() << carichi() << riepilogoCarichi();
    p << QStringLiteral("Tutti gli archivi possono essere esportati in un foglio di lavoro di Microsoft Excel, apribile con qualsiasi software in grado di gestire i file in formato XLS.")
      << QStringLiteral("Il programma può essere utilizzato in una rete locale: installandolo in una cartella condivisa, gli archivi possono essere consultati e aggiornati da più postazioni di lavoro.")
      << QStringLiteral("Se due postazioni modificano la stessa scheda, nessuna delle due perde il lavoro dell'altra senza saperlo: quando si preme Salva su una scheda che un'altra postazione ha salvato dopo che era stata visualizzata, il programma lo segnala e chiede se sovrascriverla con i dati presenti a video. Rispondendo Sì la scheda viene salvata così come appare; rispondendo No l'archivio resta come l'ha lasciato l'altra postazione e la scheda a video non cambia, così si può scorrere l'archivio per vedere l'altra versione e poi riportare le proprie modifiche. Le quantità caricate contemporaneamente da più postazioni con l'importazione dal magazzino si sommano tutte alla giacenza del prodotto.")
      << QStringLiteral("L'accesso al programma è protetto da una password, che può essere cambiata in qualsiasi momento dalla finestra di autenticazione con il pulsante Cambia password. Per il primo accesso utilizzare la password %1.")
             .arg(initialPassword())
      << QStringLiteral("Scortex può essere eseguito anche da una chiavetta USB: è sufficiente copiarne la cartella sulla chiavetta e avviarlo da lì. Copiare la cartella del programma è anche il modo più rapido per fare una copia di sicurezza completa di tutti gli archivi.")
      << QStringLiteral("Scortex salva da solo una copia di sicurezza degli archivi e della password: al primo avvio di ogni giornata, su qualsiasi postazione, gli archivi cambiati dall'ultima copia vengono copiati, senza interrompere il lavoro, nella cartella Copie di sicurezza dentro la cartella del programma, in un file zip che porta il nome della data (ad esempio 2026-12-10.zip) e che si può aprire con qualsiasi programma per file zip. Vengono conservate le copie degli ultimi 10 giorni in cui ne è stata fatta una e la prima copia di ciascuno degli ultimi 12 mesi; le più vecchie vengono eliminate.")
      << QStringLiteral("Per rimettere al suo posto un archivio salvato, meglio quando nessuno sta lavorando con Scortex, usare il programma scortex-cli che si trova nella cartella del programma: scortex-cli backups elenca le copie con gli archivi che contengono, scortex-cli restore 2026-12-10 ripristina tutti gli archivi di quella copia e scortex-cli restore 2026-12-10 Magazzino.pro soltanto quello indicato. Prima di ripristinare, il programma salva una copia degli archivi attuali, in modo che anche il ripristino si possa annullare.")
      << QStringLiteral("Buon lavoro con Scortex!");
    return p;
}

} // namespace

HelpTopic topic(Topic which)
{
    switch (which) {
    case Topic::Panoramica:
        return {which, QStringLiteral("Uno sguardo a Scortex."), join(panoramica())};
    case Topic::Fornitori:
        return {which, QStringLiteral("Applicazione Archivio Fornitori."), join(fornitori())};
    case Topic::Magazzino:
        return {which, QStringLiteral("Applicazione Magazzino Prodotti."), join(magazzino())};
    case Topic::Carichi:
        return {which, QStringLiteral("Applicazione Operazioni di Carico."), join(carichi())};
    case Topic::Inventario:
        return {which, QStringLiteral("Applicazione Inventario Merce."), join(inventario())};
    case Topic::RiepilogoCarichi:
        return {which, QStringLiteral("Applicazione Riepilogo movimenti di carico merce."), join(riepilogoCarichi())};
    case Topic::EspFornitori:
        return {which, QStringLiteral("Esportazione archivio fornitori in Microsoft Excel."),
                join(esportazione(QStringLiteral("Il pulsante Esporta archivio consente di esportare i dati anagrafici di tutti i fornitori in un foglio di lavoro di Microsoft Excel, che potrà essere aperto con qualsiasi software in grado di gestire i file in formato XLS (ad esempio, con Open Office, Libre Office o Microsoft Office)."))) };
    case Topic::EspMagazzino:
        return {which, QStringLiteral("Esportazione archivio beni e servizi in Microsoft Excel."),
                join(esportazione(QStringLiteral("Il pulsante Esporta archivio consente di esportare tutte le schede dei beni e servizi in magazzino in un foglio di lavoro di Microsoft Excel, che potrà essere aperto con qualsiasi software in grado di gestire i file in formato XLS (ad esempio, con Open Office, Libre Office o Microsoft Office)."))) };
    case Topic::EspCarichi:
        return {which, QStringLiteral("Esportazione archivio operazioni di carico in Microsoft Excel."),
                join(esportazione(QStringLiteral("Il pulsante Esporta archivio consente di esportare l'archivio delle operazioni di carico in un foglio di lavoro di Microsoft Excel, che potrà essere aperto con qualsiasi software in grado di gestire i file in formato XLS (ad esempio, con Open Office, Libre Office o Microsoft Office)."))) };
    }
    return {which, QString(), QString()};
}

QList<HelpTopic> all()
{
    QList<HelpTopic> topics;
    for (Topic t : {Topic::Panoramica, Topic::Fornitori, Topic::Magazzino, Topic::Carichi, Topic::Inventario,
                    Topic::RiepilogoCarichi, Topic::EspFornitori, Topic::EspMagazzino, Topic::EspCarichi})
        topics << topic(t);
    return topics;
}

} // namespace HelpTopics
