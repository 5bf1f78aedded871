// Application start-up and exit.
#include "app/CTamselAVConverterApp.h"

#include "app/CTamselAVConverterDlg.h"
#include "controls/ProgramStyle.h"
#include "controls/SkinBitmap.h"
#include "desktop/DesktopServices.h"
#include "engine/EngineLog.h"
#include "ProgramInfo.h"

#include <QApplication>
#include <QIcon>

extern "C" {
#include <libavutil/log.h>
}

namespace zentrova {

CTamselAVConverterApp::CTamselAVConverterApp(int &argc, char **argv)
    : m_argc(argc)
    , m_argv(argv)
{
}

CTamselAVConverterApp::~CTamselAVConverterApp() = default;

bool CTamselAVConverterApp::InitInstance()
{
    m_app = std::make_unique<QApplication>(m_argc, m_argv);
    QApplication::setApplicationName(kApplicationTitle);
    QApplication::setApplicationVersion(QString::fromUtf8(kProgramVersion));
    QApplication::setWindowIcon(QIcon(SkinPixmap(266)));
    // Lets the desktop match the window to the menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.zentrova.Converter"));
    ApplyProgramStyle(*m_app);
    // Encoder statistics are no use to the window's user; errors still reach standard error.
    SetEngineLog(AV_LOG_ERROR);

    {
        CTamselAVConverterDlg window;
        window.OnInitDialog();
        // Files the desktop hands over ("Open with", the menu entry's %F) join the list as
        // added files do.
        QStringList files = QApplication::arguments();
        files.removeFirst();
        if (!files.isEmpty())
            window.OpenFiles(files);
        window.exec();
    }
    return false;
}

int CTamselAVConverterApp::ExitInstance()
{
    m_app.reset();
    return 0;
}

} // namespace zentrova
