#include "cli/TerminalWindow.h"

#include "crypto/Tools.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <iterator>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace tarnex {
namespace {

// The terminal's settings while echo is off, so that an interrupt can put
// them back before the program dies.
int g_ttyFd = -1;
struct termios g_savedTty;
// A stop signal (Ctrl-Z) that came during a prompt without echo.
volatile sig_atomic_t g_stopSignal = 0;

constexpr int kStopSignals[] = {SIGTSTP, SIGTTIN, SIGTTOU};
// A password longer than this is no password; it also bounds a mistaken
// --password-file /dev/zero.
constexpr std::size_t kMaxLine = std::size_t{1} << 20;

void RestoreTtyAndDie(int sig)
{
    if (g_ttyFd >= 0)
        ::tcsetattr(g_ttyFd, TCSAFLUSH, &g_savedTty);
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

void NoteStop(int sig)
{
    g_stopSignal = sig;
}

void WriteAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += static_cast<std::size_t>(n);
    }
}

// Reads up to the first line feed, a block at a time; a carriage return
// before it is dropped. `waitReadable` runs before every read.
template <typename Wait>
std::optional<std::string> ReadLine(int fd, Wait waitReadable)
{
    char block[4096];
    std::string line;
    // Never moved, so that no copy of it is left unscrubbed.
    line.reserve(kMaxLine + sizeof block);
    int error = 0;
    for (;;) {
        // A terminal hands over one line per read; from a file, what follows
        // the first line is read but is not the password.
        waitReadable();
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = errno;
            break;
        }
        const auto count = static_cast<std::size_t>(n);
        const auto* end = static_cast<const char*>(std::memchr(block, '\n', count));
        line.append(block, end != nullptr ? static_cast<std::size_t>(end - block) : count);
        if (line.size() > kMaxLine) {
            error = EFBIG;
            break;
        }
        if (n == 0 || end != nullptr)
            break;
    }
    SecureZero(block, sizeof block);
    if (error != 0) {
        SecureZero(line.data(), line.size());
        errno = error;
        return std::nullopt;
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

} // namespace

bool ErrorIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}

bool HaveTerminal()
{
    const int tty = ::open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (tty < 0)
        return false;
    ::close(tty);
    return true;
}

std::optional<std::string> AskTerminal(const std::string& prompt, bool echo)
{
    const int tty = ::open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (tty < 0)
        return std::nullopt;
    WriteAll(tty, prompt);
    struct termios saved;
    const bool canHide = !echo && ::tcgetattr(tty, &saved) == 0;
    struct termios quiet = saved;
    struct sigaction restore {}, noteStop {}, oldInt {}, oldTerm {}, oldHup {}, oldStop[3] {};
    sigset_t stopSignals, openMask, savedMask;
    sigemptyset(&stopSignals);
    sigemptyset(&openMask);
    if (canHide) {
        g_savedTty = saved;
        g_ttyFd = tty;
        restore.sa_handler = RestoreTtyAndDie;
        ::sigaction(SIGINT, &restore, &oldInt);
        ::sigaction(SIGTERM, &restore, &oldTerm);
        ::sigaction(SIGHUP, &restore, &oldHup);
        // Suspended (Ctrl-Z), the prompt gives the shell its echo back and
        // takes it away again when resumed. The stop signals are let in only
        // while the prompt waits for input, so none can come between a check
        // and the wait.
        noteStop.sa_handler = NoteStop;
        for (std::size_t i = 0; i < 3; ++i) {
            ::sigaction(kStopSignals[i], &noteStop, &oldStop[i]);
            sigaddset(&stopSignals, kStopSignals[i]);
        }
        ::sigprocmask(SIG_BLOCK, &stopSignals, &savedMask);
        openMask = savedMask;
        sigdelset(&openMask, SIGTSTP);
        sigdelset(&openMask, SIGTTIN);
        sigdelset(&openMask, SIGTTOU);
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        ::tcsetattr(tty, TCSAFLUSH, &quiet);
    }
    const auto suspendIfAsked = [&] {
        const int sig = g_stopSignal;
        if (sig == 0)
            return;
        g_stopSignal = 0;
        ::tcsetattr(tty, TCSANOW, &saved);
        struct sigaction byDefault {};
        byDefault.sa_handler = SIG_DFL;
        ::sigaction(sig, &byDefault, nullptr);
        ::kill(::getpid(), sig);
        sigset_t only;
        sigemptyset(&only);
        sigaddset(&only, sig);
        ::sigprocmask(SIG_UNBLOCK, &only, nullptr); // stops here until resumed
        ::sigprocmask(SIG_BLOCK, &only, nullptr);
        ::sigaction(sig, &noteStop, nullptr);
        ::tcsetattr(tty, TCSANOW, &quiet);
    };
    const auto waitForInput = [&] {
        if (!canHide)
            return;
        for (;;) {
            suspendIfAsked();
            struct pollfd wait = {tty, POLLIN, 0};
            if (::ppoll(&wait, 1, nullptr, &openMask) >= 0 || errno != EINTR)
                return;
        }
    };
    std::optional<std::string> line = ReadLine(tty, waitForInput);
    if (canHide) {
        ::tcsetattr(tty, TCSAFLUSH, &saved);
        g_ttyFd = -1;
        ::sigaction(SIGINT, &oldInt, nullptr);
        ::sigaction(SIGTERM, &oldTerm, nullptr);
        ::sigaction(SIGHUP, &oldHup, nullptr);
        for (std::size_t i = 0; i < 3; ++i)
            ::sigaction(kStopSignals[i], &oldStop[i], nullptr);
        ::sigprocmask(SIG_SETMASK, &savedMask, nullptr);
    }
    ::close(tty);
    return line;
}

TerminalWindow::~TerminalWindow()
{
    SecureZero(password_.data(), password_.size());
}

bool TerminalWindow::LoadPassword()
{
    if (havePassword_)
        return true;
    if (passwordFile) {
        const int fd = ::open(passwordFile->c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
        std::optional<std::string> line;
        if (fd >= 0) {
            line = ReadLine(fd, [] {});
            ::close(fd);
        }
        if (!line) {
            EndProgressLine();
            std::cerr << "tarnexfast-cli: cannot read the password file " << *passwordFile << ": "
                      << std::strerror(errno) << '\n';
            return false;
        }
        password_ = std::move(*line);
        havePassword_ = true;
        return true;
    }
    std::optional<std::string> first = AskTerminal("Password: ", false);
    if (!first) {
        std::cerr << "tarnexfast-cli: no terminal to ask for the password; use --password-file\n";
        return false;
    }
    if (confirmPassword && !first->empty()) {
        std::optional<std::string> again = AskTerminal("Repeat password: ", false);
        const bool same = again && *again == *first;
        if (again)
            SecureZero(again->data(), again->size());
        if (!same) {
            SecureZero(first->data(), first->size());
            std::cerr << "Passwords do not match.\n";
            failed = true;
            return false;
        }
    }
    password_ = std::move(*first);
    havePassword_ = true;
    return true;
}

std::string TerminalWindow::PasswordText()
{
    return password_;
}

void TerminalWindow::SetPasswordText(const std::string& text)
{
    SecureZero(password_.data(), password_.size());
    password_ = text;
}

std::string TerminalWindow::RowPath(int row)
{
    currentFile_ = rows.at(static_cast<std::size_t>(row));
    return currentFile_;
}

void TerminalWindow::ClearRows()
{
    rows.clear();
}

void TerminalWindow::SetStatusText(const std::string& text)
{
    status_ = text;
    if (text == "Ready")
        EndProgressLine();
}

void TerminalWindow::ShowMessage(MessageKind kind, const std::string& text)
{
    EndProgressLine();
    if (kind != MessageKind::Plain)
        failed = true;
    std::cerr << text << '\n';
}

bool TerminalWindow::Confirm(const std::string& text)
{
    if (assumeYes)
        return true;
    EndProgressLine();
    std::optional<std::string> answer = AskTerminal(text + " [y/N] ", true);
    return answer && !answer->empty() && (answer->front() == 'y' || answer->front() == 'Y');
}

bool TerminalWindow::AskPassword()
{
    if (!LoadPassword()) {
        failed = true;
        return false;
    }
    if (password_.empty()) {
        std::cerr << "You have to write a password...\n";
        failed = true;
        return false;
    }
    return true;
}

std::string TerminalWindow::ClipboardText()
{
    std::string text(std::istreambuf_iterator<char>(std::cin), {});
    return text;
}

void TerminalWindow::SetClipboardText(const std::string& text)
{
    std::cout.write(text.data(), static_cast<std::streamsize>(text.size()));
}

void TerminalWindow::Beep()
{
    if (ErrorIsTerminal())
        WriteAll(STDERR_FILENO, "\a");
}

void TerminalWindow::ReportProgress(std::uint64_t done, std::uint64_t total)
{
    // Only long files get a progress line, and only on a terminal.
    constexpr std::uint64_t kWorthShowing = std::uint64_t{16} << 20;
    if (total < kWorthShowing || !ErrorIsTerminal())
        return;
    const int percent = static_cast<int>(done * 100 / total);
    if (percent == shownPercent_)
        return;
    shownPercent_ = percent;
    std::string line = "\r\033[K" + status_;
    if (status_.rfind("Working...", 0) == 0)
        line += " " + currentFile_;
    line += " " + std::to_string(percent) + "%";
    WriteAll(STDERR_FILENO, line);
}

void TerminalWindow::EndProgressLine()
{
    if (shownPercent_ >= 0) {
        WriteAll(STDERR_FILENO, "\r\033[K");
        shownPercent_ = -1;
    }
}

} // namespace tarnex
