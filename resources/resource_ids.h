/* Resource ids shared by orvel.rc and the C++ code; plain defines so rc can read it too. */
#ifndef ORVEL_RESOURCE_IDS_H
#define ORVEL_RESOURCE_IDS_H

#define IDI_MAIN         1
#define IDR_BUSY_AVI     152
#define IDB_DIR_GLYPH    201
#define IDB_INFO_GLYPH   202
#define IDB_GOOGLE_GLYPH 203
#define IDB_START_GLYPH  204

/* Each glyph is drawn also for denser screens: 20, 24 and 32 pixels wide (120, 144 and 192 pixels per
   inch), under its 16-pixel id plus IDB_GLYPH_STEP, twice and three times that. */
#define IDB_GLYPH_STEP   10
#define IDB_DIR_GLYPH_20    211
#define IDB_INFO_GLYPH_20   212
#define IDB_GOOGLE_GLYPH_20 213
#define IDB_START_GLYPH_20  214
#define IDB_DIR_GLYPH_24    221
#define IDB_INFO_GLYPH_24   222
#define IDB_GOOGLE_GLYPH_24 223
#define IDB_START_GLYPH_24  224
#define IDB_DIR_GLYPH_32    231
#define IDB_INFO_GLYPH_32   232
#define IDB_GOOGLE_GLYPH_32 233
#define IDB_START_GLYPH_32  234

#endif
