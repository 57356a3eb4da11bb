#include "Application.h"
#include "MoldenaSession.h"
#include "TitleDialog.h"

#include <cstdio>

namespace
{
// Without a display Qt would stop the program with its own messages.
bool hasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}
} // namespace

int main(int argc, char** argv)
{
    if (!hasDisplay())
    {
        std::fprintf(stderr, "Moldena needs a display: no X11 or Wayland display is set (DISPLAY is empty).\n");
        return 1;
    }
    Application application(argc, argv);
    MoldenaSession session;
    TitleDialog about(true);
    about.exec();
    Application::exec();
    return 0;
}
