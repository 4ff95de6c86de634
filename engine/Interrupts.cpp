#include "engine/Interrupts.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace tarnex {
namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr std::size_t kSignalCount = sizeof kSignals / sizeof kSignals[0];

// What the handler may find, written only while its state says it is not
// there, so that a signal between two stores never reads half a name.
struct Slot {
    std::atomic<bool> set{false};
    char first[PATH_MAX + 1] = {};
    char second[PATH_MAX + 1] = {};
};
static_assert(std::atomic<bool>::is_always_lock_free, "the handler reads it");
static_assert(std::atomic<int>::is_always_lock_free, "the handler reads it");

Slot g_temporary;
Slot g_moved;
std::atomic<int> g_busy{0};
struct sigaction g_previous[kSignalCount];
std::once_flag g_installOnce;

bool Fill(char (&to)[PATH_MAX + 1], const std::string& from) noexcept
{
    if (from.size() > PATH_MAX || from.find('\0') != std::string::npos)
        return false;
    std::memcpy(to, from.data(), from.size());
    to[from.size()] = '\0';
    return true;
}

void UndoRegistered() noexcept
{
    if (g_temporary.set.exchange(false))
        ::unlink(g_temporary.first);
    if (g_moved.set.exchange(false))
        MoveNoReplace(g_moved.first, g_moved.second);
}

void OnInterrupt(int sig, siginfo_t* info, void* context)
{
    const int savedErrno = errno;
    std::size_t index = 0;
    while (index < kSignalCount && kSignals[index] != sig)
        ++index;
    if (g_busy.load() == 0 && index < kSignalCount) {
        const struct sigaction& previous = g_previous[index];
        if ((previous.sa_flags & SA_SIGINFO) != 0 && previous.sa_sigaction != nullptr) {
            previous.sa_sigaction(sig, info, context);
            errno = savedErrno;
            return;
        }
        if ((previous.sa_flags & SA_SIGINFO) == 0 && previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
            previous.sa_handler(sig);
            errno = savedErrno;
            return;
        }
    }
    UndoRegistered();
    // The signal is blocked while its handler runs: raised now, it ends the
    // program by its default action as soon as the handler returns.
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    ::sigaction(sig, &byDefault, nullptr);
    ::raise(sig);
    errno = savedErrno;
}

} // namespace

bool MoveNoReplace(const char* path, const char* target) noexcept
{
    if (::renameat2(AT_FDCWD, path, AT_FDCWD, target, RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return false;
    if (::link(path, target) != 0)
        return false;
    if (::unlink(path) != 0) {
        const int error = errno;
        ::unlink(target);
        errno = error;
        return false;
    }
    return true;
}

void InstallInterruptCleanup()
{
    std::call_once(g_installOnce, [] {
        for (std::size_t i = 0; i < kSignalCount; ++i) {
            struct sigaction current {};
            if (::sigaction(kSignals[i], nullptr, &current) != 0)
                continue;
            if ((current.sa_flags & SA_SIGINFO) == 0 && current.sa_handler == SIG_IGN)
                continue;
            g_previous[i] = current;
            struct sigaction ours {};
            ours.sa_sigaction = OnInterrupt;
            ours.sa_flags = SA_SIGINFO | SA_RESTART;
            sigemptyset(&ours.sa_mask);
            for (const int other : kSignals)
                sigaddset(&ours.sa_mask, other);
            ::sigaction(kSignals[i], &ours, nullptr);
        }
    });
}

FilesAtHand::FilesAtHand()
{
    ++g_busy;
}

FilesAtHand::~FilesAtHand()
{
    --g_busy;
}

void RegisterTemporary(const std::string& path) noexcept
{
    g_temporary.set = false;
    if (Fill(g_temporary.first, path))
        g_temporary.set = true;
}

void ForgetTemporary() noexcept
{
    g_temporary.set = false;
}

void RegisterMovedFile(const std::string& working, const std::string& listed) noexcept
{
    g_moved.set = false;
    if (Fill(g_moved.first, working) && Fill(g_moved.second, listed))
        g_moved.set = true;
}

void ForgetMovedFile() noexcept
{
    g_moved.set = false;
}

} // namespace tarnex
