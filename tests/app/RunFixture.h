// A main window ready for runs: an output folder of its own, and a progress dialog that the
// recording desktop shows and lets run until it closes.
#pragma once

#include "tests/app/TestWindow.h"

#include "dialogs/CAVConvertDlg.h"

#include <QStringList>

#include <atomic>
#include <functional>

namespace zentrova::test {

class RunTest : public WindowTest {
protected:
    void SetUp() override;

    // The folder box names `outDir`; returns it.
    QString UseOutputFolder();

    // From now on the progress dialog is shown and the run goes on until the dialog closes;
    // `tick` is called about every 20 ms while it is open.
    void DriveDialog(std::function<void(CAVConvertDlg &)> tick = {});

    // Presses Convert (or Merge) and returns once the run is over.
    void Convert();
    void Merge();
    // Returns once no run is going on or waiting to start.
    void WaitForRunEnd();

    // The worker wrapped to count how many run at once.
    void CountWorkers();

    // A copy of a test source under the program folder, as `name`.
    QString CopyOf(const char *source, const QString &name) const;

    QString StatusText(int row) const { return Cell(row, 4); }
    bool Checked(int row) const;
    CAVConvertDlg &Dialog() const { return *window->ConvertDialog(); }

    QString outDir;
    // Texts the totals line showed while the dialog was open, in order, without repeats.
    QStringList totalsSeen;
    std::atomic<int> workersAlive{0};
    std::atomic<int> workersMax{0};
    std::atomic<int> workersStarted{0};
};

} // namespace zentrova::test
