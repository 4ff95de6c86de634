#include "ui/ProgressBar.h"

#include <QStyleOptionProgressBar>
#include <QStylePainter>

namespace tarnex {

void TProgressBar::paintEvent(QPaintEvent* event)
{
    if (minimum() != 0 || maximum() != 0) {
        QProgressBar::paintEvent(event);
        return;
    }
    QStylePainter painter(this);
    QStyleOptionProgressBar option;
    initStyleOption(&option);
    option.maximum = 1;
    option.progress = 0;
    painter.drawControl(QStyle::CE_ProgressBar, option);
}

} // namespace tarnex
