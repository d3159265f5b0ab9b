// velmora-batch: seeded replications of the organisation model, headless.
#include "batch/batch_command.h"
#include "batch/command_line.h"
#include "batch/interrupt.h"

int main(int argc, char** argv) {
    using namespace velmora::batch;
    const TCommandLine commandLine = ParseCommandLine(argc, argv);
    if (!commandLine.Options) return commandLine.ExitCode;
    return RunBatchCommand(*commandLine.Options, InstallInterruptHandlers());
}
