// A card's controls bound to its record's fields: the text of each control,
// the record they make and show, and the keys and focus moves of the boxes.
#include "ui/cardscreen.h"

#include "storage/numberformat.h"
#include "storage/record.h"
#include "storage/textrules.h"
#include "ui/keyfilters.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>

void TCardScreen::bind(CardDefinition definition)
{
    m_def = std::move(definition);
    Q_ASSERT(m_def.controls.size() == m_def.layout->fieldCount());
    for (int f = 0; f < m_def.controls.size(); ++f) {
        const QString &name = m_def.controls[f];
        QWidget *w = findChild<QWidget *>(name);
        Q_ASSERT_X(w, "TCardScreen::bind", qPrintable(name));
        m_controls.insert(name, w);
        const int capacity = m_def.layout->capacity(f);
        if (auto *edit = qobject_cast<QLineEdit *>(w)) {
            edit->setMaxLength(capacity);
        } else if (auto *combo = qobject_cast<QComboBox *>(w)) {
            combo->lineEdit()->setMaxLength(capacity);
        }
        if ((qobject_cast<QLineEdit *>(w) || qobject_cast<QComboBox *>(w)) && m_def.highlightFrames)
            new THighlightFrame(QStringLiteral("eff") + name.mid(3), w);
    }
    for (const QString &name : m_def.enterChain) {
        QWidget *w = m_controls.value(name);
        if (auto *combo = qobject_cast<QComboBox *>(w))
            combo->lineEdit()->installEventFilter(this);
        if (w)
            w->installEventFilter(this);
    }
    for (const QString &name : m_def.digitFields + m_def.wholeNumberFields + m_def.moneyFields) {
        if (QWidget *w = m_controls.value(name))
            w->installEventFilter(this);
    }
    for (auto it = m_def.hints.cbegin(); it != m_def.hints.cend(); ++it) {
        if (auto *w = findChild<QWidget *>(it.key()))
            setHint(w, it.value());
    }
    clearsStatusLine(this);
    clearsStatusLine(m_background);
    clearsStatusLine(panel());
}

bool TCardScreen::cardKeyPress(const QString &, QKeyEvent *)
{
    return false;
}

void TCardScreen::setHint(QWidget *control, const QString &hint)
{
    m_hintOf.insert(control, hint);
    control->setMouseTracking(true);
    control->installEventFilter(this);
}

void TCardScreen::clearsStatusLine(QWidget *background)
{
    m_hintOf.insert(background, QString());
    background->setMouseTracking(true);
    background->installEventFilter(this);
}

QString TCardScreen::controlText(const QString &name) const
{
    QWidget *w = m_controls.value(name);
    if (auto *edit = qobject_cast<QLineEdit *>(w))
        return edit->text();
    if (auto *combo = qobject_cast<QComboBox *>(w))
        return combo->currentText();
    if (auto *label = qobject_cast<QLabel *>(w))
        return label->text();
    if (auto *check = qobject_cast<QCheckBox *>(w))
        return YesNo::text(check->isChecked());
    return QString();
}

void TCardScreen::setControlText(const QString &name, const QString &text)
{
    QWidget *w = m_controls.value(name);
    if (auto *edit = qobject_cast<QLineEdit *>(w)) {
        edit->setText(text);
    } else if (auto *combo = qobject_cast<QComboBox *>(w)) {
        // The list follows the text, so no earlier pick lingers.
        combo->setCurrentIndex(combo->findText(text));
        combo->setEditText(text);
    } else if (auto *label = qobject_cast<QLabel *>(w)) {
        label->setText(text);
    } else if (auto *check = qobject_cast<QCheckBox *>(w)) {
        // Anything but "Sì" or "No" leaves the box as it was.
        if (const std::optional<bool> yes = YesNo::read(text))
            check->setChecked(*yes);
    }
}

void TCardScreen::fillControls(const QByteArray &bytes)
{
    const Record record(*m_def.layout, bytes);
    for (int f = 0; f < m_def.controls.size(); ++f)
        setControlText(m_def.controls[f], record.value(f));
}

void TCardScreen::showRecord(const QByteArray &bytes, qint64 position)
{
    fillControls(bytes);
    lblPosizione->setText(QString::number(position));
    m_shownBytes = bytes;
}

QByteArray TCardScreen::recordFromControls() const
{
    Record record(*m_def.layout);
    for (int f = 0; f < m_def.controls.size(); ++f)
        record.setValue(f, controlText(m_def.controls[f]));
    return record.bytes();
}

qint64 TCardScreen::shownPosition() const
{
    bool ok = false;
    const qint64 p = TextRules::trimmed(lblPosizione->text()).toLongLong(&ok);
    return ok ? p : 0;
}

void TCardScreen::focusFirstField()
{
    if (QWidget *w = m_controls.value(m_def.firstField))
        w->setFocus();
}

void TCardScreen::blankCard()
{
    for (const QString &name : m_def.controls) {
        QWidget *w = m_controls.value(name);
        if (auto *check = qobject_cast<QCheckBox *>(w)) {
            check->setChecked(false);
        } else if (auto *combo = qobject_cast<QComboBox *>(w)) {
            combo->setCurrentIndex(-1);
            combo->setEditText(m_def.blankValue ? m_def.blankValue(name) : QString());
        } else {
            setControlText(name, m_def.blankValue ? m_def.blankValue(name) : QString());
        }
    }
    for (const QString &name : m_def.attachmentLabels)
        setControlText(name, QString());
    lblPosizione->clear();
    focusFirstField();
}

bool TCardScreen::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseMove && m_hintOf.contains(watched)) {
        // A move over an edit box or a caption reaches the nearest tracking
        // parent; only a move over the background itself empties the line.
        auto *widget = static_cast<QWidget *>(watched);
        const QPoint at = static_cast<QMouseEvent *>(event)->position().toPoint();
        QWidget *under = widget->childAt(at);
        if (panInfo && (!under || m_hintOf.contains(under)))
            panInfo->setText(m_hintOf.value(under ? under : widget));
    }

    if (type == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        QWidget *box = qobject_cast<QWidget *>(watched);
        // A combo edit's line edit stands for the combo.
        if (box && qobject_cast<QComboBox *>(box->parentWidget()) && !m_controls.key(box).size())
            box = box->parentWidget();
        const QString name = m_controls.key(box);
        if (!name.isEmpty()) {
            if (cardKeyPress(name, key))
                return true;
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                const qsizetype at = m_def.enterChain.indexOf(name);
                if (at >= 0) {
                    const QString next = at + 1 < m_def.enterChain.size() ? m_def.enterChain[at + 1]
                                         : m_def.enterWrapTo.isEmpty()    ? m_def.enterChain.first()
                                                                          : m_def.enterWrapTo;
                    if (QWidget *w = m_controls.value(next))
                        w->setFocus();
                    return true;
                }
            }
            const bool digit = m_def.digitFields.contains(name) || m_def.wholeNumberFields.contains(name);
            const bool money = m_def.moneyFields.contains(name);
            if (money) {
                if (auto *edit = qobject_cast<QLineEdit *>(watched); edit && typeDecimalPoint(edit, key))
                    return true;
            }
            if (m_def.digitFields.contains(name)) {
                if (auto *edit = qobject_cast<QLineEdit *>(watched); edit && pasteDigitsOnly(edit, key))
                    return true;
            }
            // Anything else is discarded: no effect at all.
            if ((digit || money) && !isEditingKey(key) && !isNumericKey(key, money))
                return true;
        }
    }
    // A list dropping down or another window taking over is not leaving.
    if (type == QEvent::FocusOut && isLeavingFocus(static_cast<QFocusEvent *>(event))) {
        const QString name = m_controls.key(qobject_cast<QWidget *>(watched));
        if (auto *edit = qobject_cast<QLineEdit *>(watched); edit && !name.isEmpty()) {
            QString shown;
            // A paste may have brought in what the keys could not.
            if (m_def.digitFields.contains(name)) {
                QString digits = edit->text();
                digits.removeIf([](QChar c) { return c < u'0' || c > u'9'; });
                if (digits != edit->text())
                    edit->setText(digits);
            }
            if (m_def.wholeNumberFields.contains(name))
                shown = NumberFormat::wholeNumberExit(edit->text());
            else if (m_def.moneyFields.contains(name))
                shown = NumberFormat::moneyExit(edit->text(), m_def.moneyDecimals.value(name, 4));
            // The box would cut a longer text into another number: a form
            // that fits, or the text as it was.
            if (!shown.isNull()) {
                if (const std::optional<QString> fitted = NumberFormat::fitField(shown, edit->maxLength()))
                    edit->setText(*fitted);
            }
        }
    }
    return TApplicationScreen::eventFilter(watched, event);
}
