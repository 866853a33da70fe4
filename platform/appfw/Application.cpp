#include "Application.h"

int CApplication::Run(HINSTANCE instance, const char* commandLine)
{
    m_instance = instance;
    m_commandLine = commandLine ? commandLine : "";
    if (!InitInstance())
        return ExitInstance();
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    ExitInstance();
    return static_cast<int>(message.wParam);
}
