// Resource ids of the configurator: the selection dialog's and the preview's templates and controls, and
// the icon.
#pragma once

#define IDI_CONFIGURATOR 128
#define IDD_SERVER_SELECT 102
#define IDC_CONFIGURE_SERVERS 1001
#define IDC_SKYLANE 1003
#define IDC_MONDREL 1004
#define IDC_BRELL 1005
#define IDC_IIS 1006
#define IDC_SKYLANE_FILE 1007
#define IDC_MONDREL_FILE 1008
#define IDC_BRELL_FILE 1009
#define IDC_CANCEL_BUTTON 1014
#define IDD_PREVIEW 103
#define IDC_PREVIEW_TEXT 1020
