// velmora-batch: seeded replications of the organisation model, headless.
#include <malloc.h>

#include <unistd.h>

#include <cstdio>
#include <string>

#include "batch/batch_command.h"
#include "batch/command_line.h"
#include "batch/experiment_command.h"
#include "batch/interrupt.h"
#include "batch/merge_command.h"
#include "batch/output_file.h"
#include "batch/standard_streams.h"
#include "batch/verify_command.h"

int main(int argc, char** argv) {
    using namespace velmora::batch;
    using namespace velmora::research;
    // Before anything is opened, so that no file takes a standard stream's number.
    if (!OpenClosedStandardStreams()) return 1;
    // Runs' buffers grow to megabytes and are freed in another thread; kept
    // at a fixed threshold, the allocator maps such blocks and returns them
    // on release instead of letting each thread's heap keep its peak.
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
    const TCommandLine commandLine = ParseCommandLine(argc, argv);
    int status = commandLine.ExitCode;
    if (commandLine.Options && commandLine.Options->SeedFromClock && !commandLine.Options->Quiet) {
        WriteMessage(STDERR_FILENO, "velmora-batch: seed " +
                                        std::to_string(commandLine.Options->Seed) +
                                        " taken from the clock\n");
    }
    if (commandLine.Options && commandLine.Options->Sweep) {
        status = RunExperimentCommand(*commandLine.Options, InstallInterruptHandlers());
    } else if (commandLine.Options) {
        status = RunBatchCommand(*commandLine.Options, InstallInterruptHandlers());
    } else if (commandLine.Merge) {
        status = RunMergeCommand(*commandLine.Merge, InstallInterruptHandlers());
    } else if (commandLine.Verify) {
        status = RunVerifyCommand(*commandLine.Verify, InstallInterruptHandlers());
    }
    // Help, version and messages go through stdio: a failed write shows only
    // now, and must not pass for success.
    const bool printedHelp = !commandLine.Options && !commandLine.Merge && !commandLine.Verify &&
                             commandLine.ExitCode == 0;
    const bool lost = std::fflush(stdout) != 0 || std::ferror(stdout) != 0 ||
                      std::ferror(stderr) != 0 || (printedHelp && WasClosedAtStart(1));
    return status == 0 && lost ? 1 : status;
}
