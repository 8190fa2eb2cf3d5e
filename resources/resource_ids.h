/* Resource ids shared by orvel.rc and the C++ code; plain defines so rc can read it too. */
#ifndef ORVEL_RESOURCE_IDS_H
#define ORVEL_RESOURCE_IDS_H

#define IDI_MAIN         1
#define IDR_BUSY_AVI     152
#define IDB_DIR_GLYPH    201
#define IDB_INFO_GLYPH   202
#define IDB_GOOGLE_GLYPH 203
#define IDB_START_GLYPH  204

#endif
