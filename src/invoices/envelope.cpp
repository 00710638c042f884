#include "envelope.h"

#include <ksba.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <mutex>

#include <fcntl.h>
#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace Invoices {

namespace {

QString tooLarge()
{
    return QStringLiteral("il contenuto supera %1 MB: non è una fattura elettronica").arg(Limits::FileBytes >> 20);
}

bool looksLikeXml(const QByteArray &bytes)
{
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        return true;
    // A byte-order mark before base64 text happens too.
    const QByteArrayView text = bytes.startsWith("\xEF\xBB\xBF") ? QByteArrayView(bytes).sliced(3) : QByteArrayView(bytes);
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
            continue;
        return c == '<';
    }
    return false;
}

// Base64 text, perhaps wrapped, perhaps between PEM lines; empty when the
// bytes are anything else.
QByteArray fromBase64(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    QByteArray packed;
    packed.reserve(bytes.size());
    qsizetype i = 0;
    while (i < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', i);
        if (end < 0)
            end = bytes.size();
        const QByteArrayView line = bytes.sliced(i, end - i).trimmed();
        if (!line.startsWith("-----")) {
            for (char c : line) {
                const bool alphabet = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                                      c == '+' || c == '/' || c == '=';
                if (alphabet)
                    packed += c;
                else if (c != ' ' && c != '\t' && c != '\r')
                    return {};
            }
        }
        i = end + 1;
    }
    if (packed.isEmpty())
        return {};
    auto decoded = QByteArray::fromBase64Encoding(packed, QByteArray::AbortOnBase64DecodingErrors);
    return decoded ? *decoded : QByteArray();
}

// libksba writes its decoder's complaints about a damaged envelope to the
// standard error, in English; the reader's own Italian reason is what the
// user is to read. One envelope at a time, with the standard error put
// aside meanwhile.
class QuietStandardError
{
public:
    QuietStandardError() : m_hold(gate())
    {
        std::fflush(stderr);
#ifdef Q_OS_WIN
        m_saved = _dup(2);
        const int null = _open("NUL", _O_WRONLY);
        if (m_saved >= 0 && null >= 0)
            _dup2(null, 2);
        if (null >= 0)
            _close(null);
#else
        m_saved = ::dup(2);
        const int null = ::open("/dev/null", O_WRONLY);
        if (m_saved >= 0 && null >= 0)
            ::dup2(null, 2);
        if (null >= 0)
            ::close(null);
#endif
    }
    ~QuietStandardError()
    {
        std::fflush(stderr);
        if (m_saved < 0)
            return;
#ifdef Q_OS_WIN
        _dup2(m_saved, 2);
        _close(m_saved);
#else
        ::dup2(m_saved, 2);
        ::close(m_saved);
#endif
    }
    QuietStandardError(const QuietStandardError &) = delete;
    QuietStandardError &operator=(const QuietStandardError &) = delete;

private:
    static std::mutex &gate()
    {
        static std::mutex m;
        return m;
    }
    std::lock_guard<std::mutex> m_hold;
    int m_saved = -1;
};

struct CmsParts
{
    ksba_reader_t reader = nullptr;
    ksba_writer_t writer = nullptr;
    ksba_cms_t cms = nullptr;
    ~CmsParts()
    {
        ksba_cms_release(cms);
        ksba_writer_release(writer);
        ksba_reader_release(reader);
    }
};

struct Content
{
    QByteArray bytes;
    bool tooLarge = false;
};

int takeContent(void *context, const void *buffer, size_t count)
{
    auto *c = static_cast<Content *>(context);
    if (qint64(c->bytes.size()) + qint64(count) > Limits::FileBytes) {
        c->tooLarge = true;
        return -1;
    }
    c->bytes.append(static_cast<const char *>(buffer), qsizetype(count));
    return 0;
}

void noHash(void *, const void *, size_t) {}

// Where the BER element at `at` ends, every element inside it checked to
// close where its length or its end-of-contents says; -1 when one does not.
// libksba stops reading once it has the signatures, so a damaged tail of an
// envelope of indefinite length would pass unseen without this walk.
qint64 berEnd(QByteArrayView b, qint64 at, int depth, int *elements)
{
    const qint64 size = b.size();
    if (depth > 64 || at + 2 > size)
        return -1;
    const auto tag = static_cast<unsigned char>(b[at++]);
    // The content's pieces cost the library nothing; every other element
    // costs it kilobytes.
    if (tag != 0x04 && ++*elements > Limits::EnvelopeElements)
        return -1;
    if ((tag & 0x1F) == 0x1F) {
        int n = 0;
        while (at < size && (static_cast<unsigned char>(b[at]) & 0x80) && ++n < 8)
            ++at;
        if (++at > size)
            return -1;
    }
    if (at >= size)
        return -1;
    const auto first = static_cast<unsigned char>(b[at++]);
    const bool constructed = tag & 0x20;
    if (first == 0x80) {
        if (!constructed)
            return -1;
        for (;;) {
            if (at + 2 <= size && b[at] == 0 && b[at + 1] == 0)
                return at + 2;
            at = berEnd(b, at, depth + 1, elements);
            if (at < 0)
                return -1;
        }
    }
    qint64 length = first;
    if (first > 0x80) {
        const int n = first & 0x7F;
        if (n > 7 || at + n > size)
            return -1;
        length = 0;
        for (int k = 0; k < n; ++k)
            length = (length << 8) | static_cast<unsigned char>(b[at++]);
    }
    const qint64 end = at + length;
    if (length < 0 || end > size)
        return -1;
    if (constructed) {
        while (at < end) {
            at = berEnd(b.first(end), at, depth + 1, elements);
            if (at < 0)
                return -1;
        }
    }
    return end;
}

// The content of a CMS SignedData; every byte of the envelope is read
// through, so a cut or damaged one is refused as a whole.
Unwrapped fromCms(const QByteArray &bytes)
{
    Unwrapped out;
    const QString damaged = QStringLiteral("la busta firmata (.p7m) è danneggiata o incompleta: non si può leggere");
    // Every element closes where it says and the envelope ends the file
    // (blanks or zeros after it are padding of the transfer).
    int elements = 0;
    const qint64 end = berEnd(bytes, 0, 0, &elements);
    if (elements > Limits::EnvelopeElements) {
        out.error = QStringLiteral("la busta firmata (.p7m) ha oltre %1 elementi: non è la busta di una fattura, "
                                   "non viene letta")
                        .arg(Limits::EnvelopeElements);
        return out;
    }
    if (end < 0) {
        out.error = damaged;
        return out;
    }
    const QByteArrayView rest = QByteArrayView(bytes).sliced(end);
    if (!std::all_of(rest.begin(), rest.end(), [](char c) { return c == '\0' || c == ' ' || c == '\r' || c == '\n' || c == '\t'; })) {
        out.error = damaged;
        return out;
    }
    const QuietStandardError quiet;
    CmsParts p;
    Content content;
    if (ksba_reader_new(&p.reader) || ksba_reader_set_mem(p.reader, bytes.constData(), size_t(end)) ||
        ksba_writer_new(&p.writer) || ksba_writer_set_cb(p.writer, takeContent, &content) || ksba_cms_new(&p.cms) ||
        ksba_cms_set_reader_writer(p.cms, p.reader, p.writer)) {
        out.error = QStringLiteral("memoria insufficiente per aprire la busta firmata");
        return out;
    }
    ksba_cms_set_hash_function(p.cms, noHash, nullptr);
    ksba_stop_reason_t reason = KSBA_SR_NONE;
    int rounds = 0;
    do {
        if (ksba_cms_parse(p.cms, &reason) != 0 || ++rounds > 64) {
            out.error = content.tooLarge ? tooLarge() : damaged;
            return out;
        }
        if (reason == KSBA_SR_GOT_CONTENT && ksba_cms_get_content_type(p.cms, 0) != KSBA_CT_SIGNED_DATA) {
            out.error = QStringLiteral("la busta .p7m non è una busta firmata (CMS SignedData): non si può leggere");
            return out;
        }
        if (reason == KSBA_SR_DETACHED_DATA) {
            out.error = QStringLiteral("la busta firmata non contiene il documento (firma separata): non si può leggere");
            return out;
        }
    } while (reason != KSBA_SR_READY);
    out.xml = content.bytes;
    out.signedEnvelope = true;
    return out;
}

} // namespace

Unwrapped unwrap(const QByteArray &bytes)
{
    QByteArray current = bytes;
    bool signedEnvelope = false;
    for (int depth = 0;; ++depth) {
        if (current.size() > Limits::FileBytes)
            return Unwrapped{{}, tooLarge()};
        if (looksLikeXml(current))
            return Unwrapped{current, {}, signedEnvelope};
        if (depth >= Limits::EnvelopeDepth)
            return Unwrapped{{}, QStringLiteral("troppe buste una dentro l'altra: il file non si legge")};
        if (!current.isEmpty() && current.front() == 0x30) {
            Unwrapped inner = fromCms(current);
            if (!inner.error.isEmpty())
                return inner;
            current = inner.xml;
            signedEnvelope = true;
            continue;
        }
        QByteArray decoded = fromBase64(current);
        if (decoded.isEmpty())
            return Unwrapped{{},
                             current.trimmed().isEmpty()
                                 ? QStringLiteral("il file è vuoto")
                                 : QStringLiteral("il file non è una fattura elettronica: non è XML, né una busta "
                                                  "firmata .p7m, né testo base64")};
        current = decoded;
    }
}

} // namespace Invoices
