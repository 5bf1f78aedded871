// zentrova: the converter's window.
#include "CTamselAVConverterApp.h"

int main(int argc, char **argv)
{
    zentrova::CTamselAVConverterApp app(argc, argv);
    app.InitInstance();
    return app.ExitInstance();
}
