#include "ui/components/ValEdit.h"

#include <QInputMethodEvent>
#include <QKeyEvent>

#include <limits>

namespace tarnex {

namespace {

const QString kDecChars = QStringLiteral("0123456789");
const QString kHexChars = QStringLiteral("0123456789abcdefABCDEF");
const QString kBinChars = QStringLiteral("01");

// Keys that insert text; everything else (editing, navigation, shortcuts such
// as paste or undo, Enter and Esc for the dialog) stays the line edit's own.
bool InsertsText(const QKeyEvent* event)
{
    if (event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier))
        return false;
    const QString text = event->text();
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (!c.isPrint())
            return false;
    }
    return true;
}

std::uint32_t HexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10u;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10u;
    return 0;
}

bool ParseDecimal(const QString& text, std::int32_t& value)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == text.size())
        return false;
    std::int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (u < u'0' || u > u'9')
            return false;
        magnitude = magnitude * 10 + (u - u'0');
        if (magnitude > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1)
            return false;
    }
    const std::int64_t signedValue = negative ? -magnitude : magnitude;
    if (signedValue > std::numeric_limits<std::int32_t>::max())
        return false;
    value = static_cast<std::int32_t>(signedValue);
    return true;
}

} // namespace

TNumberEdit::TNumberEdit(QWidget* parent)
    : QLineEdit(parent)
{
    setText(QStringLiteral("0"));
    // Boxes are built in code here, so start with the decimal digits rather
    // than with a box that accepts nothing but backspace.
    SetKind(TNumberEditKind::neDec);
    connect(this, &QLineEdit::textChanged, this, [this] { CheckChange(); });
}

void TNumberEdit::SetKind(TNumberEditKind kind)
{
    kind_ = kind;
    switch (kind) {
    case TNumberEditKind::neDec: allowedChars_ = kDecChars; break;
    case TNumberEditKind::neHex: allowedChars_ = kHexChars; break;
    case TNumberEditKind::neBin: allowedChars_ = kBinChars; break;
    }
}

void TNumberEdit::SetValue(std::int32_t value)
{
    if (maxValue_ != 0 && value > maxValue_)
        value = maxValue_;
    value_ = value;
    const QString newText = FormatValue(value, kind_);
    // The line edit reports no change for the same text; the check still runs.
    if (newText == text())
        CheckChange();
    else
        setText(newText);
}

void TNumberEdit::SetMaxValue(std::int32_t maxValue)
{
    maxValue_ = maxValue;
    if (maxValue != 0 && maxValue < value_)
        SetValue(maxValue);
}

QString TNumberEdit::FormatValue(std::int32_t value, TNumberEditKind kind)
{
    const auto pattern = static_cast<std::uint32_t>(value);
    switch (kind) {
    case TNumberEditKind::neHex: return QString::number(pattern, 16).toUpper();
    case TNumberEditKind::neBin: return QString::number(pattern, 2);
    case TNumberEditKind::neDec: break;
    }
    return QString::number(value);
}

bool TNumberEdit::ParseText(const QString& text, TNumberEditKind kind, std::int32_t& value)
{
    if (kind == TNumberEditKind::neDec)
        return ParseDecimal(text, value);
    std::uint32_t sum = 0;
    std::uint32_t weight = 1;
    for (qsizetype i = text.size() - 1; i >= 0; --i) {
        if (kind == TNumberEditKind::neHex) {
            sum += HexDigit(text[i]) * weight;
            weight *= 16u;
        } else {
            if (text[i] == u'1')
                sum += weight;
            weight *= 2u;
        }
    }
    value = static_cast<std::int32_t>(sum);
    return true;
}

void TNumberEdit::CheckChange()
{
    const QString current = text();
    if (current.isEmpty()) {
        value_ = 0;
    } else {
        std::int32_t number = 0;
        bool accept = ParseText(current, kind_, number);
        if (accept && maxValue_ != 0) {
            const QString limit = FormatValue(maxValue_, kind_);
            if (number > maxValue_ || number < 0 || current.size() > limit.size())
                accept = false;
            else if (current.size() == limit.size())
                accept = current.toUpper() <= limit;
        }
        if (accept) {
            value_ = number;
            lastGoodText_ = current;
        } else {
            setText(lastGoodText_);
            setCursorPosition(lastCaret_);
        }
    }
    if (OnChange)
        OnChange(this);
}

bool TNumberEdit::Allowed(const QString& text) const
{
    for (const QChar c : text) {
        if (!allowedChars_.contains(c))
            return false;
    }
    return true;
}

void TNumberEdit::SaveTypingState()
{
    lastGoodText_ = text();
    lastCaret_ = hasSelectedText() ? selectionStart() : cursorPosition();
}

void TNumberEdit::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Backspace) {
        SaveTypingState();
        QLineEdit::keyPressEvent(event);
        return;
    }
    if (!InsertsText(event)) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    SaveTypingState();
    if (Allowed(event->text()))
        QLineEdit::keyPressEvent(event);
    else
        event->accept();
}

void TNumberEdit::inputMethodEvent(QInputMethodEvent* event)
{
    const QString commit = event->commitString();
    if (commit.isEmpty()) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    SaveTypingState();
    if (Allowed(commit)) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent withoutCommit(event->preeditString(), event->attributes());
    QLineEdit::inputMethodEvent(&withoutCommit);
}

} // namespace tarnex
