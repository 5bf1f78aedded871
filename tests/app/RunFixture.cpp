// Shared set-up of the run tests.
#include "tests/app/RunFixture.h"

#include "controls/CCheckListCtrl.h"
#include "controls/CLabel.h"
#include "engine/ConvertWorker.h"
#include "engine/EngineLog.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>

extern "C" {
#include <libavutil/log.h>
}

namespace zentrova::test {

void RunTest::SetUp()
{
    WindowTest::SetUp();
    SetEngineLog(AV_LOG_ERROR);
    UseOutputFolder();
}

QString RunTest::UseOutputFolder()
{
    outDir = programDir + QStringLiteral("/out");
    window->FolderBox()->setEditText(outDir);
    return outDir;
}

void RunTest::DriveDialog(std::function<void(CAVConvertDlg &)> tick)
{
    desktop.onDialog = [this, tick](QDialog &dialog) {
        auto &progress = static_cast<CAVConvertDlg &>(dialog);
        dialog.show();
        QElapsedTimer clock;
        clock.start();
        while (dialog.isVisible()) {
            const QString totals = progress.TotalLabel()->text();
            if (totalsSeen.isEmpty() || totalsSeen.last() != totals)
                totalsSeen.append(totals);
            if (tick)
                tick(progress);
            if (!dialog.isVisible())
                break;
            QTest::qWait(20);
            if (clock.elapsed() > 120000) {
                ADD_FAILURE() << "the run did not end";
                progress.StopConverting();
            }
        }
        return dialog.result();
    };
}

void RunTest::WaitForRunEnd()
{
    // A stopped worker finishes its file after the command returned; the window stays live.
    EXPECT_TRUE(QTest::qWaitFor([this] { return !window->IsConverting() && !window->IsRunPending(); }, 120000))
        << "the worker did not end";
}

void RunTest::Convert()
{
    window->StartConversion();
    WaitForRunEnd();
}

void RunTest::Merge()
{
    window->StartMerge();
    WaitForRunEnd();
}

void RunTest::CountWorkers()
{
    auto count = [this](const CTamselAVConverterDlg::WorkerEntry &inner) {
        return [this, inner](AVConvert &job) {
            ++workersStarted;
            const int alive = ++workersAlive;
            int seen = workersMax.load();
            while (alive > seen && !workersMax.compare_exchange_weak(seen, alive)) {
            }
            inner(job);
            --workersAlive;
        };
    };
    window->convertWorker = count(window->convertWorker);
    if (window->mergeWorker)
        window->mergeWorker = count(window->mergeWorker);
}

QString RunTest::CopyOf(const char *source, const QString &name) const
{
    const QString target = programDir + QLatin1Char('/') + name;
    QFile::remove(target);
    EXPECT_TRUE(QFile::copy(Media(source), target));
    return target;
}

bool RunTest::Checked(int row) const
{
    return window->TaskList()->GetCheck(row);
}

} // namespace zentrova::test
