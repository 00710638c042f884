#include "keyfilters.h"

#include <QClipboard>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QRegularExpression>

bool isClipboardKey(const QKeyEvent *key)
{
    for (QKeySequence::StandardKey standard : {QKeySequence::SelectAll, QKeySequence::Copy, QKeySequence::Cut,
                                               QKeySequence::Paste, QKeySequence::Undo, QKeySequence::Redo}) {
        if (key->matches(standard))
            return true;
    }
    // Shift+Insert pastes and Ctrl+Insert copies on every desktop.
    return key->key() == Qt::Key_Insert && (key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier));
}

bool asksForPicker(const QKeyEvent *key)
{
    if (isClipboardKey(key))
        return false;
    switch (key->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_Meta:
    case Qt::Key_AltGr:
        return false;
    default:
        return true;
    }
}

bool isEditingKey(const QKeyEvent *key)
{
    switch (key->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Left:
    case Qt::Key_Right:
    // Tab always moves on, whatever the box.
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return true;
    default:
        return isClipboardKey(key);
    }
}

bool isPasteKey(const QKeyEvent *key)
{
    return key->matches(QKeySequence::Paste)
           || (key->key() == Qt::Key_Insert && (key->modifiers() & Qt::ShiftModifier));
}

bool pasteDigitsOnly(QLineEdit *box, const QKeyEvent *key)
{
    if (!isPasteKey(key))
        return false;
    QString text = QGuiApplication::clipboard()->text();
    text.removeIf([](QChar c) { return c < u'0' || c > u'9'; });
    box->insert(text);
    return true;
}

bool pasteWithoutBlanks(QLineEdit *box, const QKeyEvent *key)
{
    if (!isPasteKey(key))
        return false;
    QString text = QGuiApplication::clipboard()->text();
    text.remove(QRegularExpression(QStringLiteral("\\s")));
    box->insert(text);
    return true;
}

bool isNumericKey(const QKeyEvent *key, bool allowComma)
{
    const QString text = key->text();
    return text.size() == 1 && ((text[0] >= u'0' && text[0] <= u'9') || (allowComma && text[0] == u','));
}

bool typeDecimalPoint(QLineEdit *box, const QKeyEvent *key)
{
    if (key->text() != u".")
        return false;
    QString kept = box->text();
    if (box->hasSelectedText())
        kept.remove(box->selectionStart(), box->selectedText().size());
    if (!kept.contains(u','))
        box->insert(QStringLiteral(","));
    return true;
}

bool isLeavingFocus(const QFocusEvent *event)
{
    return event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason;
}
