// Implode / explode codec for the PKWARE Data Compression Library stream
// format, with the library's calling contract: the caller supplies read and
// write callbacks, a pass-through parameter and the work area, which holds
// all of the codec's state. Nothing is allocated.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

typedef unsigned (*dcl_read_fn)(char* buf, unsigned* size, void* param);
typedef void (*dcl_write_fn)(char* buf, unsigned* size, void* param);

enum {
  DCL_IMPLODE_WORK_SIZE = 36312,
  DCL_EXPLODE_WORK_SIZE = 12596,
};

/* Result codes. */
enum {
  DCL_OK = 0,
  DCL_INVALID_DICTSIZE = 1,
  DCL_INVALID_MODE = 2,
  DCL_BAD_DATA = 3,
  DCL_ABORTED = 4,
};

/* Literal modes (*type). */
enum { DCL_BINARY = 0, DCL_ASCII = 1 };

unsigned dcl_implode(dcl_read_fn read, dcl_write_fn write, char* work, void* param, unsigned* type,
                     unsigned* dsize);
unsigned dcl_explode(dcl_read_fn read, dcl_write_fn write, char* work, void* param);
/* Implode with a choice of effort: DCL_LEVEL_DEFAULT (fast, shallow match
   search) or DCL_LEVEL_BEST (deeper search and longer blocks; smaller output,
   same format). `work` must hold dcl_implode_work_size(level) bytes; the
   default level needs exactly DCL_IMPLODE_WORK_SIZE. dcl_implode is
   dcl_implode_level at the default.
   Callback contract shared by all calls: a read callback returning more than
   *size, or a write callback setting *size to 0, stops the call with
   DCL_ABORTED. Explode hands out whatever it decoded before it stops, also
   when it stops with DCL_BAD_DATA. */
enum { DCL_LEVEL_DEFAULT = 0, DCL_LEVEL_BEST = 1 };
unsigned dcl_implode_work_size(int level);
unsigned dcl_implode_level(dcl_read_fn read, dcl_write_fn write, char* work, void* param,
                           unsigned* type, unsigned* dsize, int level);

unsigned long dcl_crc32(char* buf, unsigned* size, unsigned long* crc);

#ifdef __cplusplus
}
#endif
