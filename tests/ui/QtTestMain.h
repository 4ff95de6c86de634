// The start of every Qt test program: one application object for all tests,
// with the user's configuration and runtime folders moved to private temporary
// folders before anything can read or write them.
#pragma once

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace tarnex::test {

inline QtMessageHandler previousMessageHandler = nullptr;

// The offscreen platform has no window manager and no tray and says so for
// every window it shows or raises.
inline void QuietMessages(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.startsWith(QLatin1String("This plugin does not support"))
        || message.contains(QLatin1String("systemTrayWindowChanged")))
        return;
    if (previousMessageHandler != nullptr)
        previousMessageHandler(type, context, message);
}

inline std::string MakePrivateDir(const std::string& pattern)
{
    std::string path = (std::filesystem::temp_directory_path() / pattern).string();
    if (mkdtemp(path.data()) == nullptr)
        std::abort();
    return path;
}

// Runs every test inside one App; `prefix` names the temporary folders.
template <typename App, typename Prepare>
int RunQtTests(int argc, char** argv, const std::string& prefix, Prepare prepare)
{
    const std::string config = MakePrivateDir(prefix + "-config-XXXXXX");
    const std::string runtime = MakePrivateDir(prefix + "-runtime-XXXXXX");
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);

    ::testing::InitGoogleTest(&argc, argv);
    previousMessageHandler = qInstallMessageHandler(QuietMessages);
    int result = 0;
    {
        App app(argc, argv);
        prepare();
        result = RUN_ALL_TESTS();
    }
    std::error_code ignored;
    std::filesystem::remove_all(config, ignored);
    std::filesystem::remove_all(runtime, ignored);
    return result;
}

} // namespace tarnex::test
