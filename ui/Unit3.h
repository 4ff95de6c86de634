// The password dialog: asks for a password and hands it to the main window's
// password box, leaving nothing of it in its own box.
#pragma once

#include <QDialog>

#include <functional>

class QLineEdit;
class QPushButton;

namespace tarnex {

class Tpass : public QDialog {
    Q_OBJECT

public:
    // What the box holds last before it is emptied, so that its final
    // contents are never the password: 30 capital letters, 11 marks.
    static constexpr char kScrubFiller[] = "ZQX#JKV!WPM@BYG$FDH%RTN&LCS*UEO?IAK-BRW+=";

    explicit Tpass(QWidget* parent = nullptr);

    // Every way the dialog finishes (OK, Cancel, Esc, the window manager's
    // close) comes through here, so the scrub happens on each of them.
    void done(int result) override;

    // Raised by OK with the typed password, before the box is scrubbed.
    std::function<void(const QString&)> OnPassword;

    QLineEdit* Edit1;
    QPushButton* Button1; // OK
    QPushButton* Button2; // Cancel

public slots:
    void Edit1Change();
    void Button1Click();
    void Button2Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void Scrub();
};

// The program's one password dialog.
extern Tpass* pass;

} // namespace tarnex
