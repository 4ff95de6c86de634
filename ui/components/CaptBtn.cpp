#include "ui/components/CaptBtn.h"

#include <QColor>
#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPoint>
#include <QWidget>

#include <algorithm>

namespace tarnex {

namespace {

// Shared by every button of the program.
std::uint16_t nextHitCode = 666;

constexpr int B = TCaptionButton::kFaceWidth;
constexpr int H = TCaptionButton::kFaceHeight;

// Bevel lines are pixel runs from a point up to, not including, the next.
void Polyline(QPainter& painter, const QColor& color, std::initializer_list<QPoint> points)
{
    const QPoint* from = nullptr;
    for (const QPoint& to : points) {
        if (from != nullptr) {
            // The run stops one pixel short of the next point.
            QPoint last = to;
            if (from->y() == to.y())
                last.rx() += to.x() > from->x() ? -1 : 1;
            else
                last.ry() += to.y() > from->y() ? -1 : 1;
            painter.fillRect(QRect(QPoint(std::min(from->x(), last.x()), std::min(from->y(), last.y())),
                                   QPoint(std::max(from->x(), last.x()), std::max(from->y(), last.y()))),
                             color);
        }
        from = &to;
    }
}

} // namespace

class CaptionFace : public QWidget {
public:
    CaptionFace(TCaptionButton* button, QWidget* owner)
        : QWidget(owner), button_(button)
    {
        setObjectName(QStringLiteral("CaptionButtonFace"));
        setFixedSize(B + 3, H + 3);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override { button_->Paint(this); }

    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() != Qt::LeftButton) {
            event->ignore();
            return;
        }
        button_->Press();
    }

    // The second press of a double click is a press like the first.
    void mouseDoubleClickEvent(QMouseEvent* event) override { mousePressEvent(event); }

    void mouseMoveEvent(QMouseEvent* event) override
    {
        button_->Move(rect().contains(event->position().toPoint()));
    }

    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() != Qt::LeftButton) {
            event->ignore();
            return;
        }
        button_->Release();
    }

    void hideEvent(QHideEvent*) override { button_->LoseCapture(); }

private:
    TCaptionButton* button_;
};

TCaptionButton::TCaptionButton(QWidget* owner)
    : QObject(owner), owner_(owner), hitCode_(nextHitCode++)
{
    face_ = new CaptionFace(this, owner);
    owner->installEventFilter(this);
    Place();
}

TCaptionButton::~TCaptionButton()
{
    delete face_;
    if (owner_ != nullptr)
        owner_->removeEventFilter(this);
}

void TCaptionButton::SetGlyph(const QPixmap& glyph)
{
    if (glyph.cacheKey() == glyph_.cacheKey())
        return;
    glyph_ = glyph.copy();
    glyphIcon_ = QIcon();
    if (face_ != nullptr)
        face_->update();
}

void TCaptionButton::SetGlyph(const QIcon& glyph)
{
    if (glyph.cacheKey() == glyphIcon_.cacheKey())
        return;
    glyphIcon_ = glyph;
    glyph_ = glyph.pixmap(QSize(B, H), 1.0);
    if (face_ != nullptr)
        face_->update();
}

void TCaptionButton::SetRightMargin(std::int32_t margin)
{
    if (margin == rightMargin_)
        return;
    rightMargin_ = margin;
    Place();
}

void TCaptionButton::SetVisible(bool visible)
{
    if (visible == visible_)
        return;
    visible_ = visible;
    if (face_ != nullptr)
        face_->setVisible(visible);
}

void TCaptionButton::Place()
{
    if (face_ == nullptr || owner_ == nullptr)
        return;
    face_->move(owner_->width() - rightMargin_, 1);
    face_->raise();
}

bool TCaptionButton::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == owner_) {
        switch (event->type()) {
        case QEvent::Resize:
        case QEvent::Show:
            Place();
            break;
        case QEvent::ChildAdded:
            // Widgets added later would otherwise cover the button.
            if (face_ != nullptr)
                face_->raise();
            break;
        default:
            break;
        }
    }
    return false;
}

void TCaptionButton::DrawButton(bool pressed)
{
    if (drawnPressed_ == pressed)
        return;
    drawnPressed_ = pressed;
    if (visible_ && face_ != nullptr)
        face_->update();
}

void TCaptionButton::Paint(QWidget* face)
{
    QPainter painter(face);
    const QPalette& palette = face->palette();
    painter.fillRect(face->rect(), palette.color(QPalette::Button));
    const QColor black(0x00, 0x00, 0x00);
    const QColor grey(0x80, 0x80, 0x80);
    int offset = 1;
    if (!drawnPressed_) {
        Polyline(painter, palette.color(QPalette::Light), {{0, H + 1}, {0, 0}, {B + 3, 0}});
        Polyline(painter, black, {{0, H + 2}, {B + 2, H + 2}, {B + 2, -1}});
        Polyline(painter, grey, {{B + 1, 1}, {B + 1, H + 1}, {0, H + 1}});
    } else {
        Polyline(painter, black, {{0, H + 1}, {0, 0}, {B + 3, 0}});
        Polyline(painter, QColor(0xFF, 0xFF, 0xFF), {{0, H + 2}, {B + 2, H + 2}, {B + 2, -1}});
        Polyline(painter, grey, {{B, 1}, {1, 1}, {1, H + 1}});
        Polyline(painter, QColor(0xC0, 0xC0, 0xC0), {{B + 1, 1}, {B + 1, H + 1}, {0, H + 1}});
        offset = 2;
    }
    const QRect target(offset, offset, B, H);
    if (!glyphIcon_.isNull())
        painter.drawPixmap(target, glyphIcon_.pixmap(target.size(), face->devicePixelRatioF()));
    else if (!glyph_.isNull())
        painter.drawPixmap(target, glyph_);
}

void TCaptionButton::Press()
{
    if (!visible_)
        return;
    DrawButton(true);
    captured_ = true;
}

void TCaptionButton::Move(bool over)
{
    if (!captured_)
        return;
    DrawButton(over);
}

void TCaptionButton::Release()
{
    const bool click = captured_ && drawnPressed_;
    captured_ = false;
    DrawButton(false);
    // Drawn raised first, so that a dialog the click opens shows it raised.
    if (click && OnClick)
        OnClick(this);
}

void TCaptionButton::LoseCapture()
{
    captured_ = false;
    DrawButton(false);
}

} // namespace tarnex
