#include "helptopics.h"

#include "products/producthelp.h"
#include "receipts/receipthelp.h"
#include "suppliers/supplierhelp.h"

namespace HelpTopics {

HelpTopic overview()
{
    QStringList p{
        QStringLiteral("Scortex è un software facile e intuitivo studiato per la gestione dei fornitori e della merce da loro fornita consentendo di archiviare i dati delle ditte e di catalogare nel dettaglio i prodotti del proprio magazzino."),
        QStringLiteral("Il programma permette inoltre di conoscere lo storico degli acquisti di ciascun articolo, di visualizzare l'elenco dei materiali in esaurimento e di redigere l'inventario parziale o completo della merce con il suo valore complessivo."),
    };
    // The applications' own pages, in the main menu's order.
    p << ProductHelp::card().body << SupplierHelp::card().body << ProductHelp::inventory().body
      << ReceiptHelp::card().body << ReceiptHelp::summary().body;
    p << QStringLiteral("Tutti gli archivi possono essere esportati in un foglio di lavoro di Microsoft Excel, apribile con qualsiasi software in grado di gestire i file in formato XLS.")
      << QStringLiteral("Il programma può essere utilizzato in una rete locale: installandolo in una cartella condivisa, gli archivi possono essere consultati e aggiornati da più postazioni di lavoro.")
      << QStringLiteral("Se due postazioni modificano la stessa scheda, nessuna delle due perde il lavoro dell'altra senza saperlo: quando si preme Salva su una scheda che un'altra postazione ha salvato dopo che era stata visualizzata, il programma lo segnala e chiede se sovrascriverla con i dati presenti a video. Rispondendo Sì la scheda viene salvata così come appare; rispondendo No l'archivio resta come l'ha lasciato l'altra postazione e la scheda a video non cambia, così si può scorrere l'archivio per vedere l'altra versione e poi riportare le proprie modifiche. Le quantità caricate contemporaneamente da più postazioni con l'importazione dal magazzino si sommano tutte alla giacenza del prodotto.")
      << QStringLiteral("L'accesso al programma è protetto da una password, che può essere cambiata in qualsiasi momento dalla finestra di autenticazione con il pulsante Cambia password. Per il primo accesso utilizzare la password %1.")
             .arg(initialPassword())
      << QStringLiteral("Scortex può essere eseguito anche da una chiavetta USB: è sufficiente copiarne la cartella sulla chiavetta e avviarlo da lì. Copiare la cartella del programma è anche il modo più rapido per fare una copia di sicurezza completa di tutti gli archivi.")
      << QStringLiteral("Scortex salva da solo una copia di sicurezza degli archivi e della password: al primo avvio di ogni giornata, su qualsiasi postazione, gli archivi cambiati dall'ultima copia vengono copiati, senza interrompere il lavoro, nella cartella Copie di sicurezza dentro la cartella del programma, in un file zip che porta il nome della data (ad esempio 2026-12-10.zip) e che si può aprire con qualsiasi programma per file zip. Vengono conservate le copie degli ultimi 10 giorni in cui ne è stata fatta una e la prima copia di ciascuno degli ultimi 12 mesi; le più vecchie vengono eliminate.")
      << QStringLiteral("Per rimettere al suo posto un archivio salvato, meglio quando nessuno sta lavorando con Scortex, usare il programma scortex-cli che si trova nella cartella del programma: scortex-cli backups elenca le copie con gli archivi che contengono, scortex-cli restore 2026-12-10 ripristina tutti gli archivi di quella copia e scortex-cli restore 2026-12-10 Magazzino.pro soltanto quello indicato. Prima di ripristinare, il programma salva una copia degli archivi attuali, in modo che anche il ripristino si possa annullare.")
      << QStringLiteral("Buon lavoro con Scortex!");
    return {QStringLiteral("Uno sguardo a Scortex."), HelpTopic::join(p)};
}

QList<HelpTopic> all()
{
    return {overview(),
            SupplierHelp::card(),
            ProductHelp::card(),
            ReceiptHelp::card(),
            ProductHelp::inventory(),
            ReceiptHelp::summary(),
            SupplierHelp::exportSheet(),
            ProductHelp::exportSheet(),
            ReceiptHelp::exportSheet()};
}

} // namespace HelpTopics
