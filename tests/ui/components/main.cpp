#include "tests/ui/QtTestMain.h"

int main(int argc, char** argv)
{
    return tarnex::test::RunQtTests<QApplication>(argc, argv, "tarnex-components", [] {});
}
