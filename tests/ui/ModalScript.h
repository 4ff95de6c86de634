// Answers the modal windows a test provokes, one scripted step per window,
// from a timer that runs inside their event loops. A window that no step was
// written for is recorded and closed, so a test fails instead of hanging.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QPointer>
#include <QTimer>

#include <deque>
#include <functional>
#include <vector>

namespace tarnex::test {

struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QMessageBox::StandardButton escapeButton = QMessageBox::NoButton;
    Qt::TextFormat format = Qt::AutoText;
};

class ModalScript {
public:
    using Step = std::function<void(QWidget* modal)>;

    ModalScript()
    {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
        timer_.start();
    }

    ModalScript& Then(Step step)
    {
        steps_.push_back(std::move(step));
        return *this;
    }

    // Records the message box and presses one of its buttons.
    ModalScript& Answer(QMessageBox::StandardButton button)
    {
        return Then([this, button](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (box == nullptr) {
                unexpected_.push_back(modal->metaObject()->className());
                CloseAny(modal);
                return;
            }
            Record(box);
            box->button(button)->click();
        });
    }

    // Records the message box and presses its Esc button.
    ModalScript& Escape()
    {
        return Then([this](QWidget* modal) {
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                Record(box);
                if (box->escapeButton() != nullptr)
                    box->escapeButton()->click();
                return;
            }
            CloseAny(modal);
        });
    }

    std::size_t Remaining() const { return steps_.size(); }
    const std::vector<SeenBox>& Boxes() const { return boxes_; }
    const std::vector<QString>& Unexpected() const { return unexpected_; }

private:
    void Poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible() || running_)
            return;
        running_ = true;
        if (steps_.empty()) {
            if (auto* box = qobject_cast<QMessageBox*>(modal))
                Record(box);
            unexpected_.push_back(modal->metaObject()->className());
            CloseAny(modal);
        } else {
            Step step = std::move(steps_.front());
            steps_.pop_front();
            step(modal);
        }
        running_ = false;
    }

    void Record(QMessageBox* box)
    {
        boxes_.push_back({box->windowTitle(), box->text(), box->icon(), box->standardButtons(),
                          box->defaultButton() != nullptr ? box->standardButton(box->defaultButton())
                                                          : QMessageBox::NoButton,
                          box->escapeButton() != nullptr
                              ? box->standardButton(qobject_cast<QAbstractButton*>(box->escapeButton()))
                              : QMessageBox::NoButton,
                          box->textFormat()});
    }

    static void CloseAny(QWidget* modal)
    {
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
    }

    QTimer timer_;
    std::deque<Step> steps_;
    std::vector<SeenBox> boxes_;
    std::vector<QString> unexpected_;
    bool running_ = false;
};

} // namespace tarnex::test
