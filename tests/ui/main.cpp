// One application object for every test of the windows, with the user's
// configuration and runtime folders moved to private temporary folders before
// anything can read or write them.
#include "ui/Application.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

QtMessageHandler previousHandler = nullptr;

// The offscreen platform says so for every window it shows or raises.
void QuietMessages(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.startsWith(QLatin1String("This plugin does not support")))
        return;
    if (previousHandler != nullptr)
        previousHandler(type, context, message);
}

std::string MakePrivateDir(const char* pattern)
{
    std::string path = (std::filesystem::temp_directory_path() / pattern).string();
    if (mkdtemp(path.data()) == nullptr)
        std::abort();
    return path;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string config = MakePrivateDir("tarnex-ui-config-XXXXXX");
    const std::string runtime = MakePrivateDir("tarnex-ui-runtime-XXXXXX");
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);

    testing::InitGoogleTest(&argc, argv);
    previousHandler = qInstallMessageHandler(QuietMessages);
    int result = 0;
    {
        tarnex::Application app(argc, argv);
        QApplication::setApplicationName(QStringLiteral("Tarnex Fast"));
        result = RUN_ALL_TESTS();
    }
    std::error_code ignored;
    std::filesystem::remove_all(config, ignored);
    std::filesystem::remove_all(runtime, ignored);
    return result;
}
