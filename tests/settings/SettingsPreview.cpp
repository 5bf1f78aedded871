// Opens the settings dialog for one profile so it can be looked at or captured.
// Usage: settings-preview [profile-index] [milliseconds-before-quitting]
#include "controls/ProgramStyle.h"
#include "dialogs/CSettings.h"
#include "profiles/OutputSettings.h"

#include <QApplication>
#include <QTimer>

#include <cstdlib>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    zentrova::ApplyProgramStyle(app);
    const int index = argc > 1 ? std::atoi(argv[1]) : 0;
    if (!zentrova::ApplyProfileSelection(zentrova::ProcessOutputSettings(), index))
        return 2;
    zentrova::CSettings dialog;
    dialog.show();
    if (argc > 2)
        QTimer::singleShot(std::atoi(argv[2]), &app, &QApplication::quit);
    QObject::connect(&dialog, &QDialog::finished, &app, &QApplication::quit);
    return app.exec();
}
