// Loaded with LD_PRELOAD into velmora-batch by fault_test.py: counts the
// calls that open, write, rename, sync, cut, close or remove files under
// VB_FAULT_DIR, and at call VB_FAULT_AT does what VB_FAULT_MODE says:
//   kill    the process is killed before the call
//   tear    a write writes half its bytes, then the process is killed
//   enospc  this call and every later one that needs room fails with ENOSPC
//   eio     this call alone fails with EIO
// VB_FAULT_LOG names a file that receives the kind of every call counted,
// one a line, as the process ends.
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <string>
#include <vector>

namespace {

enum class TMode { None, Kill, Tear, NoSpace, IoError };

struct TState {
    std::string Dir;
    long At = 0;
    TMode Mode = TMode::None;
    std::atomic<long> Calls{0};
    std::atomic<bool> Full{false};
    std::vector<unsigned char> Ours = std::vector<unsigned char>(1 << 16, 0);  // by descriptor
    std::string Log;
    bool Logging = false;
};

TState& State() {
    static TState* state = [] {
        auto* s = new TState;
        if (const char* dir = getenv("VB_FAULT_DIR")) s->Dir = dir;
        if (const char* at = getenv("VB_FAULT_AT")) s->At = atol(at);
        const std::string mode = getenv("VB_FAULT_MODE") ? getenv("VB_FAULT_MODE") : "";
        s->Mode = mode == "kill"     ? TMode::Kill
                  : mode == "tear"   ? TMode::Tear
                  : mode == "enospc" ? TMode::NoSpace
                  : mode == "eio"    ? TMode::IoError
                                     : TMode::None;
        s->Logging = getenv("VB_FAULT_LOG") != nullptr;
        return s;
    }();
    return *state;
}

template <typename F>
F Real(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

bool Under(const char* path) {
    const TState& s = State();
    if (s.Dir.empty() || path == nullptr) return false;
    std::string full = path;
    if (full.empty() || full[0] != '/') {
        char cwd[4096];
        if (getcwd(cwd, sizeof cwd) == nullptr) return false;
        full = std::string(cwd) + "/" + full;
    }
    return full == s.Dir || full.compare(0, s.Dir.size() + 1, s.Dir + "/") == 0;
}

bool Ours(int fd) {
    return fd >= 0 && fd < static_cast<int>(State().Ours.size()) && State().Ours[fd] != 0;
}

void Mark(int fd, bool ours) {
    if (fd >= 0 && fd < static_cast<int>(State().Ours.size())) State().Ours[fd] = ours ? 1 : 0;
}

// What to do at a counted call: 0 go on, else the errno to fail with.
// needsRoom: a call that a full disk refuses.
int Decide(const char* kind, bool needsRoom, bool* tear = nullptr) {
    TState& s = State();
    const long n = ++s.Calls;
    if (s.Logging) {
        s.Log += kind;
        s.Log += '\n';
    }
    if (s.Mode == TMode::NoSpace && (n >= s.At || s.Full)) {
        s.Full = true;
        return needsRoom ? ENOSPC : 0;
    }
    if (n != s.At) return 0;
    switch (s.Mode) {
        case TMode::Kill:
            raise(SIGKILL);
            break;
        case TMode::Tear:
            if (tear != nullptr) {
                *tear = true;
                return 0;
            }
            raise(SIGKILL);
            break;
        case TMode::IoError:
            return EIO;
        default:
            break;
    }
    return 0;
}

int Fail(int error) {
    errno = error;
    return -1;
}

__attribute__((destructor)) void WriteLog() {
    const char* path = getenv("VB_FAULT_LOG");
    if (path == nullptr) return;
    static auto realOpen = Real<int (*)(const char*, int, ...)>("open");
    const int fd = realOpen(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return;
    static auto realWrite = Real<ssize_t (*)(int, const void*, size_t)>("write");
    const std::string& log = State().Log;
    if (realWrite(fd, log.data(), log.size()) < 0) perror("fault log");
    close(fd);
}

int OpenAs(const char* name, const char* path, int flags, va_list args) {
    const auto real = Real<int (*)(const char*, int, ...)>(name);
    const mode_t mode = (flags & O_CREAT) != 0 ? static_cast<mode_t>(va_arg(args, int)) : 0;
    if (Under(path)) {
        if (const int error = Decide("open", (flags & O_CREAT) != 0)) return Fail(error);
    }
    const int fd = real(path, flags, mode);
    Mark(fd, fd >= 0 && Under(path));
    return fd;
}

FILE* FopenAs(const char* name, const char* path, const char* how) {
    const auto real = Real<FILE* (*)(const char*, const char*)>(name);
    if (Under(path)) {
        if (const int error = Decide("fopen", how[0] != 'r')) {
            errno = error;
            return nullptr;
        }
    }
    FILE* file = real(path, how);
    if (file != nullptr) Mark(fileno(file), Under(path));
    return file;
}

}  // namespace

extern "C" {

int open(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const int fd = OpenAs("open", path, flags, args);
    va_end(args);
    return fd;
}

int open64(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const int fd = OpenAs("open64", path, flags, args);
    va_end(args);
    return fd;
}

FILE* fopen(const char* path, const char* how) { return FopenAs("fopen", path, how); }

FILE* fopen64(const char* path, const char* how) { return FopenAs("fopen64", path, how); }

int mkostemp(char* pattern, int flags) {
    static auto real = Real<int (*)(char*, int)>("mkostemp");
    if (Under(pattern)) {
        if (const int error = Decide("mkostemp", true)) return Fail(error);
    }
    const int fd = real(pattern, flags);
    Mark(fd, fd >= 0 && Under(pattern));
    return fd;
}

ssize_t write(int fd, const void* data, size_t size) {
    static auto real = Real<ssize_t (*)(int, const void*, size_t)>("write");
    if (Ours(fd)) {
        bool tear = false;
        if (const int error = Decide("write", true, &tear)) return Fail(error);
        if (tear) {
            if (size > 1) real(fd, data, size / 2);
            raise(SIGKILL);
        }
    }
    return real(fd, data, size);
}

int fsync(int fd) {
    static auto real = Real<int (*)(int)>("fsync");
    if (Ours(fd)) {
        if (const int error = Decide("fsync", true)) return Fail(error);
    }
    return real(fd);
}

int ftruncate(int fd, off_t length) {
    static auto real = Real<int (*)(int, off_t)>("ftruncate");
    if (Ours(fd)) {
        if (const int error = Decide("ftruncate", false)) return Fail(error);
    }
    return real(fd, length);
}

int close(int fd) {
    static auto real = Real<int (*)(int)>("close");
    const bool ours = Ours(fd);
    Mark(fd, false);
    if (ours) {
        if (const int error = Decide("close", false)) {
            real(fd);
            return Fail(error);
        }
    }
    return real(fd);
}

int rename(const char* from, const char* to) {
    static auto real = Real<int (*)(const char*, const char*)>("rename");
    if (Under(to)) {
        if (const int error = Decide("rename", true)) return Fail(error);
    }
    return real(from, to);
}

int unlink(const char* path) {
    static auto real = Real<int (*)(const char*)>("unlink");
    if (Under(path)) {
        if (const int error = Decide("unlink", false)) return Fail(error);
    }
    return real(path);
}

int mkdir(const char* path, mode_t mode) {
    static auto real = Real<int (*)(const char*, mode_t)>("mkdir");
    if (Under(path)) {
        if (const int error = Decide("mkdir", true)) return Fail(error);
    }
    return real(path, mode);
}

}  // extern "C"
