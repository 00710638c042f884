#include "textrules.h"

namespace TextRules {

QString trimmed(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 32)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 32)
        --end;
    return text.mid(begin, end - begin).toString();
}

QString upperAZ(QStringView text)
{
    QString out = text.toString();
    for (QChar &c : out) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - 32);
    }
    return out;
}

QString lowerAZ(QStringView text)
{
    QString out = text.toString();
    for (QChar &c : out) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 32);
    }
    return out;
}

QString leftCopy(QStringView text, qsizetype n)
{
    return text.left(qMax<qsizetype>(n, 0)).toString();
}

QString rightCopy(QStringView text, qsizetype n)
{
    return text.right(qMax<qsizetype>(n, 0)).toString();
}

QString padOrCut(QStringView text, qsizetype n)
{
    if (n <= 0)
        return QString();
    QString out = text.left(n).toString();
    if (out.size() < n)
        out.append(QString(n - out.size(), u' '));
    return out;
}

} // namespace TextRules
