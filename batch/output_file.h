#pragma once

#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>

namespace velmora::batch {

// Writing an output failed; the message names the file and the reason.
class TOutputError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// One output of the tool: standard output ("-"), or a file that appears
// complete or not at all. A file is written aside, in the same directory, and
// renamed over the target only by Commit; until then an older file of that
// name stays as it was, and a failed or abandoned output leaves no trace.
class TOutputFile {
  public:
    // Creates the file aside at once, so an unwritable path fails before any
    // work is done. Throws TOutputError.
    explicit TOutputFile(std::string path);
    ~TOutputFile();
    TOutputFile(const TOutputFile&) = delete;
    TOutputFile& operator=(const TOutputFile&) = delete;

    void Write(std::string_view text);  // throws TOutputError
    void Commit();                      // throws TOutputError

    const std::string& Path() const noexcept { return Path_; }
    bool IsStandardOutput() const noexcept { return Path_ == "-"; }

  private:
    [[noreturn]] void Fail(const std::string& what, int error);
    void Discard() noexcept;

    std::string Path_;
    std::string TempPath_;
    std::FILE* File_ = nullptr;
    bool Committed_ = false;
};

}  // namespace velmora::batch
