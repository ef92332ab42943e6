/* Resource and control ids of the operator window. Plain #define lines only: this header is
   read by the resource compiler as well as by C++. Every id from 1000 to 1073 is one control of
   the main window's template; the comment after each says which page it sits on. */
#pragma once

/* Templates, strings, icons, menu commands */
#define IDD_ABOUTBOX 100    /* About box template */
#define IDS_ABOUTBOX 101    /* "&About Tessmark", the system menu item */
#define IDD_TESSMARK 102    /* main window template, 74 controls */
#define IDR_MAINFRAME 128   /* program icon */
#define IDM_ABOUTBOX 0x0010 /* system menu command of the About item */

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

/* Main window: tab control and the five (never shown) page group boxes */
#define IDC_TAB 1024
#define IDC_GROUP_CONVERT 1025  /* "Hxw File Exchange" */
#define IDC_GROUP_DOWNLOAD 1042 /* "File Down load" */
#define IDC_GROUP_UPLOAD 1043   /* "File Up load" */
#define IDC_GROUP_CHECKSUM 1045 /* "Checksum" */
#define IDC_GROUP_SECURITY 1057 /* "Security" */

/* Page 0, Hxw File Exchange */
#define IDC_HEX_FILE_LABEL 1026    /* "Hex File(&E):" */
#define IDC_HEX_FILE 1000          /* edit: Hex file */
#define IDC_HEX_BROWSE 1001        /* "Browse" */
#define IDC_TYPE_LABEL 1027        /* "Hxw File type(&T):" */
#define IDC_TYPE_NORMAL 1021       /* radio "Normal" */
#define IDC_TYPE_720 1022          /* radio "720 Series" */
#define IDC_TYPE_4500 1023         /* radio "4500 Series" */
#define IDC_TYPE_4BYTE 1029        /* radio "4Byte Mode" */
#define IDC_TYPE_8BYTE 1033        /* radio "8Byte Mode" */
#define IDC_HXW_FILE_LABEL 1028    /* "Hxw File(&X):" */
#define IDC_HXW_FILE 1002          /* edit: Hxw file */
#define IDC_HXW_BROWSE 1003        /* "Browse" */
#define IDC_DOMAIN_GROUP 1036      /* group box "Hxw data domain setting" */
#define IDC_DOMAIN_TYPE_LABEL 1037 /* "Setting type(&S):" */
#define IDC_DOMAIN_AUTO 1034       /* radio "Auto" */
#define IDC_DOMAIN_MANUAL 1035     /* radio "Manual" */
#define IDC_DOMAIN_LABEL 1040      /* "Domain setting(&D):" */
#define IDC_DOMAIN_START 1038      /* HexEdit, limit 8 */
#define IDC_DOMAIN_DASH 1041       /* "-" */
#define IDC_DOMAIN_END 1039        /* HexEdit, limit 8 */
#define IDC_DOMAIN_RANGE 1044      /* static: range label */
#define IDC_CONVERT_INFO 1016      /* static: conversion info line */
#define IDC_CONVERT_PROGRESS 1009  /* progress bar */
#define IDC_CONVERT 1005           /* "Hex -> Hxw" */

/* Page 1, File Check Sum */
#define IDC_CHECKSUM_FILE_LABEL 1032  /* "File Path(&F):" */
#define IDC_CHECKSUM_FILE 1017        /* edit: checksum file */
#define IDC_CHECKSUM_BROWSE 1018      /* "Browse" */
#define IDC_CS_TYPE_GROUP 1056        /* group box "Checksum type setting" */
#define IDC_CS_SUM 1052               /* radio "Sum total" */
#define IDC_CS_ONES 1054              /* radio "One's complement of sum total(Hxw File type:NORMAL Only)" */
#define IDC_CS_CRC 1055               /* radio "CRC(Hxw File type:NORMAL Only)" */
#define IDC_CRC_INIT_LABEL 1046       /* "CRC Initial value(&I):" */
#define IDC_CRC_INIT 1047             /* HexEdit, limit 4 */
#define IDC_CS_DOMAIN_GROUP 1058      /* group box "Checksum domain setting" */
#define IDC_CS_DOMAIN_TYPE_LABEL 1059 /* "Setting type(&S):" */
#define IDC_CS_DOMAIN_AUTO 1060       /* radio "Auto" */
#define IDC_CS_DOMAIN_MANUAL 1061     /* radio "Manual" */
#define IDC_CS_DOMAIN_LABEL 1048      /* "Domain setting(&D):" */
#define IDC_CS_DOMAIN_START 1049      /* HexEdit, limit 8 */
#define IDC_CS_DOMAIN_DASH 1050       /* "-" */
#define IDC_CS_DOMAIN_END 1051        /* HexEdit, limit 8 */
#define IDC_CS_RANGE 1053             /* static "(Start Addr. - End Addr.)": on no page, never shown */
#define IDC_CHECKSUM_INFO 1019        /* static: checksum info line */
#define IDC_CHECKSUM 1020             /* default push button "CheckSum" */

/* Page 2, File Download */
#define IDC_DOWNLOAD_FILE_LABEL 1030 /* "Download File(&D):" */
#define IDC_DOWNLOAD_FILE 1004       /* edit: download file */
#define IDC_DOWNLOAD_BROWSE 1007     /* "Browse" */
#define IDC_DOWNLOAD_INFO 1014       /* static: download info line */
#define IDC_DOWNLOAD_PROGRESS 1008   /* progress bar */
#define IDC_DOWNLOAD 1006            /* "Down load" */

/* Page 3, File Upload */
#define IDC_UPLOAD_FOLDER_LABEL 1031 /* "Up load Path(&U):" */
#define IDC_UPLOAD_FOLDER 1010       /* edit: upload folder */
#define IDC_UPLOAD_BROWSE 1011       /* "Browse" */
#define IDC_UPLOAD_INFO 1015         /* static: upload info line */
#define IDC_UPLOAD_PROGRESS 1012     /* progress bar */
#define IDC_UPLOAD 1013              /* "Up load" */

/* Page 4, Security */
#define IDC_SECURITY_LABEL 1062    /* "Security(&S):" */
#define IDC_SECURITY_CANCEL 1063   /* radio "CANCEL" */
#define IDC_SECURITY_SET 1064      /* radio "SET" */
#define IDC_ID_CODE_LABEL 1065     /* "ID Code(&I):" */
#define IDC_ID_CODE 1066           /* AlnumEdit, limit 4 */
#define IDC_COUNT_LABEL 1067       /* "Execution count(&C):" */
#define IDC_COUNT 1068             /* DigitEdit, limit 5 */
#define IDC_BUZZER_LABEL 1069      /* "Buzzer(&B):" */
#define IDC_BUZZER_ON 1070         /* radio "ON" */
#define IDC_BUZZER_OFF 1071        /* radio "OFF" */
#define IDC_SECURITY_INFO 1072     /* static, vertically centred: security info line */
#define IDC_SECURITY_DOWNLOAD 1073 /* "Download" */

/* About box (template 100): the icon uses IDC_STATIC, the OK button is IDOK (1). */
