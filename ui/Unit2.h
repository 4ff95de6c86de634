// The information dialog: the program's picture, and on request the about
// and warranty text over it.
#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace tarnex {

class TForm2 : public QDialog {
    Q_OBJECT

public:
    static constexpr char kWarrantyCaption[] = "&Warranty - Please read";
    static constexpr char kAboutCaption[] = "&About";

    explicit TForm2(QWidget* parent = nullptr);

    // Every close (OK or the title bar's close button) comes through here.
    void done(int result) override;

    QLabel* Image1;
    QPlainTextEdit* Memo1;
    QPushButton* Button1; // OK
    QPushButton* Button2; // toggles picture and text

public slots:
    void Button2Click();

protected:
    void showEvent(QShowEvent* event) override;
    // The dialog has no cancel button, so Esc closes nothing.
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    void FormClose();
    // The picture drawn for the screen the dialog is on.
    void DrawPicture();
};

extern TForm2* Form2;

// The about-and-warranty text.
QString AboutAndWarrantyText();

} // namespace tarnex
