#pragma once

#include <QString>

#include <stdexcept>

// Any failure of an archive operation. A user action catches it at its
// boundary and shows the archive-access message; the text here is for
// people inspecting files (the command-line companion).
class ArchiveError : public std::runtime_error
{
public:
    ArchiveError(const QString &path, const QString &reason)
        : std::runtime_error((path + QStringLiteral(": ") + reason).toStdString()),
          m_path(path), m_reason(reason)
    {
    }

    const QString &path() const { return m_path; }
    const QString &reason() const { return m_reason; }

private:
    QString m_path;
    QString m_reason;
};

// The message every screen shows when an archive cannot be used.
inline QString archiveAccessMessage()
{
    return QStringLiteral(
        "Attenzione: il sistema non permette di accedere all'archivio.\n\r\n\r"
        "Accertarsi di possedere i privilegi di scrittura nella cartella di installazione del programma.");
}
