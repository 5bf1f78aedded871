// Shared set-up of the main window's tests.
#include "tests/app/TestWindow.h"

#include "controls/CCheckListCtrl.h"
#include "controls/CControlButton.h"
#include "tests/support/TestMedia.h"

#include <QTest>

namespace zentrova::test {

void WindowTest::SetUp()
{
    const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
    programDir = QString::fromStdString(ScratchDir(std::string("app_") + info->test_suite_name() + "_" + info->name()));
    if (!deferWindow)
        OpenWindow();
}

void WindowTest::TearDown()
{
    window.reset();
}

void WindowTest::OpenWindow()
{
    window = std::make_unique<CTamselAVConverterDlg>(programDir);
    QObject::connect(window.get(), &CTamselAVConverterDlg::PreviewStopped, [this] { ++previewStops; });
    window->OnInitDialog();
    window->show();
}

QString WindowTest::Media(const char *name)
{
    return QString::fromStdString(MediaPath(name));
}

void WindowTest::Add(const QStringList &paths)
{
    desktop.fileReplies.push_back(paths);
    window->AddFiles();
    WaitIdle();
}

void WindowTest::Drop(const QStringList &paths)
{
    window->DropFiles(paths);
    WaitIdle();
}

void WindowTest::WaitIdle()
{
    ASSERT_TRUE(
        QTest::qWaitFor([this] { return !window->IsAddingFiles() && !window->IsLoadingRowInfo(); }, 60000));
}

bool WindowTest::Enabled(int id) const
{
    const auto *button = window->Button(id);
    return button && button->isEnabled();
}

int WindowTest::Rows() const
{
    return window->TaskList()->GetItemCount();
}

QString WindowTest::Cell(int row, int column) const
{
    return window->TaskList()->GetItemText(row, column);
}

QStringList WindowTest::Messages() const
{
    QStringList texts;
    for (const auto &message : desktop.messages)
        texts.append(message.text);
    return texts;
}

} // namespace zentrova::test
