// Writes the help document Guida.pdf from the same topic texts that the help
// window shows, so the two never drift apart.
// Usage: scortex-guida OUT.pdf
#include "app/helptopics.h"

#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "Uso: scortex-guida FILE.pdf\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QString html = QStringLiteral("<h1 style='color:#1F4E6E'>Scortex</h1>"
                                  "<p style='color:#408AB3'>Guida all'utilizzo del software</p>");
    for (const HelpTopic &topic : HelpTopics::all()) {
        html += QStringLiteral("<h2 style='color:#DC143C'>%1</h2>").arg(topic.title.toHtmlEscaped());
        for (const QString &paragraph : topic.body.split(HelpTopic::paragraphBreak()))
            html += QStringLiteral("<p>%1</p>").arg(paragraph.toHtmlEscaped());
    }

    QPdfWriter writer(QString::fromLocal8Bit(argv[1]));
    writer.setTitle(QStringLiteral("Scortex - Guida all'utilizzo del software"));
    writer.setCreator(QStringLiteral("Scortex"));
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(20, 20, 20, 20),
                                     QPageLayout::Millimeter));
    QTextDocument document;
    document.setDefaultFont(QFont(QStringLiteral("Arial"), 11));
    document.setHtml(html);
    document.print(&writer);
    return 0;
}
