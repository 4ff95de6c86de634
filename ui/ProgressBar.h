// The main window's progress bar. A range of 0 to 0 (a wipe of no passes)
// means nothing to show, where Qt would draw an endless busy animation.
#pragma once

#include <QProgressBar>

namespace tarnex {

class TProgressBar : public QProgressBar {
    Q_OBJECT

public:
    using QProgressBar::QProgressBar;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace tarnex
