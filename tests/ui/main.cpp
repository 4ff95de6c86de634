#include "tests/ui/QtTestMain.h"
#include "ui/Application.h"

int main(int argc, char** argv)
{
    return tarnex::test::RunQtTests<tarnex::Application>(argc, argv, "tarnex-ui", [] {
        QApplication::setApplicationName(QStringLiteral("Tarnex Fast"));
    });
}
