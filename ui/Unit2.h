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

    // Every close (OK, the title bar's close button, Esc) comes through here.
    void done(int result) override;

    QLabel* Image1;
    QPlainTextEdit* Memo1;
    QPushButton* Button1; // OK
    QPushButton* Button2; // toggles picture and text

public slots:
    void Button2Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormClose();
};

extern TForm2* Form2;

// The about-and-warranty text.
QString AboutAndWarrantyText();

} // namespace tarnex
