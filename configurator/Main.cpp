#include "ConfiguratorApp.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    CConfiguratorApp app;
    return app.Run(instance, commandLine);
}
