#pragma once

// Resource ids of the program file, shared by ZiRuri.rc, the art's resource script and the code.

#define IDI_APPLICATION_ICON 1

// The art is drawn at each of widgets::kArtScales; the drawing at the one of that index carries
// this id (the first scale's is the id itself).
#define ZR_ART_ID(id, scaleIndex) ((id) + 1000 * (scaleIndex))
#define IDR_DEFAULT_BACKGROUND 100
#define IDB_MAKE_NORMAL 200
#define IDB_MAKE_HOT 201
#define IDB_MAKE_DISABLED 202
#define IDB_CONFIG_NORMAL 203
#define IDB_CONFIG_HOT 204
#define IDB_CONFIG_DISABLED 205
#define IDB_CLEAN_NORMAL 206
#define IDB_CLEAN_HOT 207
#define IDB_CLEAN_DISABLED 208
#define IDB_CLOSE_NORMAL 209
#define IDB_CLOSE_HOT 210
#define IDB_CLOSE_DISABLED 211
#define IDB_MIN_NORMAL 212
#define IDB_MIN_HOT 213
