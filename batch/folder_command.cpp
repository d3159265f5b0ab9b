#include "batch/folder_command.h"

#include <unistd.h>

#include <exception>
#include <string>

#include "batch/experiment_folder.h"
#include "batch/interrupt.h"
#include "batch/options.h"
#include "batch/output_file.h"

namespace velmora::batch {

int RunFolderCommand(const char* name, const std::function<int()>& command) {
    const std::string prefix = std::string("velmora-batch ") + name + ": ";
    try {
        return command();
    } catch (const TFolderError& error) {
        WriteMessage(STDERR_FILENO, prefix + error.what() + "\n");
        return 2;
    } catch (const TOutputInterrupted&) {
        return Interrupted(0, 0, false);
    } catch (const research::TUsageError& error) {
        WriteMessage(STDERR_FILENO, prefix + OptionWords(error) + "\n");
        return 1;
    } catch (const std::exception& error) {
        WriteMessage(STDERR_FILENO, prefix + error.what() + "\n");
        return 1;
    }
}

}  // namespace velmora::batch
