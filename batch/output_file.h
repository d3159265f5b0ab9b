#pragma once

#include <atomic>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace velmora::batch {

// Writing an output failed; the message names the file and the reason.
class TOutputError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A write was given up because the stop flag was raised while it waited.
class TOutputInterrupted : public TOutputError {
  public:
    using TOutputError::TOutputError;
};

// What an output of the tool is, once its path has been looked at.
enum class TOutputKind {
    StandardOutput,  // "-"
    Regular,         // written aside, renamed into place by Commit
    Appended,        // an existing regular file grown in place (TOutputMode::Append)
    Stream,          // a character device or FIFO, written directly
};

enum class TOutputMode {
    Replace,  // the file appears complete or not at all
    Append,   // a regular file keeps its content and grows; cut back if abandoned
    // A regular file written in place and kept as far as it got, even if
    // abandoned: an experiment's rows, which a resumed run goes on from.
    Journal,
};

// Every file the tools write goes through this class. A regular file is
// written aside under a short temporary name in the same directory and
// renamed over the target only by Commit, keeping the old file's permission
// bits; until then an older file stays as it was, and a failed or abandoned
// output leaves no trace. A symbolic link is followed, so the link stays and
// its target is replaced. Character devices and FIFOs are written directly;
// sockets and other special files are refused. A journal is never reached
// through a link.
//
// Writes are buffered. One that cannot proceed (a pipe whose reader stalls)
// waits in short steps and gives up with TOutputInterrupted once stop is
// raised. Several outputs may be open at once; each is independent.
class TOutputFile {
  public:
    // Opens the output at once, so an unwritable path fails before any work
    // is done. Throws TOutputError.
    explicit TOutputFile(std::string path, const std::atomic<bool>* stop = nullptr,
                         TOutputMode mode = TOutputMode::Replace);
    ~TOutputFile();
    TOutputFile(const TOutputFile&) = delete;
    TOutputFile& operator=(const TOutputFile&) = delete;

    void Write(std::string_view text);  // throws TOutputError
    // Hands what is buffered to the system, so that a killed program keeps it.
    void Flush();  // throws TOutputError
    // Cuts a journal back to its first `bytes` bytes, before anything is written.
    void CutTo(std::uint64_t bytes);  // throws TOutputError
    // Writes out everything and makes it durable; the file is not yet in
    // place. Lets a caller finish several files before committing any.
    void Finish();  // throws TOutputError
    // Finishes if need be, then puts the file in place.
    void Commit();  // throws TOutputError

    const std::string& Path() const noexcept { return Path_; }
    TOutputKind Kind() const noexcept { return Kind_; }
    bool IsStandardOutput() const noexcept { return Kind_ == TOutputKind::StandardOutput; }

  private:
    void Open(TOutputMode mode);
    [[noreturn]] void Fail(int error);
    void Discard() noexcept;

    std::string Path_;    // as given, for messages
    std::string Target_;  // the file that is replaced: Path_ with links followed
    std::string TempPath_;
    const std::atomic<bool>* Stop_;
    TOutputKind Kind_ = TOutputKind::Regular;
    int Fd_ = -1;
    long long AppendFrom_ = 0;  // size of an appended file before this run
    bool Keep_ = false;         // a journal: what was written stays
    std::string Buffer_;
    bool Finished_ = false;
    bool Committed_ = false;
};

// An exclusive hold on a folder for as long as the object lives, so that a
// second writer is turned away at once; the kernel lets go when the process
// dies, however it dies. Puts no file in the folder.
class TFolderLock {
  public:
    // Throws TFolderBusy when another process holds the folder, TOutputError
    // when it cannot be opened.
    explicit TFolderLock(const std::string& folder);
    ~TFolderLock();
    TFolderLock(const TFolderLock&) = delete;
    TFolderLock& operator=(const TFolderLock&) = delete;

  private:
    int Fd_ = -1;
};

class TFolderBusy : public TOutputError {
  public:
    using TOutputError::TOutputError;
};

// Whether a file name is one TOutputFile writes aside before its commit.
bool IsLeftover(std::string_view name) noexcept;

// Removes from the folder (not below it) the regular files that outputs
// abandoned by a killed process left there; nothing else. Throws TOutputError.
void RemoveLeftovers(const std::string& folder);

// Writes all of text to a descriptor the caller owns (standard output or
// error), waiting in short steps while it is not writable and giving up once
// stop is raised. Returns 0 or the errno of the failure (EINTR: stopped).
int WriteFully(int fd, std::string_view text, const std::atomic<bool>* stop);

// Writes a short message (under 4 KiB) to a descriptor the caller owns,
// waiting at most about a second for room: a stream nobody reads must not
// hold up a program that is stopping. Returns whether it was written.
bool WriteMessage(int fd, std::string_view text);

}  // namespace velmora::batch
