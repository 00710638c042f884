// Any text typed or pasted into the check windows: every check gives a
// verdict with a message, the same one twice, and typing keeps to the box.

#include "storage/cp1252.h"
#include "validators/validators.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0 || size > 200)
        return 0;
    using Validators::Kind;
    const Kind kinds[] = {Kind::TaxCode, Kind::VatNumber, Kind::CreditCard, Kind::Iban};
    const Kind kind = kinds[data[0] % 4];
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const Validators::Verdict first = Validators::check(kind, text);
    const Validators::Verdict second = Validators::check(kind, text);
    if (first.text != second.text || first.box != second.box)
        std::abort();
    const QString typed = Validators::typed(kind, text);
    if (typed.size() > Validators::maxLength(kind))
        std::abort();
    return 0;
}
