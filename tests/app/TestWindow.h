// A main window in a scratch program folder, with a recording desktop, for the window's tests.
#pragma once

#include "app/CTamselAVConverterDlg.h"
#include "tests/support/RecordingDesktop.h"

#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>

namespace zentrova::test {

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Builds, initialises and shows the window (SetUp does it unless `deferWindow` is set).
    void OpenWindow();

    // Full path of a generated test source.
    static QString Media(const char *name);
    // Answers the next file dialog with `paths`, presses Add and waits until every file is in.
    void Add(const QStringList &paths);
    // Drops `paths` on the window and waits until every file is in.
    void Drop(const QStringList &paths);
    // Waits until no added or dropped file is left to probe.
    void WaitIdle();

    bool Enabled(int id) const;
    int Rows() const;
    QString Cell(int row, int column) const;
    QStringList Messages() const;

    bool deferWindow = false;
    RecordingDesktop desktop;
    QString programDir;
    std::unique_ptr<CTamselAVConverterDlg> window;
    int previewStops = 0;
};

} // namespace zentrova::test
