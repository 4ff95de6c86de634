#include "engine/Output.h"

#include "engine/Interrupts.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

namespace tarnex {
namespace {

constexpr const char* kTemporarySuffix = ".tarnex-part";
// Room for the dot, the random part and the suffix within a name's 255 bytes.
constexpr std::size_t kNameRoom = 200;

std::string RandomTag()
{
    unsigned char bytes[6] = {};
    if (::getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
        // Only uniqueness matters here; O_EXCL settles any clash.
        static unsigned counter = 0;
        const unsigned long mix = static_cast<unsigned long>(::getpid()) * 2654435761u + ++counter;
        for (std::size_t i = 0; i < sizeof bytes; ++i)
            bytes[i] = static_cast<unsigned char>(mix >> (8 * (i % sizeof mix)));
    }
    std::string tag;
    char hex[3];
    for (const unsigned char b : bytes) {
        std::snprintf(hex, sizeof hex, "%02x", b);
        tag += hex;
    }
    return tag;
}

// ".<name>.<random>.tarnex-part" beside the output: hidden, never a name a
// user's file has, and plain about what it is.
std::string HiddenName(const std::string& out)
{
    std::string name = NamePart(out);
    if (name.size() > kNameRoom) {
        std::size_t cut = kNameRoom;
        // Not in the middle of a UTF-8 sequence, so that it shows sensibly.
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;
        name.resize(cut);
    }
    return FolderPart(out) + "." + name + "." + RandomTag() + kTemporarySuffix;
}

std::string ProcPath(int fd)
{
    return "/proc/self/fd/" + std::to_string(fd);
}

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

std::optional<OutputTarget> InspectOutput(const std::string& out, const struct stat& input)
{
    OutputTarget target;
    if (::lstat(out.c_str(), &target.st) != 0)
        return errno == ENOENT ? std::optional<OutputTarget>(OutputTarget{}) : std::nullopt;
    if (!S_ISREG(target.st.st_mode) || SameFile(target.st, input))
        return std::nullopt;
    // Replacing it must not do what writing into it could not.
    if (::faccessat(AT_FDCWD, out.c_str(), W_OK, AT_EACCESS) != 0)
        return std::nullopt;
    target.exists = true;
    return target;
}

bool PendingOutput::Create(const std::string& out, const OutputTarget& target, bool allowNamed)
{
    Abandon();
    out_ = out;
    target_ = target;
    // Linking an unnamed file needs /proc unless the program may do
    // AT_EMPTY_PATH links; without it only a named file will do.
    static const bool haveProc = ::access("/proc/self/fd", X_OK) == 0;
    if (haveProc) {
        fd_ = UniqueFd(::open(FolderArgument(FolderPart(out)), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
        if (fd_)
            return true;
    }
    if (!allowNamed)
        return false;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = HiddenName(out);
        // Known to the interrupt handler before it exists, so that no signal
        // falls between its creation and its registration.
        RegisterTemporary(name);
        fd_ = UniqueFd(::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600));
        if (fd_) {
            tempName_ = name;
            return true;
        }
        const int error = errno;
        ForgetTemporary();
        if (error != EEXIST)
            return false;
    }
    return false;
}

bool PendingOutput::Reopen()
{
    if (!fd_)
        return false;
    UniqueFd again(Named() ? ::open(tempName_.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY)
                           : ::open(ProcPath(fd_.Get()).c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY));
    struct stat was, now;
    if (!again || ::fstat(fd_.Get(), &was) != 0 || ::fstat(again.Get(), &now) != 0 || !SameFile(was, now))
        return false;
    fd_ = std::move(again);
    return true;
}

int PendingOutput::LinkUnder(const std::string& name)
{
    if (::linkat(AT_FDCWD, ProcPath(fd_.Get()).c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return 0;
    if (errno == ENOENT && ::linkat(fd_.Get(), "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0)
        return 0;
    return errno;
}

void PendingOutput::Commit()
{
    const char* operation = target_.exists ? "Replacing" : "Creating";
    if (target_.exists) {
        const struct stat& old = target_.st;
        // Only root may give a file away; anyone else keeps it as their own.
        if (old.st_uid != ::geteuid() || old.st_gid != ::getegid())
            (void)::fchown(fd_.Get(), old.st_uid, old.st_gid);
        if (::fchmod(fd_.Get(), old.st_mode & 07777) != 0)
            ThrowFileError(operation, out_, errno);
    }
    if (!Named()) {
        // A new output takes its name in one step; one that replaces an
        // existing file needs a name to rename from.
        int error = target_.exists ? EEXIST : LinkUnder(out_);
        if (error == 0) {
            fd_.Reset();
            return;
        }
        for (int attempt = 0; error == EEXIST && attempt < 100; ++attempt) {
            const std::string name = HiddenName(out_);
            RegisterTemporary(name);
            error = LinkUnder(name);
            if (error == 0)
                tempName_ = name;
            else
                ForgetTemporary();
        }
        if (error != 0)
            ThrowFileError(operation, out_, error);
    }
    if (::rename(tempName_.c_str(), out_.c_str()) != 0)
        ThrowFileError(operation, out_, errno);
    ForgetTemporary();
    tempName_.clear();
    fd_.Reset();
}

void PendingOutput::Abandon() noexcept
{
    if (!tempName_.empty()) {
        ::unlink(tempName_.c_str());
        ForgetTemporary();
        tempName_.clear();
    }
    fd_.Reset();
}

} // namespace tarnex
