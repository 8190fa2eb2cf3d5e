/* Version and naming shared by orvel.rc and the C++ code; plain defines so rc can read it too. */
#ifndef ORVEL_VERSION_H
#define ORVEL_VERSION_H

#define ORVEL_VERSION_MAJOR 1
#define ORVEL_VERSION_MINOR 3
#define ORVEL_VERSION_PATCH 0
#define ORVEL_VERSION_BUILD 13

#define ORVEL_FILEVERSION        1,3,0,13
#define ORVEL_FILEVERSION_STR    "1.3.0.13"
#define ORVEL_PRODUCTVERSION     1,3,0,0
#define ORVEL_PRODUCTVERSION_STR "1.3.0.0"

#define ORVEL_PRODUCT_NAME     "Orvel for Windows Networks"
#define ORVEL_FILE_DESCRIPTION "Orvel for Windows Networks"
#define ORVEL_COMPANY_NAME     "Orvel Software"
#define ORVEL_COPYRIGHT        "Copyright (C) Orvel Software. All rights reserved."
#define ORVEL_INTERNAL_NAME    "Orvelkit"
#define ORVEL_ORIGINAL_FILENAME "Orvelkit.exe"

#endif
