// Resource ids shared by kerfline.rc and the program's code. windres reads
// this file too, so it holds nothing but #define lines.
#ifndef KERFLINE_RESOURCE_H
#define KERFLINE_RESOURCE_H

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

#endif
