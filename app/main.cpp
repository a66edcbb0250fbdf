#include "app/MainFrame.h"
#include "app/MarvoApp.h"

int main(int argc, char* argv[])
{
    CMarvoApp application(argc, argv);
    StartOptions options;
    options.arguments = CMarvoApp::arguments().mid(1);
    if (!application.InitInstance(options))
        return 0;
    const int result = CMarvoApp::exec();
    application.ExitInstance();
    return result;
}
