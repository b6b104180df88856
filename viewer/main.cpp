// The viewer program: zephyron-viewer [MODEL.zph] [-lang CULTURE] [-slideshow]
#include "platform/mfc/WinApp.h"
#include "viewer/ViewerApp.h"

#include <cstdlib>

// The one application object, made before main as the framework expects.
CViewerApp theApp;

int main(int argc, char** argv)
{
    // Debian's wxWidgets draws its GL canvas through GLX only.
    setenv("GDK_BACKEND", "x11", 0);
    return AfxWinMain(argc, argv);
}
