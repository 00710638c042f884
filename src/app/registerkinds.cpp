#include "registerkinds.h"

#include "products/productarchive.h"
#include "receipts/receiptarchive.h"
#include "storage/archivekind.h"
#include "suppliers/supplierarchive.h"

void registerArchiveKinds()
{
    ArchiveKinds::add(supplierArchive());
    ArchiveKinds::add(productArchive());
    ArchiveKinds::add(receiptArchive());
}
