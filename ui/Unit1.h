// The main window: the file list, the password and passes boxes and the
// command buttons. The engine's commands run against it through
// CommandWindow.
#pragma once

#include "engine/CommandWindow.h"
#include "ui/components/ValEdit.h"

#include <QString>
#include <QWidget>

#include <string>

class QFileDialog;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QToolButton;
class QTreeWidget;

namespace tarnex {

class TForm1 : public QWidget, public CommandWindow {
    Q_OBJECT

public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    QTreeWidget* ListView1;
    QLabel* Label2;       // "Passes:"
    TNumberEdit* Edit2;   // passes
    QLabel* Label3;       // "Password"
    QLineEdit* Edit1;     // password
    QToolButton* SpeedButton1;
    QPushButton* Button1; // Wipe
    QPushButton* Button4; // Encrypt
    QPushButton* Button5; // Decrypt
    QPlainTextEdit* Memo1;
    QLabel* Label1;       // pass label
    QPushButton* Button2; // Clear list
    QProgressBar* ProgressBar1;
    QPushButton* Button3; // Exit
    QStatusBar* StatusBar1;
    QLabel* StatusText;   // StatusBar1's single text
    QFileDialog* OpenDialog1;
    QMenu* PopupMenu2;

    // Appends one row to the file list; duplicates are kept.
    void AddRow(const QString& path);
    // True while a command (or a box it shows) runs; others are refused.
    bool CommandRunning() const { return busy_; }

    // CommandWindow
    std::string PasswordText() override;
    void SetPasswordText(const std::string& text) override;
    std::string PassesText() override;
    int RowCount() override;
    std::string RowPath(int row) override;
    void ClearRows() override;
    void SetStatusText(const std::string& text) override;
    void ShowMessage(MessageKind kind, const std::string& text) override;
    bool Confirm(const std::string& text) override;
    bool AskPassword() override;
    std::string ClipboardText() override;
    void SetClipboardText(const std::string& text) override;
    void EmptyClipboard() override;
    void Beep() override;
    void SetBusyCursor(bool busy) override;
    void SetPassLabel(const std::string& text) override;
    void SetProgressMaximum(int maximum) override;
    void StepProgress() override;
    void SetProgressPosition(int position) override;
    void ClearRememberedFileName() override;

public slots:
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void SpeedButton1Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Runs one command: refused while another runs, failures reported by the
    // top-level handler, and the busy cursor never left behind.
    template <class F>
    void RunCommand(F&& command);

    void Browse();
    void ClearList();

    bool busy_ = false;
    bool busyCursor_ = false;
    QString rememberedFileName_;
};

// The program's main window.
extern TForm1* Form1;

} // namespace tarnex
