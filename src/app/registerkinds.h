#pragma once

// Registers the three kinds of archive (suppliers, products, receipts) in
// ArchiveKinds, in that order. Every program calls it first thing in its
// main, before it opens a window or reads an archive; calling it again
// changes nothing.
void registerArchiveKinds();
