#include "batch/output_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

#include "batch/standard_streams.h"
#include "research/message_text.h"

namespace velmora::batch {

using namespace velmora::research;

namespace {

constexpr std::size_t BufferBytes = 64 * 1024;
constexpr int WaitStepMs = 100;  // how often a waiting write looks at the stop flag
constexpr int MaxLinks = 40;     // as the kernel's own limit on a chain of links
constexpr std::string_view LeftoverPrefix = ".vb-";  // and six characters from mkostemp

bool Stopped(const std::atomic<bool>* stop) { return stop != nullptr && stop->load(); }

mode_t NewFileMode() {
    // The mode an ordinary newly created file would get; mkstemp's 0600 is
    // too strict for results meant to be shared.
    static const mode_t mode = [] {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        return static_cast<mode_t>(0666 & ~mask);
    }();
    return mode;
}

std::string DirectoryOf(const std::string& path) {
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

// The file that path names, links followed, and its status. A link that
// names no file yet leads to where the file is to be created.
int Resolve(const std::string& path, std::string& target, struct stat& status, bool& exists) {
    exists = ::stat(path.c_str(), &status) == 0;
    if (exists) {
        // The kernel follows every kind of link, /dev/stdout's too.
        if (!S_ISREG(status.st_mode)) {
            target = path;
            return 0;
        }
        char* real = ::realpath(path.c_str(), nullptr);
        if (real == nullptr) return errno;
        target = real;
        std::free(real);
        return 0;
    }
    if (errno != ENOENT) return errno;
    target = path;
    for (int hop = 0; hop <= MaxLinks; ++hop) {
        struct stat link {};
        if (::lstat(target.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return 0;
        std::vector<char> text(static_cast<std::size_t>(PATH_MAX) + 1);
        const ssize_t length = ::readlink(target.c_str(), text.data(), text.size() - 1);
        if (length <= 0) return length < 0 ? errno : ENOENT;
        const std::string next(text.data(), static_cast<std::size_t>(length));
        target = next.front() == '/' ? next : DirectoryOf(target) + "/" + next;
    }
    return ELOOP;
}

// Writes data to a descriptor that may be a pipe, FIFO or device: waits for
// room in short steps, and writes no more than fits without blocking.
int WriteWaiting(int fd, std::string_view data, const std::atomic<bool>* stop) {
    while (!data.empty()) {
        if (Stopped(stop)) return EINTR;
        pollfd ready{fd, POLLOUT, 0};
        const int polled = ::poll(&ready, 1, WaitStepMs);
        if (polled < 0 && errno != EINTR) return errno;
        if (polled <= 0) continue;
        if ((ready.revents & POLLNVAL) != 0) return EBADF;
        const ssize_t n = ::write(fd, data.data(), std::min<std::size_t>(data.size(), PIPE_BUF));
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            return errno;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

int WriteRegular(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

}  // namespace

int WriteFully(int fd, std::string_view text, const std::atomic<bool>* stop) {
    if (WasClosedAtStart(fd)) return EBADF;
    struct stat status {};
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) return WriteRegular(fd, text);
    return WriteWaiting(fd, text, stop);
}

bool WriteMessage(int fd, std::string_view text) {
    pollfd ready{fd, POLLOUT, 0};
    if (::poll(&ready, 1, 1000) != 1 || (ready.revents & POLLOUT) == 0) return false;
    const std::string_view part = text.substr(0, PIPE_BUF);
    return ::write(fd, part.data(), part.size()) == static_cast<ssize_t>(text.size());
}

TOutputFile::TOutputFile(std::string path, const std::atomic<bool>* stop, TOutputMode mode)
    : Path_(std::move(path)), Stop_(stop) {
    Open(mode);
}

void TOutputFile::Open(TOutputMode mode) {
    if (Path_ == "-") {
        Kind_ = TOutputKind::StandardOutput;
        Fd_ = STDOUT_FILENO;
        if (WasClosedAtStart(Fd_)) Fail(EBADF);
        return;
    }
    struct stat status {};
    bool exists = false;
    if (const int error = Resolve(Path_, Target_, status, exists)) Fail(error);
    if (exists && S_ISDIR(status.st_mode)) Fail(EISDIR);
    if (exists && (S_ISCHR(status.st_mode) || S_ISFIFO(status.st_mode))) {
        Kind_ = TOutputKind::Stream;
        // Not blocking: a FIFO without a reader is waited for, in steps
        // that look at the stop flag.
        for (;;) {
            Fd_ = ::open(Target_.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
            if (Fd_ >= 0) return;
            if (errno != ENXIO && errno != EINTR) Fail(errno);
            if (Stopped(Stop_))
                throw TOutputInterrupted("interrupted while opening '" + ForMessage(Path_) + "'");
            std::this_thread::sleep_for(std::chrono::milliseconds(WaitStepMs));
        }
    }
    if (exists && !S_ISREG(status.st_mode)) {
        const char* what = S_ISSOCK(status.st_mode) ? "a socket" : "a special file";
        throw TOutputError("cannot write '" + ForMessage(Path_) + "': it is " + what +
                           "; give a regular file, a character device or a FIFO");
    }
    if (mode == TOutputMode::Journal) {
        Kind_ = TOutputKind::Appended;
        Keep_ = true;
        Fd_ = ::open(Target_.c_str(),
                     O_WRONLY | O_APPEND | O_CREAT | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC,
                     NewFileMode());
        if (Fd_ < 0) Fail(errno);
        return;
    }
    if (exists && mode == TOutputMode::Append) {
        Kind_ = TOutputKind::Appended;
        Fd_ = ::open(Target_.c_str(), O_WRONLY | O_APPEND | O_NOCTTY | O_CLOEXEC);
        if (Fd_ < 0) Fail(errno);
        AppendFrom_ = static_cast<long long>(status.st_size);
        return;
    }
    Kind_ = TOutputKind::Regular;
    // Short, so that any name the file system accepts still leaves room.
    std::string pattern = DirectoryOf(Target_) + "/" + std::string(LeftoverPrefix) + "XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    Fd_ = ::mkostemp(name.data(), O_CLOEXEC);
    if (Fd_ < 0) Fail(errno);
    TempPath_ = name.data();
    const mode_t bits = exists ? (status.st_mode & 07777) : NewFileMode();
    if (::fchmod(Fd_, bits) != 0) Fail(errno);
    // Only root can give the file to its former owner; others keep theirs.
    if (exists && ::geteuid() == 0 && ::fchown(Fd_, status.st_uid, status.st_gid) != 0) Fail(errno);
}

TOutputFile::~TOutputFile() {
    if (!Committed_) Discard();
}

void TOutputFile::Write(std::string_view text) {
    if (Finished_) Fail(EBADF);
    Buffer_.append(text);
    if (Buffer_.size() >= BufferBytes) Flush();
}

void TOutputFile::Flush() {
    const int error = Kind_ == TOutputKind::Regular || Kind_ == TOutputKind::Appended
                          ? WriteRegular(Fd_, Buffer_)
                          : WriteWaiting(Fd_, Buffer_, Stop_);
    Buffer_.clear();
    if (error == EINTR) {
        Discard();
        throw TOutputInterrupted(
            "interrupted while writing " +
            (IsStandardOutput() ? std::string("standard output") : "'" + ForMessage(Path_) + "'"));
    }
    if (error != 0) Fail(error);
}

void TOutputFile::CutTo(std::uint64_t bytes) {
    if (!Keep_ || !Buffer_.empty() || ::ftruncate(Fd_, static_cast<off_t>(bytes)) != 0) {
        Fail(Keep_ && Buffer_.empty() ? errno : EINVAL);
    }
}

void TOutputFile::Finish() {
    if (Finished_) return;
    Flush();
    if ((Kind_ == TOutputKind::Regular || Kind_ == TOutputKind::Appended) && ::fsync(Fd_) != 0) {
        Fail(errno);
    }
    Finished_ = true;
}

void TOutputFile::Commit() {
    Finish();
    if (Kind_ != TOutputKind::StandardOutput) {
        const int fd = Fd_;
        Fd_ = -1;
        if (::close(fd) != 0) Fail(errno);
    }
    if (Kind_ == TOutputKind::Regular && ::rename(TempPath_.c_str(), Target_.c_str()) != 0) {
        Fail(errno);
    }
    Committed_ = true;
}

void TOutputFile::Fail(int error) {
    const std::string name = IsStandardOutput() ? "standard output" : "'" + ForMessage(Path_) + "'";
    Discard();
    throw TOutputError("cannot write " + name + ": " + std::strerror(error));
}

void TOutputFile::Discard() noexcept {
    Buffer_.clear();
    if (Kind_ == TOutputKind::Appended && !Keep_ && Fd_ >= 0) {
        // Back to what the file held before; what was appended is abandoned.
        const int cut = ::ftruncate(Fd_, static_cast<off_t>(AppendFrom_));
        static_cast<void>(cut);  // best effort: nothing more can be done here
    }
    if (Fd_ >= 0 && Kind_ != TOutputKind::StandardOutput) ::close(Fd_);
    Fd_ = -1;
    if (!TempPath_.empty()) {
        ::unlink(TempPath_.c_str());
        TempPath_.clear();
    }
}

TFolderLock::TFolderLock(const std::string& folder) {
    Fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (Fd_ < 0) {
        throw TOutputError("cannot open '" + ForMessage(folder) + "': " + std::strerror(errno));
    }
    if (::flock(Fd_, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(Fd_);
        if (error == EWOULDBLOCK) {
            throw TFolderBusy("'" + ForMessage(folder) +
                              "' is in use by another velmora-batch; wait for it to end");
        }
        throw TOutputError("cannot lock '" + ForMessage(folder) + "': " + std::strerror(error));
    }
}

TFolderLock::~TFolderLock() { ::close(Fd_); }

bool IsLeftover(std::string_view name) noexcept {
    if (name.size() != LeftoverPrefix.size() + 6 || name.substr(0, 4) != LeftoverPrefix) {
        return false;
    }
    return std::all_of(name.begin() + 4, name.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

void RemoveLeftovers(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        throw TOutputError("cannot read '" + ForMessage(folder) + "': " + std::strerror(errno));
    }
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        if (IsLeftover(entry->d_name)) names.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    for (const std::string& name : names) {
        const std::string path = folder + "/" + name;
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) continue;
        if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
            throw TOutputError("cannot remove '" + ForMessage(path) + "': " + std::strerror(errno));
        }
    }
}

}  // namespace velmora::batch
