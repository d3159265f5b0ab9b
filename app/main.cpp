#include <QApplication>
#include <QStyleFactory>

#include "control/run_controller.h"
#include "data/program_icon.h"
#include "display/tform1.h"
#include "model/organisation.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    QGuiApplication::setDesktopFileName(QStringLiteral("velmora"));
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
