// zentrova: the converter's window.
#include "app/CTamselAVConverterApp.h"

int main(int argc, char **argv)
{
    zentrova::CTamselAVConverterApp app(argc, argv);
    app.InitInstance();
    return app.ExitInstance();
}
