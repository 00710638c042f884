// Any bytes as a stored record of each archive: every field decodes, and
// what a save would write from it decodes to the same text (control
// characters as blanks), so a record never changes on a second save.

#include "products/productrecord.h"
#include "receipts/receiptrecord.h"
#include "storage/record.h"
#include "storage/textrules.h"
#include "suppliers/supplierrecord.h"

#include <QByteArray>

#include <cstdlib>

namespace {

QString stored(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        if (c.category() == QChar::Other_Control)
            c = u' ';
    }
    return TextRules::trimmed(out);
}

void check(const RecordLayout &layout, const uint8_t *data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(qMin<size_t>(size, size_t(layout.size()))));
    bytes.resize(layout.size(), '\0');
    const Record first(layout, bytes);
    Record again(layout);
    for (int f = 0; f < layout.fieldCount(); ++f)
        again.setValue(f, first.value(f));
    const Record second(layout, again.bytes());
    for (int f = 0; f < layout.fieldCount(); ++f) {
        if (second.value(f) != stored(first.value(f)))
            std::abort();
    }
    // A second save changes nothing at all.
    Record third(layout);
    for (int f = 0; f < layout.fieldCount(); ++f)
        third.setValue(f, second.value(f));
    if (third.bytes() != again.bytes())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const RecordLayout *layouts[] = {&SupplierRecord::layout(), &ProductRecord::layout(), &ReceiptRecord::layout()};
    check(*layouts[data[0] % 3], data + 1, size - 1);
    return 0;
}
