// The Add dialog's table of file types, and the size limit of one selection.
#pragma once

#include <QStringList>

namespace zentrova {

// The file types in the order the Add dialog offers them, as Qt filters "Label (*.a *.b)";
// the first is preselected.
QStringList FileDialogFilters();

// Every pattern the table names for a media type ("*.flv", "*.mp4", ...), without "All files".
QStringList MediaFilePatterns();

// The most characters one selection may take, counted as the folder once followed by every
// file name, each with its terminator, as the selection is handed over.
inline constexpr int kMaxSelectionChars = 65535;

// How many characters `paths` take in that count.
int SelectionLength(const QStringList &paths);

} // namespace zentrova
