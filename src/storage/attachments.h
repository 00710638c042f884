#pragma once

#include <QString>

// The files attached to cards: kept in one folder of the program folder,
// named on the cards by their bare file name.
namespace Attachments {

// Copies `source` into `folder` (created when missing) as `name`, through a
// temporary file renamed at the end, so that a failed copy never leaves a
// cut file under the real name. Empty when done; otherwise the message to
// show, which names the file.
QString copyInto(const QString &source, const QString &folder, const QString &name);

// A bare file name: not empty, no folder separator, not "." or "..".
bool isPlainName(const QString &name);
QString unsafeNameMessage(const QString &name);
// A name Windows can give a file: none of \ / : * ? " < > | or control
// characters, no trailing dot or blank, no device name (CON, NUL, COM1 ...).
bool isWindowsName(const QString &name);
// A plain name the card can store unchanged, and a Windows workstation open.
bool isStorableName(const QString &name);
QString unstorableNameMessage(const QString &name);

// A name that came with a foreign file (an invoice, its attachment) made one
// the card can store: no folder part, the characters Windows refuses made
// "_", a device name given a leading "_", cut to 100 characters with its
// extension kept, and ".bin" added unless the extension is one of a
// document or a picture (the desktop must never run what a supplier sent).
// `fallback` when nothing usable is left, under the same last rule.
QString storableName(const QString &foreign, const QString &fallback);

// Puts `bytes` into `folder` under `name` or, when a different file of that
// name is there already, under "name (2).ext", "name (3).ext"... A file with
// the same bytes is reused, not written again. What is written is whole on
// the disk when it returns (SafeFile). The name used; throws ArchiveError
// with an Italian reason.
QString keepBytes(const QString &folder, const QString &name, const QByteArray &bytes);

} // namespace Attachments
