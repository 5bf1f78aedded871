// The program's style sheet.
#include "controls/ProgramStyle.h"

#include <QApplication>

namespace zentrova {

namespace {

// Greens of the skin artwork; disabled controls fade to grey so they read as unavailable.
const char kStyleSheet[] = R"(
QComboBox {
    border: 1px solid #c3d0c8; border-radius: 6px; padding: 2px 8px;
    background: #ffffff; color: #26323a; selection-background-color: #2fa362;
}
QComboBox:hover { border-color: #58cc88; }
QComboBox:focus { border-color: #28a460; }
QComboBox::drop-down {
    subcontrol-origin: padding; subcontrol-position: center right; width: 24px; border: none;
}
QComboBox::down-arrow { image: url(:/bitmaps/arrow-down.png); width: 10px; height: 6px; }
QComboBox::down-arrow:on { top: 1px; }
QComboBox QAbstractItemView {
    border: 1px solid #c3d0c8; background: #ffffff; color: #26323a;
    selection-background-color: #dff3e6; selection-color: #1d2a30; outline: none;
}
QTableWidget {
    background: rgb(241, 250, 233); alternate-background-color: rgb(241, 250, 233);
    gridline-color: #d3e0d5; border: 1px solid #c3d0c8; color: #26323a;
    selection-background-color: #2fa362; selection-color: #ffffff;
}
QHeaderView::section {
    background: #e8f0ea; color: #26323a; padding: 3px 5px;
    border: none; border-right: 1px solid #d3e0d5; border-bottom: 1px solid #c3d0c8;
}
QTableWidget QScrollBar:vertical { background: #eef4ef; width: 11px; margin: 0; }
QTableWidget QScrollBar:horizontal { background: #eef4ef; height: 11px; margin: 0; }
QTableWidget QScrollBar::handle { background: #b9cbbf; border-radius: 4px; margin: 2px; min-height: 24px; min-width: 24px; }
QTableWidget QScrollBar::handle:hover { background: #58cc88; }
QTableWidget QScrollBar::add-line, QTableWidget QScrollBar::sub-line { width: 0; height: 0; }
QTableWidget QScrollBar::add-page, QTableWidget QScrollBar::sub-page { background: none; }
QProgressBar {
    border: 1px solid #c3d0c8; border-radius: 7px; background: #ffffff; color: #26323a;
    text-align: center; font-weight: bold;
}
QProgressBar::chunk {
    border-radius: 6px;
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #58cc88, stop:1 #28a460);
}
QMenu { background: #ffffff; border: 1px solid #c3d0c8; padding: 4px; color: #26323a; }
QMenu::item { padding: 5px 26px 5px 20px; border-radius: 4px; }
QMenu::item:selected { background: #dff3e6; color: #1d2a30; }
QMenu::item:disabled { color: #a9b4ae; }
QMenu::separator { height: 1px; background: #e1e9e4; margin: 4px 8px; }
QToolTip { background: #1e3640; color: #ffffff; border: 1px solid #28a460; padding: 3px; }
QDialog { background: #f4f8f5; }
QLabel { color: #26323a; background: transparent; }
QCheckBox { color: #26323a; }
QLabel:disabled, QCheckBox:disabled { color: #a9b4ae; }
QGroupBox {
    border: 1px solid #c3d0c8; border-radius: 6px; margin-top: 7px; padding-top: 3px;
    color: #1d2a30; font-weight: bold;
}
QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 8px; padding: 0 3px; }
QPushButton {
    border: 1px solid #23894f; border-radius: 6px; padding: 2px 12px; min-height: 18px;
    color: #ffffff; font-weight: bold;
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #58cc88, stop:1 #28a460);
}
QPushButton:hover { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #6fd99a, stop:1 #2fb36b); }
QPushButton:pressed { background: #23894f; }
QPushButton:focus { border-color: #1d2a30; }
QPushButton:disabled { background: #e3e9e5; color: #a3afa9; border-color: #cdd6d0; }
QDialogButtonBox { dialogbuttonbox-buttons-have-icons: 0; }
QLineEdit {
    border: 1px solid #c3d0c8; border-radius: 5px; padding: 1px 5px;
    background: #ffffff; color: #26323a; selection-background-color: #2fa362; selection-color: #ffffff;
}
QLineEdit:read-only { background: #f9fbfa; }
QLineEdit:disabled { background: #eef2ef; color: #a9b4ae; border-color: #dbe3de; }
QDialog QComboBox { padding: 1px 4px; }
QDialog QComboBox::drop-down { width: 16px; }
QComboBox:disabled { background: #eef2ef; color: #a9b4ae; border-color: #dbe3de; }
QComboBox::down-arrow:disabled { image: none; }
QCheckBox { spacing: 6px; }
)";

} // namespace

QString ProgramStyleSheet()
{
    return QString::fromLatin1(kStyleSheet);
}

void ApplyProgramStyle(QApplication &app)
{
    app.setStyleSheet(ProgramStyleSheet());
}

} // namespace zentrova
