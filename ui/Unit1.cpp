#include "ui/Unit1.h"

#include "engine/Commands.h"
#include "ui/ClipboardCommands.h"
#include "ui/EngineWindow.h"
#include "ui/Artwork.h"
#include "ui/Messages.h"
#include "ui/OpenDialog.h"
#include "ui/ProgressBar.h"
#include "ui/Readable.h"
#include "ui/Unit2.h"
#include "ui/Unit3.h"
#include "ui/components/CaptBtn.h"
#include "ui/components/CoolTrayIcon.h"
#include "ui/components/Formenh.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QToolButton>
#include <QTreeWidget>

namespace tarnex {

TForm1* Form1 = nullptr;

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, int left, int top)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    // No caption is markup, and the pass label is written while a wipe runs.
    label->setTextFormat(Qt::PlainText);
    label->move(left, top);
    label->adjustSize();
    return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, const QRect& geometry)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    // Enter presses the button that has the focus; the window has no
    // default button for Enter elsewhere.
    button->setAutoDefault(true);
    return button;
}

} // namespace

TForm1::TForm1(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
{
    engine_ = std::make_unique<EngineWindow>(*this);
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Tarnex Fast  v3.1.1"));
    setFont(FormFont());
    setFixedSize(391, 281);
    move(192, 107);

    ListView1 = new QTreeWidget(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setGeometry(0, 0, 391, 150);
    ListView1->setColumnCount(1);
    ListView1->setHeaderLabels({QStringLiteral("Files to Encrypt/Decrypt or Erase")});
    ListView1->header()->setStretchLastSection(false);
    ListView1->header()->setSectionsClickable(false);
    ListView1->header()->setSectionsMovable(false);
    ListView1->setColumnWidth(0, 400);
    ListView1->setRootIsDecorated(false);
    ListView1->setItemsExpandable(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setToolTip(QStringLiteral("Drag files over or press Browse..."));
    ListView1->setContextMenuPolicy(Qt::CustomContextMenu);

    Label2 = MakeLabel(this, "Label2", QStringLiteral("Passes:"), 8, 163);

    Edit2 = new TNumberEdit(this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->SetKind(TNumberEditKind::neDec);
    Edit2->SetMaxValue(0);
    Edit2->setGeometry(56, 160, 25, 21);
    Edit2->setText(QStringLiteral("3"));

    Label3 = MakeLabel(this, "Label3", QStringLiteral("Password"), 120, 163);

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    // Password echo also keeps the typing out of reach of undo.
    Edit1->setEchoMode(QLineEdit::Password);
    UseStarMask(Edit1);
    Edit1->setGeometry(176, 160, 153, 21);
    Edit1->setToolTip(QStringLiteral("Password"));

    SpeedButton1 = new QToolButton(this);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setGeometry(360, 160, 25, 25);
    SpeedButton1->setAutoRaise(true);
    SpeedButton1->setFocusPolicy(Qt::NoFocus);
    SpeedButton1->setIcon(BrowseGlyph());
    SpeedButton1->setIconSize(QSize(16, 16));
    SpeedButton1->setToolTip(QStringLiteral("Browse"));

    Button1 = MakeButton(this, "Button1", QStringLiteral("&Wipe"), QRect(8, 184, 73, 22));
    Button4 = MakeButton(this, "Button4", QStringLiteral("&Encrypt"), QRect(176, 184, 65, 22));
    Button5 = MakeButton(this, "Button5", QStringLiteral("&Decrypt"), QRect(264, 184, 65, 22));

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(104, 184, 57, 41);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setFocusPolicy(Qt::NoFocus);
    Memo1->hide();

    Label1 = MakeLabel(this, "Label1", QStringLiteral("Pass #:"), 8, 216);

    Button2 = MakeButton(this, "Button2", QStringLiteral("&Clear list"), QRect(176, 232, 121, 22));
    Button2->setToolTip(QStringLiteral("Clear one or all items in the list"));

    ProgressBar1 = new TProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(8, 240, 113, 12);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);

    Button3 = MakeButton(this, "Button3", QStringLiteral("E&xit"), QRect(320, 232, 65, 22));

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setGeometry(0, 281 - 19, 391, 19);
    StatusBar1->setSizeGripEnabled(false);
    StatusText = new QLabel(QStringLiteral("Ready"), StatusBar1);
    StatusText->setObjectName(QStringLiteral("StatusText"));
    // It names the file being wiped, which may look like markup.
    StatusText->setTextFormat(Qt::PlainText);
    StatusBar1->addWidget(StatusText, 1);

    // Button2 and Button3 both answer Esc; the first in the window's order
    // takes it, so Esc clears the list rather than ending the program.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, Button2, &QPushButton::click);

    QWidget::setTabOrder(Button1, Edit2);
    QWidget::setTabOrder(Edit2, ListView1);
    QWidget::setTabOrder(ListView1, Button2);
    QWidget::setTabOrder(Button2, Button3);
    QWidget::setTabOrder(Button3, Button4);
    QWidget::setTabOrder(Button4, Button5);
    QWidget::setTabOrder(Button5, Edit1);

    // A window of its own, not a child of this one: it must open the same
    // way whether the main window is on screen or hidden in the tray.
    OpenDialog1 = MakeOpenDialog(QDir::homePath(), {});

    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    QAction* selectFiles = PopupMenu2->addAction(QStringLiteral("&Select Files"));
    selectFiles->setObjectName(QStringLiteral("SelectFiles1"));
    QAction* clearList = PopupMenu2->addAction(QStringLiteral("&Clear List"));
    clearList->setObjectName(QStringLiteral("ClearList1"));
    connect(selectFiles, &QAction::triggered, this, &TForm1::SpeedButton1Click);
    connect(clearList, &QAction::triggered, this, &TForm1::Button2Click);
    connect(ListView1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenu2->popup(ListView1->viewport()->mapToGlobal(pos)); });

    connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &TForm1::Button4Click);
    connect(Button5, &QPushButton::clicked, this, &TForm1::Button5Click);
    connect(SpeedButton1, &QToolButton::clicked, this, &TForm1::SpeedButton1Click);

    CaptionButton1 = new TCaptionButton(this);
    CaptionButton1->setObjectName(QStringLiteral("CaptionButton1"));
    CaptionButton1->SetGlyph(InfoGlyph());
    CaptionButton1->SetRightMargin(70);
    CaptionButton1->OnClick = [this](TCaptionButton*) { CaptionButton1Click(); };

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    auto addItem = [this](const char* name, const char* caption, void (TForm1::*handler)()) {
        QAction* item = PopupMenu1->addAction(QString::fromLatin1(caption));
        item->setObjectName(QString::fromLatin1(name));
        connect(item, &QAction::triggered, this, handler);
        return item;
    };
    Exit1 = addItem("Exit1", "E&xit", &TForm1::Exit1Click);
    Waranty1 = addItem("Waranty1", "Wa&rranty", &TForm1::Waranty1Click);
    N1 = PopupMenu1->addSeparator();
    N1->setObjectName(QStringLiteral("N1"));
    open1 = addItem("open1", "&Open", &TForm1::open1Click);
    Wipefiles1 = addItem("Wipefiles1", "&Wipe files", &TForm1::Wipefiles1Click);
    Decryptfiles1 = addItem("Decryptfiles1", "&Decrypt files", &TForm1::Decryptfiles1Click);
    Encryptfiles1 = addItem("Encryptfiles1", "&Encrypt files", &TForm1::Encryptfiles1Click);
    DecryptClipboard1 = addItem("DecryptClipboard1", "Decrypt Clip&board", &TForm1::DecryptClipboard1Click);
    EncryptClipboard1 = addItem("EncryptClipboard1", "Encrypt &Clipboard", &TForm1::EncryptClipboard1Click);
    EmptyClipboard1 = addItem("EmptyClipboard1", "E&mpty Clipboard", &TForm1::EmptyClipboard1Click);

    // In the free space beside Wipe, where the hidden Memo1 lies.
    MenuButton1 = new QToolButton(this);
    MenuButton1->setObjectName(QStringLiteral("MenuButton1"));
    MenuButton1->setText(QStringLiteral("&Menu"));
    MenuButton1->setGeometry(104, 184, 57, 22);
    MenuButton1->setPopupMode(QToolButton::InstantPopup);
    MenuButton1->setMenu(PopupMenu1);
    // Reached by Alt+M; the Tab order stays that of the buttons above.
    MenuButton1->setFocusPolicy(Qt::NoFocus);
    MenuButton1->hide();
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (!MenuButton1->isHidden())
            PopupMenu1->popup(mapToGlobal(pos));
    });

    CoolTrayIcon1 = new TCoolTrayIcon(this);
    CoolTrayIcon1->setObjectName(QStringLiteral("CoolTrayIcon1"));
    CoolTrayIcon1->SetHint(QStringLiteral("Tarnex Fast"));
    CoolTrayIcon1->SetShowHint(true);
    // Panels ask for their own sizes: the installed scalable icon by name
    // when there is one, else every size drawn here.
    CoolTrayIcon1->SetIcon(QIcon::fromTheme(QStringLiteral("tarnexfast"), AppIcon()));
    CoolTrayIcon1->SetPopupMenu(PopupMenu1);
    CoolTrayIcon1->SetLeftPopup(true);
    CoolTrayIcon1->SetStartMinimized(true);
    CoolTrayIcon1->SetMinimizeToTray(true);
    CoolTrayIcon1->OnTrayChange = [this](TCoolTrayIcon*, bool available) { MenuButton1->setVisible(!available); };

    // Last, once the window is complete: the saved placement first, then the
    // tray decides whether the window starts hidden.
    FormEnhance1 = new TFormEnhance(this);
    FormEnhance1->setObjectName(QStringLiteral("FormEnhance1"));
    FormEnhance1->SetSaveName(QStringLiteral("\\Software\\tarnexfs3"));
    FormEnhance1->SetSaveKey(QStringLiteral("Vantor122"));
    FormEnhance1->OnDropFiles = [this](const QList<QByteArray>& files, const QPoint& pos) {
        FormEnhance1DropFiles(files, pos);
    };
    FormEnhance1->Loaded();
    CoolTrayIcon1->Loaded();
    MenuButton1->setVisible(!CoolTrayIcon1->TrayAvailable());
    // The first control of the tab order has the focus when the window is
    // first shown.
    Button1->setFocus(Qt::OtherFocusReason);
}

TForm1::~TForm1()
{
    DisposeOpenDialog(OpenDialog1);
}

template <class F>
void TForm1::RunCommand(F&& command)
{
    // A second command may arrive while the first waits in a modal box (the
    // tray and drops stay live there); it would see the list change under it.
    if (busy_) {
        QApplication::beep();
        return;
    }
    busy_ = true;
    RunGuarded(this, std::forward<F>(command));
    engine_->SetBusyCursor(false);
    busy_ = false;
    if (closeRequested_) {
        closeRequested_ = false;
        close();
    }
}

void TForm1::Button1Click()
{
    RunCommand([this] { WipeCommand(*engine_); });
}

void TForm1::Button2Click()
{
    RunCommand([this] { ClearList(); });
}

void TForm1::Button3Click()
{
    close();
}

void TForm1::Button4Click()
{
    RunCommand([this] { engine_->RunFileCommand([](CommandWindow& w) { EncryptFiles(w); }); });
}

void TForm1::Button5Click()
{
    RunCommand([this] { engine_->RunFileCommand([](CommandWindow& w) { DecryptFiles(w); }); });
}

void TForm1::SpeedButton1Click()
{
    RunCommand([this] { Browse(); });
}

void TForm1::CaptionButton1Click()
{
    RunCommand([] {
        if (Form2 != nullptr)
            Form2->exec();
    });
}

void TForm1::FormEnhance1DropFiles(const QList<QByteArray>& Files, const QPoint&)
{
    AppendFiles(Files);
}

void TForm1::AppendFiles(const QList<QByteArray>& paths)
{
    RunCommand([this, &paths] {
        for (const QByteArray& path : paths)
            AddRow(path);
    });
}

void TForm1::Exit1Click()
{
    // Not while a command waits in a box: it would go on after the loop ended.
    if (busy_) {
        QApplication::beep();
        return;
    }
    QCoreApplication::exit(0);
}

void TForm1::Waranty1Click()
{
    RunCommand([] {
        if (Form2 != nullptr) {
            Form2->Memo1->show();
            Form2->exec();
        }
    });
}

void TForm1::open1Click()
{
    CoolTrayIcon1->ShowMainWindow();
}

void TForm1::Wipefiles1Click()
{
    RunCommand([this] {
        Browse();
        if (!FilesChosen)
            return;
        CoolTrayIcon1->ShowMainWindow();
        WipeCommand(*engine_);
        CoolTrayIcon1->HideMainWindow();
        FilesChosen = false;
    });
}

void TForm1::TrayFileCommand(const std::function<void(CommandWindow&)>& command)
{
    RunCommand([this, &command] {
        Browse();
        if (!FilesChosen)
            return;
        if (!engine_->AskPassword()) {
            ListView1->clear();
            return;
        }
        CoolTrayIcon1->ShowMainWindow();
        engine_->RunFileCommand(command);
        CoolTrayIcon1->HideMainWindow();
        FilesChosen = false;
    });
}

void TForm1::Decryptfiles1Click()
{
    TrayFileCommand([](CommandWindow& w) { DecryptFiles(w); });
}

void TForm1::Encryptfiles1Click()
{
    TrayFileCommand([](CommandWindow& w) { EncryptFiles(w); });
}

void TForm1::DecryptClipboard1Click()
{
    RunCommand([this] {
        if (pass != nullptr)
            RunClipboardCommand(*this, *pass, &DecryptClipboard);
        else
            DecryptClipboard(*engine_);
    });
}

void TForm1::EncryptClipboard1Click()
{
    RunCommand([this] {
        if (pass != nullptr)
            RunClipboardCommand(*this, *pass, &EncryptClipboard);
        else
            EncryptClipboard(*engine_);
    });
}

void TForm1::EmptyClipboard1Click()
{
    RunCommand([this] { EmptyClipboardCommand(*engine_); });
}

void TForm1::closeEvent(QCloseEvent* event)
{
    // A command at work finishes first: its output would be left half made.
    if (busy_) {
        closeRequested_ = true;
        event->ignore();
        return;
    }
    // Closing the main window is one of the ways the program ends; the tray
    // keeps it alive through every other window closing.
    event->accept();
    QCoreApplication::exit(0);
}

void TForm1::Browse()
{
    // A new dialog every time: one kept from before shows the sizes and
    // entries its folder had then. It opens where the last one was left.
    const QString folder = OpenDialog1->directory().absolutePath();
    const QStringList history = OpenDialog1->history();
    DisposeOpenDialog(OpenDialog1);
    OpenDialog1 = MakeOpenDialog(folder, history);
    if (!rememberedFileName_.isEmpty())
        OpenDialog1->selectFile(rememberedFileName_);
    if (OpenDialog1->exec() != QDialog::Accepted) {
        FilesChosen = false;
        return;
    }
    const QList<QByteArray> files = ChosenPaths(*OpenDialog1);
    for (const QByteArray& file : files)
        AddRow(file);
    rememberedFileName_ = files.isEmpty() ? QString() : QFile::decodeName(files.front());
    FilesChosen = true;
}

void TForm1::ClearList()
{
    for (int row = 0; row < ListView1->topLevelItemCount(); ++row) {
        if (ListView1->topLevelItem(row)->isSelected()) {
            delete ListView1->takeTopLevelItem(row);
            return;
        }
    }
    ListView1->clear();
}

namespace {
constexpr int kPathRole = Qt::UserRole;
}

void TForm1::AddRow(const QByteArray& path)
{
    auto* item = new QTreeWidgetItem(ListView1);
    item->setData(0, kPathRole, path);
    item->setText(0, ReadableText(std::string_view(path.constData(), static_cast<std::size_t>(path.size()))));
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren);
}

void TForm1::AddRow(const QString& path)
{
    AddRow(QFile::encodeName(path));
}

QByteArray TForm1::RowPathBytes(int row) const
{
    const QTreeWidgetItem* item = ListView1->topLevelItem(row);
    return item != nullptr ? item->data(0, kPathRole).toByteArray() : QByteArray();
}

void TForm1::ForgetRememberedFileName()
{
    rememberedFileName_.clear();
    OpenDialog1->selectFile(QString());
}

} // namespace tarnex
