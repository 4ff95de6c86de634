// The main window: the file list, the password and passes boxes and the
// command buttons. The engine's commands run against it through
// CommandWindow.
#pragma once

#include "engine/CommandWindow.h"
#include "engine/Outcome.h"
#include "ui/components/ValEdit.h"

#include <QString>
#include <QWidget>

#include <string>

class QAction;
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

class TCaptionButton;
class TCoolTrayIcon;
class TFormEnhance;

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

    TFormEnhance* FormEnhance1;
    TCaptionButton* CaptionButton1;
    TCoolTrayIcon* CoolTrayIcon1;
    QMenu* PopupMenu1; // the tray menu
    QAction* Exit1;
    QAction* Waranty1;
    QAction* N1;
    QAction* open1;
    QAction* Wipefiles1;
    QAction* Decryptfiles1;
    QAction* Encryptfiles1;
    QAction* DecryptClipboard1;
    QAction* EncryptClipboard1;
    QAction* EmptyClipboard1;

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

    void CaptionButton1Click();
    void FormEnhance1DropFiles(const QStringList& Files, const QPoint& Pos);
    void Exit1Click();
    void Waranty1Click();
    void open1Click();
    void Wipefiles1Click();
    void Decryptfiles1Click();
    void Encryptfiles1Click();
    void DecryptClipboard1Click();
    void EncryptClipboard1Click();
    void EmptyClipboard1Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Runs one command: refused while another runs, failures reported by the
    // top-level handler, and the busy cursor never left behind.
    template <class F>
    void RunCommand(F&& command);

    void Browse();
    void ClearList();
    // Tray Encrypt and Decrypt: Browse, the password, then the command.
    void TrayFileCommand(CommandOutcome (*command)(CommandWindow&));

    bool busy_ = false;
    bool busyCursor_ = false;
    QString rememberedFileName_;
};

// The program's main window.
extern TForm1* Form1;

} // namespace tarnex
