#pragma once

#include <QByteArray>
#include <QFile>
#include <QIODevice>
#include <QString>

// A whole file written to a temporary name beside it and put in its place
// only once every byte is on the disk: either the new file is there, or the
// previous one is, unchanged. Every write, the flush, the close and the
// rename are checked, so a failure anywhere makes commit() false.
class SafeFile : public QIODevice
{
public:
    explicit SafeFile(const QString &path);
    ~SafeFile() override;

    bool open(OpenMode mode) override;
    bool isSequential() const override { return false; }
    // Flushes, closes and renames; false, with the previous file left as
    // it was, when anything failed on the way.
    bool commit();
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
};
