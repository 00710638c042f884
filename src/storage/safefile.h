#pragma once

#include <QByteArray>
#include <QFile>
#include <QIODevice>
#include <QString>

// A whole file written to a temporary name beside it and put in its place
// only once every byte is on the disk: either the new file is there, or the
// previous one is, unchanged. Every write, the flush, the close, the rename
// and the folder's flush after it are checked, so a failure anywhere makes
// commit() false.
class SafeFile : public QIODevice
{
public:
    explicit SafeFile(const QString &path);
    ~SafeFile() override;

    bool open(OpenMode mode) override;
    bool isSequential() const override { return false; }
    // Flushes, closes, renames and flushes the folder; true only once the
    // new file and its name are on the disk. False when anything failed: up
    // to the rename the previous file is left as it was; a failure of the
    // folder's flush, after it, leaves the new file in place but not known
    // to be on the disk, and replaced() says so.
    bool commit();
    bool replaced() const { return m_replaced; }
    void cancelWriting();

    const QString &fileName() const { return m_path; }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 len) override;

private:
    bool fail(const QString &why);
    bool writeBuffer();

    QString m_path;
    QFile m_temp;
    QByteArray m_buffer;
    bool m_failed = false;
    bool m_replaced = false;
};
