#pragma once

#include <optional>

#include "batch/options.h"
#include "batch/verify_command.h"

namespace CLI {
class App;
}

namespace velmora::batch {

// The shards of one experiment to join into one folder.
struct TMergeRequest {
    std::string Out;
    std::vector<std::string> Shards;
    bool Quiet = false;
};

struct TCommandLine {
    std::optional<TBatchOptions> Options;  // a batch or an experiment to play
    std::optional<TMergeRequest> Merge;
    std::optional<TVerifyRequest> Verify;
    int ExitCode = 0;  // with neither: exit at once with this
};

// Declares the whole command line on app, values landing in raw. Help, the
// manual page and the shell completion are all made from it. cores: the
// default thread count shown in the help, 0 to leave it out.
void DeclareCommandLine(CLI::App& app, TRawOptions& raw, unsigned cores);

// Reads the command line. Help and version go to standard output (exit 0);
// a bad command line gets one line on standard error (exit 2).
TCommandLine ParseCommandLine(int argc, const char* const* argv);

}  // namespace velmora::batch
