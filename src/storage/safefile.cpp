#include "safefile.h"

#include "disk.h"

#include <QFileInfo>
#include <QRandomGenerator>

SafeFile::SafeFile(const QString &path) : m_path(path) {}

SafeFile::~SafeFile()
{
    cancelWriting();
}

bool SafeFile::open(OpenMode mode)
{
    if (!(mode & WriteOnly) || (mode & ReadOnly) || (mode & Append))
        return fail(QStringLiteral("apertura non ammessa"));
    // A file the user may not change is not replaced behind its back: Windows
    // would let a rename put a new file in place of a read-only one.
    const QFileInfo existing(m_path);
    if (existing.exists() && (!existing.isWritable() || existing.isDir()))
        return fail(QStringLiteral("il file %1 non può essere modificato").arg(existing.fileName()));
    for (int attempt = 0; attempt < 16; ++attempt) {
        m_temp.setFileName(m_path + QStringLiteral(".~%1").arg(QRandomGenerator::global()->generate(), 8, 16,
                                                                  QLatin1Char('0')));
        if (m_temp.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
            if (existing.exists())
                m_temp.setPermissions(existing.permissions());
            m_failed = false;
            return QIODevice::open(mode | Unbuffered);
        }
        if (m_temp.error() != QFileDevice::OpenError || !QFileInfo::exists(m_temp.fileName()))
            break;
    }
    setErrorString(m_temp.errorString());
    return false;
}

namespace {
// Writers such as the PDF's put down a few bytes at a time.
constexpr qint64 kBuffer = 64 * 1024;
} // namespace

qint64 SafeFile::writeData(const char *data, qint64 len)
{
    if (m_failed)
        return -1;
    m_buffer.append(data, len);
    if (m_buffer.size() >= kBuffer && !writeBuffer())
        return -1;
    return len;
}

bool SafeFile::writeBuffer()
{
    if (m_buffer.isEmpty())
        return !m_failed;
    QString why;
    const bool written = Disk::write(m_temp, -1, m_buffer.constData(), m_buffer.size(), &why);
    m_buffer.clear();
    return written || fail(why);
}

bool SafeFile::fail(const QString &why)
{
    m_failed = true;
    setErrorString(why);
    return false;
}

bool SafeFile::commit()
{
    if (!isOpen() || !m_temp.isOpen())
        return false;
    QString why;
    const bool whole = !m_failed && writeBuffer() && Disk::sync(m_temp, &why);
    const bool closed = Disk::close(m_temp, whole ? &why : nullptr);
    QIODevice::close();
    if (!whole || !closed) {
        fail(why);
        QFile::remove(m_temp.fileName());
        return false;
    }
    if (!Disk::rename(m_temp.fileName(), m_path, &why)) {
        fail(why);
        QFile::remove(m_temp.fileName());
        return false;
    }
    m_replaced = true;
    // The new name, and with it the new file, down to the disk too.
    if (!Disk::syncFolder(QFileInfo(m_path).absolutePath(), &why))
        return fail(why);
    return true;
}

void SafeFile::cancelWriting()
{
    m_buffer.clear();
    if (m_temp.isOpen()) {
        m_temp.close();
        QFile::remove(m_temp.fileName());
    }
    if (isOpen())
        QIODevice::close();
}
