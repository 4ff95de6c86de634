// The main window: the file list, the password and passes boxes and the
// command buttons. The engine's commands run against it through its
// EngineWindow.
#pragma once

#include "ui/components/ValEdit.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

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

class CommandWindow;
class EngineWindow;
class TCaptionButton;
class TCoolTrayIcon;
class TFormEnhance;

class TForm1 : public QWidget {
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
    // Without a tray, the tray menu's way in: a button (and the window's own
    // context menu), shown only while there is no tray.
    QToolButton* MenuButton1;

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

    // Appends one row to the file list; duplicates are kept. A row holds the
    // path's bytes, which every command uses as they are.
    void AddRow(const QByteArray& path);
    void AddRow(const QString& path);
    // Appends the files as a drop does; refused while a command runs.
    void AppendFiles(const QList<QByteArray>& paths);
    // The path bytes of a row.
    QByteArray RowPathBytes(int row) const;
    // True while a command (or a box it shows) runs; others are refused.
    bool CommandRunning() const { return busy_; }

    // What the engine's commands see of this window.
    EngineWindow& Engine() { return *engine_; }
    // Forget the file name the file-open dialog would select next.
    void ForgetRememberedFileName();

public slots:
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void SpeedButton1Click();

    void CaptionButton1Click();
    void FormEnhance1DropFiles(const QList<QByteArray>& Files, const QPoint& Pos);
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
    void TrayFileCommand(const std::function<void(CommandWindow&)>& command);

    std::unique_ptr<EngineWindow> engine_;
    bool busy_ = false;
    // A close request that came while a command worked, carried out when it
    // has ended.
    bool closeRequested_ = false;
    QString rememberedFileName_;
};

// The program's main window.
extern TForm1* Form1;

} // namespace tarnex
