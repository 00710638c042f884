#include "inifile.h"


#include "cp1252.h"

#include <QFile>
#include "storage/safefile.h"
#include <QStringList>

namespace IniFile {

namespace {

struct Lines
{
    QStringList lines;
    QString eol = QStringLiteral("\r\n");
    bool endsWithEol = true;
};

// Windows-1252 as the program writes it, or what a text editor may have
// saved it as: UTF-8 or UTF-16 with their byte-order mark.
QString decodeText(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    const bool little = bytes.startsWith("\xFF\xFE"), big = bytes.startsWith("\xFE\xFF");
    if (little || big) {
        QString text;
        for (qsizetype i = 2; i + 1 < bytes.size(); i += 2) {
            const auto lo = static_cast<unsigned char>(bytes[little ? i : i + 1]);
            const auto hi = static_cast<unsigned char>(bytes[little ? i + 1 : i]);
            text += QChar(char16_t(hi << 8 | lo));
        }
        return text;
    }
    return Cp1252::decode(bytes);
}

bool load(const QString &path, Lines &out)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QString text = decodeText(file.readAll());
    if (!text.contains(QStringLiteral("\r\n")) && text.contains(u'\n'))
        out.eol = QStringLiteral("\n");
    out.endsWithEol = text.isEmpty() || text.endsWith(u'\n');
    QString normalised = text;
    normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out.lines = normalised.split(u'\n');
    if (out.endsWithEol && !out.lines.isEmpty())
        out.lines.removeLast();
    return true;
}

// The section name of a "[name]" line, or a null string.
QString sectionOf(const QString &line)
{
    const QString t = line.trimmed();
    if (t.startsWith(u'[') && t.endsWith(u']'))
        return t.mid(1, t.size() - 2).trimmed();
    return QString();
}

bool isEntry(const QString &line, const QString &key, QString *value)
{
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0 || line.trimmed().startsWith(u';'))
        return false;
    if (line.left(eq).trimmed().compare(key, Qt::CaseInsensitive) != 0)
        return false;
    if (value)
        *value = line.mid(eq + 1).trimmed();
    return true;
}

} // namespace

QString readString(const QString &path, const QString &section, const QString &key)
{
    Lines ini;
    if (!load(path, ini))
        return QString();
    bool inSection = false;
    for (const QString &line : ini.lines) {
        const QString name = sectionOf(line);
        if (!name.isNull()) {
            inSection = name.compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        QString value;
        if (inSection && isEntry(line, key, &value))
            return value;
    }
    return QString();
}

bool writeString(const QString &path, const QString &section, const QString &key, const QString &value)
{
    Lines ini;
    load(path, ini); // a missing file starts empty
    const QString entry = key + u'=' + value;

    qsizetype sectionLine = -1;
    qsizetype sectionEnd = -1;
    bool written = false;
    for (qsizetype i = 0; i < ini.lines.size() && !written; ++i) {
        const QString name = sectionOf(ini.lines[i]);
        if (!name.isNull()) {
            if (sectionLine >= 0)
                break;
            if (name.compare(section, Qt::CaseInsensitive) == 0)
                sectionLine = i;
            continue;
        }
        if (sectionLine >= 0) {
            if (isEntry(ini.lines[i], key, nullptr)) {
                ini.lines[i] = entry;
                written = true;
            } else if (!ini.lines[i].trimmed().isEmpty()) {
                sectionEnd = i;
            }
        }
    }
    if (!written) {
        if (sectionLine < 0) {
            ini.lines << (u'[' + section + u']') << entry;
        } else {
            ini.lines.insert((sectionEnd >= 0 ? sectionEnd : sectionLine) + 1, entry);
        }
    }

    QString text = ini.lines.join(ini.eol);
    if (ini.endsWithEol)
        text += ini.eol;
    SafeFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = Cp1252::encode(text);
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace IniFile
