#include "tests/ui/QtTestMain.h"

int main(int argc, char** argv)
{
    return tarnex::testing::RunQtTests<QApplication>(argc, argv, "tarnex-components", [] {});
}
