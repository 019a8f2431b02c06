// Resource ids shared by kerfline.rc and the program's code. windres reads
// this file too, so it holds nothing but #define lines.
#pragma once

// File menu
#define IDM_FILE_OPEN 110
#define IDM_FILE_SAVE 120
#define IDM_FILE_SAVEAS 130
#define IDM_FILE_PRINT 140
#define IDM_FILE_EXIT 190

// Image menu
#define IDM_IMAGE_INFO 210
#define IDM_IMAGE_FRAME 220
#define IDM_IMAGE_SCALE 230
#define IDM_IMAGE_ROTATE 240
#define IDM_IMAGE_MOVE 250

// Help menu
#define IDM_HELP_ABOUT 990

// Controls of the Image dialogs and the About box. Labels have no id.
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
#define IDC_INFO_FILE 1010
#define IDC_INFO_AREA 1020
#define IDC_LOWER_LEFT 1025
#define IDC_INFO_TRAVEL 1030
#define IDC_FRAME_DISTANCE 1040
#define IDC_SCALE_PERCENT 1050
#define IDC_MOVE_X 1060
#define IDC_MOVE_Y 1070
#define IDC_ABOUT_STAMP 1080
