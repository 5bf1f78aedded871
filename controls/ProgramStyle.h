// The program's one look: colours, frames, buttons and lists drawn to match the skin artwork.
// Set on the application, so every window gets it, including dialogs added later.
#pragma once

#include <QString>

class QApplication;

namespace zentrova {

// The style sheet every window of the program shares.
QString ProgramStyleSheet();

// Gives `app` the program's look: the style sheet and the font the windows are laid out for.
void ApplyProgramStyle(QApplication &app);

} // namespace zentrova
