// Saves a picture of the main window and of every dialog it opens, in the program's look, for a
// look at them under a real X server. Not a test: it opens windows.
// Usage: window-preview OUTPUT-FOLDER MEDIA-FILE...
#include "app/CTamselAVConverterDlg.h"
#include "controls/CCheckListCtrl.h"
#include "controls/ProgramStyle.h"
#include "desktop/DesktopServices.h"
#include "dialogs/CAbout.h"
#include "dialogs/CAVConvertDlg.h"
#include "dialogs/CFileInfomation.h"
#include "dialogs/CSettings.h"
#include "dialogs/MediaInfoText.h"
#include "profiles/OutputSettings.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

using namespace zentrova;

namespace {

void Save(QWidget &widget, const QString &folder, const char *name)
{
    widget.show();
    (void)QTest::qWaitForWindowExposed(&widget);
    QTest::qWait(100);
    widget.grab().save(folder + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png"));
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    ApplyProgramStyle(app);
    if (argc < 2)
        return 2;
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    QStringList files;
    for (int i = 2; i < argc; ++i)
        files.append(QString::fromLocal8Bit(argv[i]));

    QTemporaryDir programFolder;
    CTamselAVConverterDlg window(programFolder.path());
    window.OnInitDialog();
    window.show();
    window.DropFiles(files);
    (void)QTest::qWaitFor([&window] { return !window.IsAddingFiles(); }, 60000);
    window.ProfileCombo()->setCurrentIndex(9);
    if (window.TaskList()->GetItemCount() > 0) {
        window.TaskList()->SetCheck(0, true);
        window.TaskList()->SelectAndFocus(0);
    }
    Save(window, out, "main");

    {
        CSettings settings(&window);
        Save(settings, out, "settings");
    }
    window.ProfileCombo()->setCurrentIndex(11);
    {
        CSettings settings(&window);
        Save(settings, out, "settings-audio");
    }
    if (window.LoadMediaInfo()) {
        CFileInfomation info(MediaInfoText(), &window);
        Save(info, out, "file-information");
    }
    {
        CAbout about(&window);
        Save(about, out, "about");
    }
    {
        CAVConvertDlg &progress = *window.ConvertDialog();
        progress.OnInitDialog();
        Save(progress, out, "progress");
        progress.hide();
    }
    {
        QMessageBox box(QMessageBox::NoIcon, kApplicationTitle,
                        QStringLiteral("File:holiday clip.avi is invalid!"), QMessageBox::Ok, &window);
        Save(box, out, "message");
    }
    return 0;
}
