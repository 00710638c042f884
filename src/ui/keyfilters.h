#pragma once

// What the edit boxes of the program let through, key by key and paste by
// paste.

class QFocusEvent;
class QKeyEvent;
class QLineEdit;

// A focus-out that counts as leaving a box: not a list or menu popping up,
// not another window (a message box) taking over.
bool isLeavingFocus(const class QFocusEvent *event);

// The key filter of numeric boxes. Editing keys (Backspace, Delete, Left,
// Right) always pass; other keys pass only with a digit, or the comma in a
// money box.
// Tab, Shift+Tab and the clipboard and selection shortcuts (Ctrl+A, C, X,
// V, Z, Y, Shift+Insert) pass every filter too.
bool isEditingKey(const class QKeyEvent *key);
bool isClipboardKey(const class QKeyEvent *key);
bool isPasteKey(const class QKeyEvent *key);
// A paste into a box whose text holds no blanks (the IBAN): the clipboard's
// blanks go before the box's maximum length applies. True when the key was
// a paste and has been dealt with.
bool pasteWithoutBlanks(QLineEdit *box, const class QKeyEvent *key);
// A paste into a box of digits only brings only the clipboard's digits.
bool pasteDigitsOnly(QLineEdit *box, const class QKeyEvent *key);
bool isNumericKey(const class QKeyEvent *key, bool allowComma);
// A key that, in a date box filled from the calendar, asks for the
// calendar: not Tab (a keyboard user must be able to leave the box), not a
// modifier pressed alone, not a clipboard shortcut.
bool asksForPicker(const class QKeyEvent *key);
// In a money box the point (the numeric keypad's decimal key) types the
// decimal comma when the box has none yet, and is dropped otherwise. True
// when the key was a point and has been dealt with.
bool typeDecimalPoint(QLineEdit *box, const class QKeyEvent *key);
