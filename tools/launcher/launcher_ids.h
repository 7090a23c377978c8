#pragma once
// The numbers of the launcher's controls and its one dialog, shared by the
// window, its resource script and the end-to-end test's probe, which finds
// the controls of a running launcher by them.

#define LAUNCHER_CAPTION L"Ondrell Launcher"

#define IDC_FOLDER_BUTTON 101
#define IDC_CHECK 102
#define IDC_PLAY 103
#define IDC_PLAY_LINE 104
#define IDC_RELEASE 105
#define IDC_NEW_GAME 106
#define IDC_FOLDER_PATH 110
#define IDC_LIST 111
#define IDC_PROGRESS 112
#define IDC_STATUS 113

#define IDD_LINE 200
#define IDC_LINE_EDIT 201
#define IDC_LINE_PROMPT 202
