// A single-line edit box that only lets the user type the digits of one number
// base and keeps a numeric Value in step with its text, optionally capped.
#pragma once

#include <QLineEdit>
#include <QString>

#include <cstdint>
#include <functional>

namespace tarnex {

enum class TNumberEditKind { neDec, neHex, neBin };

class TNumberEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit TNumberEdit(QWidget* parent = nullptr);

    TNumberEditKind Kind() const { return kind_; }
    // Does not reformat the current text.
    void SetKind(TNumberEditKind kind);

    std::int32_t Value() const { return value_; }
    // Capped by MaxValue (when it is not 0); the text becomes the value's form.
    void SetValue(std::int32_t value);

    // 0 means no limit at all, not even a lower one.
    std::int32_t MaxValue() const { return maxValue_; }
    void SetMaxValue(std::int32_t maxValue);

    const QString& AllowedChars() const { return allowedChars_; }
    const QString& LastGoodText() const { return lastGoodText_; }
    int LastCaret() const { return lastCaret_; }

    // Raised after every change of the text has been checked, refused or not.
    std::function<void(TNumberEdit* Sender)> OnChange;

    // The text written for a value in the given base.
    static QString FormatValue(std::int32_t value, TNumberEditKind kind);
    // Hexadecimal and binary texts always convert (other characters count
    // nothing, digits beyond 32 bits shift out); a decimal text that is not a
    // signed 32-bit number gives false.
    static bool ParseText(const QString& text, TNumberEditKind kind, std::int32_t& value);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    void CheckChange();
    bool Allowed(const QString& text) const;
    void SaveTypingState();

    TNumberEditKind kind_ = TNumberEditKind::neDec;
    std::int32_t value_ = 0;
    std::int32_t maxValue_ = 0;
    QString allowedChars_;
    QString lastGoodText_;
    int lastCaret_ = 0;
};

} // namespace tarnex
