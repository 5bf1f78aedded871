// Identifiers of the main window's controls and menu commands.
#pragma once

namespace zentrova {

enum MainWindowControl : int {
    IDC_ADD = 1000,
    IDC_CLIP = 1001,
    IDC_HELP = 1090,
    IDC_TASKLIST = 1114,
    IDC_REMOVE = 1092,
    IDC_CLEAR = 1095,
    IDC_MERGE = 1099,
    IDC_FILEINFO = 1102,
    IDC_PROFILE = 1105,
    IDC_FOLDER = 1077,
    IDC_SETTING = 1115,
    IDC_BROWSE = 1076,
    IDC_FINDTARGET = 1005,
    IDC_CONVERT = 1004,
    IDC_PREVIEW = 1139,
    IDC_POSITION = 1140,
    IDC_PLAY = 1003,
    IDC_STOP = 1135,
    IDC_VOLUMEICON = 1137,
    IDC_VOLUME = 1141,
    IDC_ABOUT = 1098,
    IDC_MINIMIZE = 1097,
    IDC_CLOSE = 1096,
};

enum MainWindowCommand : int {
    IDM_ABOUTBOX = 16,
    ID_MENU_ADDFILES = 10001,
    ID_MENU_REMOVE = 10002,
    ID_MENU_CLEARALL = 10003,
    // Not 10010: the menu has always used this number.
    ID_MENU_CLIP = 100010,
    ID_MENU_FILEINFO = 10009,
};

} // namespace zentrova
