// The program's three windows, built as at start-up, for one test.
#pragma once

#include "engine/Commands.h"
#include "QtPrinters.h"
#include "ui/EngineWindow.h"
#include "ui/Unit1.h"
#include "ui/Unit2.h"
#include "ui/Unit3.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>

namespace tarnex::test {

class WindowsTest : public testing::Test {
protected:
    void SetUp() override
    {
        form1 = std::make_unique<TForm1>();
        Form1 = form1.get();
        form2 = std::make_unique<TForm2>();
        Form2 = form2.get();
        passDialog = std::make_unique<Tpass>();
        pass = passDialog.get();
        FilesChosen = false;
        WipeSucceeded = false;
    }

    void TearDown() override
    {
        pass = nullptr;
        Form2 = nullptr;
        Form1 = nullptr;
        passDialog.reset();
        form2.reset();
        form1.reset();
    }

    QStringList Rows() const
    {
        QStringList rows;
        for (int i = 0; i < form1->ListView1->topLevelItemCount(); ++i)
            rows << form1->ListView1->topLevelItem(i)->text(0);
        return rows;
    }

    std::unique_ptr<TForm1> form1;
    std::unique_ptr<TForm2> form2;
    std::unique_ptr<Tpass> passDialog;
};

inline void WriteFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

// A step for the file-open dialog: choose these existing files.
inline auto ChooseFiles(QStringList paths)
{
    return [paths](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        dialog->setDirectory(QFileInfo(paths.front()).absolutePath());
        QStringList quoted;
        for (const QString& p : paths)
            quoted << QLatin1Char('"') + QFileInfo(p).fileName() + QLatin1Char('"');
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(paths.size() == 1 ? QFileInfo(paths.front()).fileName() : quoted.join(QLatin1Char(' ')));
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog::accept is protected
    };
}

// A step for the password dialog: type the text and press OK. OK is pressed
// from the dialog's event loop, as a user's click is: a command may run (and
// show its boxes) from the OK itself, and those boxes are the script's next
// steps.
inline auto TypePassword(QString text)
{
    return [text](QWidget* modal) {
        auto* dialog = qobject_cast<Tpass*>(modal);
        ASSERT_NE(dialog, nullptr);
        dialog->Edit1->setText(text);
        QMetaObject::invokeMethod(dialog->Button1, &QPushButton::click, Qt::QueuedConnection);
    };
}

} // namespace tarnex::test
