// Resource ids of the Windows executable: the application icon and the JRE Not Found dialog with its controls.
#pragma once

// The lowest icon id is the one Explorer shows for the executable.
#define IDI_APP 1

#define IDD_JRE_NOT_FOUND 201

// Controls of IDD_JRE_NOT_FOUND besides IDOK and IDCANCEL. Labels that the
// code never touches share IDC_STATIC.
#define IDC_JRE_PATH 201
#define IDC_BROWSE 202
#define IDC_MESSAGE 203
#define IDC_ERROR_ICON 204
#define IDC_DOWNLOAD_LINK 205
#define IDC_BROWSE_HINT 206
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
