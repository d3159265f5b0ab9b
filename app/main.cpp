#include <QApplication>
#include <QStyleFactory>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "control/run_controller.h"
#include "data/program_icon.h"
#include "display/tform1.h"
#include "velmora_version.h"
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

constexpr const char* NoSession =
    "velmora: the window needs a graphical session, and %s; for runs without a window use "
    "velmora-batch\n";

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// Qt's messages while it connects to the display are held back: when it
// cannot connect, it aborts with advice to reinstall, and one line of ours
// says what is wrong instead.
std::vector<std::string> heldMessages;

void HoldMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        const std::string display =
            "the display '" + qEnvironmentVariable("DISPLAY").toStdString() + "' cannot be opened";
        std::fprintf(stderr, NoSession, IsSet("DISPLAY") ? display.c_str() : "none can be opened");
        std::_Exit(1);
    }
    const std::string category = context.category ? context.category : "default";
    heldMessages.push_back((category == "default" ? "" : category + ": ") + text.toStdString());
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc > 1) return AnswerCommandLine(argc, argv);
    if (!IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY") && !IsSet("QT_QPA_PLATFORM")) {
        std::fprintf(stderr, NoSession, "no display is set (DISPLAY or WAYLAND_DISPLAY)");
        return 1;
    }
    const QtMessageHandler qtHandler = qInstallMessageHandler(HoldMessage);
    QApplication app(argc, argv);
    qInstallMessageHandler(qtHandler);
    for (const std::string& message : heldMessages) std::fprintf(stderr, "%s\n", message.c_str());
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
