#include "batch/output_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

namespace velmora::batch {

namespace {

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

std::string TempPattern(const std::string& path) {
    const std::filesystem::path target(path);
    const std::filesystem::path directory =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    std::string name = ".";
    name += target.filename().string();
    name += ".tmp-XXXXXX";
    return (directory / name).string();
}

}  // namespace

TOutputFile::TOutputFile(std::string path) : Path_(std::move(path)) {
    if (IsStandardOutput()) {
        File_ = stdout;
        return;
    }
    struct stat status {};
    if (::stat(Path_.c_str(), &status) == 0 && S_ISDIR(status.st_mode))
        Fail("cannot write", EISDIR);
    std::string pattern = TempPattern(Path_);
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) Fail("cannot write", errno);
    TempPath_ = name.data();
    File_ = ::fdopen(fd, "w");
    if (File_ == nullptr) {
        const int error = errno;
        ::close(fd);
        Discard();
        Fail("cannot write", error);
    }
}

TOutputFile::~TOutputFile() {
    if (!Committed_) Discard();
}

void TOutputFile::Write(std::string_view text) {
    if (text.empty()) return;
    if (std::fwrite(text.data(), 1, text.size(), File_) != text.size()) {
        Fail("cannot write", errno);
    }
}

void TOutputFile::Commit() {
    if (IsStandardOutput()) {
        if (std::fflush(File_) != 0 || std::ferror(File_)) Fail("cannot write", errno);
        Committed_ = true;
        return;
    }
    if (std::fflush(File_) != 0 || std::ferror(File_)) Fail("cannot write", errno);
    const int fd = ::fileno(File_);
    if (::fchmod(fd, NewFileMode()) != 0 || ::fsync(fd) != 0) Fail("cannot write", errno);
    std::FILE* file = File_;
    File_ = nullptr;
    if (std::fclose(file) != 0) Fail("cannot write", errno);
    if (std::rename(TempPath_.c_str(), Path_.c_str()) != 0) Fail("cannot write", errno);
    Committed_ = true;
}

void TOutputFile::Fail(const std::string& what, int error) {
    const std::string name = IsStandardOutput() ? "standard output" : "'" + Path_ + "'";
    Discard();
    throw TOutputError(what + " " + name + ": " + std::strerror(error));
}

void TOutputFile::Discard() noexcept {
    if (IsStandardOutput()) return;
    if (File_ != nullptr) {
        std::fclose(File_);
        File_ = nullptr;
    }
    if (!TempPath_.empty()) {
        ::unlink(TempPath_.c_str());
        TempPath_.clear();
    }
}

}  // namespace velmora::batch
