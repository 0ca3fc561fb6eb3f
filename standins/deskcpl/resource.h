// Resource ids of the Display control panel stand-in.
#pragma once

#define IDI_DISPLAY 100
#define IDS_NAME 101
#define IDS_INFO 102
#define IDD_DISPLAY 200
#define IDC_SAVER_NAME 201
#define IDC_PREVIEW 202
