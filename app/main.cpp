#include <QApplication>
#include <QStyleFactory>
#include <cstdio>
#include <cstring>

#include "control/run_controller.h"
#include "data/program_icon.h"
#include "display/tform1.h"
#include "model/organisation.h"

namespace {

constexpr const char* Usage =
    "Usage: velmora [OPTION]\n"
    "Opens the Velmora window: how a small bias in performance scores compounds\n"
    "through promotion in an eight-level organisation. For seeded, headless runs\n"
    "see velmora-batch.\n"
    "\n"
    "Options (the window takes no others):\n"
    "  -h, --help     Print this help and exit\n"
    "  --version      Print the version and exit\n";

// Answers --help and --version before Qt needs a display. Anything else is
// refused, Qt's own options too: the window reads no command line.
int AnswerCommandLine(int argc, char* argv[]) {
    const char* arg = argv[1];
    if (argc == 2 && std::strcmp(arg, "--version") == 0) {
        std::printf("velmora %s\n", VELMORA_VERSION);
        return 0;
    }
    if (argc == 2 && (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0)) {
        std::fputs(Usage, stdout);
        return 0;
    }
    std::fprintf(stderr, "velmora: unknown option '%s' (see --help)\n", arg);
    return 2;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc > 1) return AnswerCommandLine(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    QApplication::setApplicationVersion(QStringLiteral(VELMORA_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.velmora.Velmora"));
    QApplication::setWindowIcon(velmora::ProgramIcon());
    // One style everywhere, so that the fixed layout looks as designed under
    // every desktop theme.
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Fusion"))) {
        QApplication::setStyle(style);
    }
    velmora::TOrganisation org;
    velmora::TForm1 form(org);
    velmora::TRunController controller(form, org);
    form.show();
    return QApplication::exec();
}
