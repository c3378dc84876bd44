// The program's entry: one application object, run once.
#include "app/ravlin_app.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    CRavlinApp app;
    app.InitInstance();
    return app.ExitInstance();
}
