// One extra push button with a small picture in the top right corner of a
// window, just below the title bar that the window manager draws.
#pragma once

#include <QIcon>
#include <QObject>
#include <QPixmap>
#include <QPointer>

#include <cstdint>
#include <functional>

class QWidget;

namespace tarnex {

class TCaptionButton : public QObject {
    Q_OBJECT

public:
    // Face size of the picture; the bevel adds a frame around it.
    static constexpr int kFaceWidth = 16;
    static constexpr int kFaceHeight = 16;

    explicit TCaptionButton(QWidget* owner);
    ~TCaptionButton() override;

    // Drawn stretched to the face; the picture is copied.
    const QPixmap& Glyph() const { return glyph_; }
    void SetGlyph(const QPixmap& glyph);
    // A picture drawn at several sizes: the face takes the one drawn for its
    // screen's scale, so that it stays sharp on a scaled screen.
    void SetGlyph(const QIcon& glyph);

    // Distance from the window's right edge to the button's left edge.
    std::int32_t RightMargin() const { return rightMargin_; }
    void SetRightMargin(std::int32_t margin);

    // A hidden button is neither drawn nor reacts to the mouse.
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);

    // Number of this button among all built by the program, from 666 on.
    std::uint16_t HitCode() const { return hitCode_; }

    // Raised when a press on the button is released over it.
    std::function<void(TCaptionButton* Sender)> OnClick;

    // The drawn button, a child of the owner window.
    QWidget* Face() const { return face_; }
    bool DrawnPressed() const { return drawnPressed_; }
    bool Captured() const { return captured_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class CaptionFace;

    void Place();
    void DrawButton(bool pressed);
    void Paint(QWidget* face);
    void Press();
    void Move(bool over);
    void Release();
    void LoseCapture();

    QPointer<QWidget> owner_;
    QPointer<QWidget> face_;
    QPixmap glyph_;
    QIcon glyphIcon_;
    std::int32_t rightMargin_ = 0;
    bool visible_ = true;
    std::uint16_t hitCode_;
    bool drawnPressed_ = false;
    bool captured_ = false;
};

} // namespace tarnex
