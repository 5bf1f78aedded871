// The application object: owns the Qt application, runs the main window modally and ends the
// process when the window ends.
#pragma once

#include <memory>

class QApplication;

namespace zentrova {

class CTamselAVConverterApp {
public:
    CTamselAVConverterApp(int &argc, char **argv);
    ~CTamselAVConverterApp();
    CTamselAVConverterApp(const CTamselAVConverterApp &) = delete;
    CTamselAVConverterApp &operator=(const CTamselAVConverterApp &) = delete;

    // Starts the application, shows the main window until its Close button ends it, and returns
    // false: there is no message loop to run afterwards.
    bool InitInstance();

    // Releases the application; returns the process's exit code.
    int ExitInstance();

private:
    int &m_argc;
    char **m_argv;
    std::unique_ptr<QApplication> m_app;
};

} // namespace zentrova
