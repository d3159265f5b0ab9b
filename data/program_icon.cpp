#include "data/program_icon.h"

#include <QDir>
#include <QDirIterator>

namespace velmora {

QIcon ProgramIcon() {
    QIcon icon;
    QDirIterator sizes(QStringLiteral(":/velmora/icons"), {QStringLiteral("velmora-*.png")},
                       QDir::Files);
    while (sizes.hasNext()) icon.addFile(sizes.next());
    return icon;
}

}  // namespace velmora
