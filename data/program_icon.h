#pragma once

#include <QIcon>

namespace velmora {

// The program's own icon in every size built, for the window and the task bar.
QIcon ProgramIcon();

}  // namespace velmora
