/* The upgrade library's interface: what a library named UPGRADE.DLL, placed in the installer's
 * run folder, must export, and the global memory blocks through which it hands texts to the
 * installer. Plain C, so that a library can be written in any language that speaks C; the
 * installer compiles against this same header, so the two sides cannot drift apart.
 *
 * The installer loads the library once, looks up all eight entry points by these exact names
 * (a library that lacks one is not loaded at all) and frees it when the process ends. It calls,
 * in this order: GetAliasPath (each time the locate page opens); SetQuickVerif (any number of
 * times); SetReportProc; then, for each step the user selected, in the order structures, lists,
 * constants, the step's call followed by GetSemaforOK. All calls come from the installer's one
 * user-interface thread. Texts are ANSI, in the Windows-1250 code page, terminated by a zero.
 */
#ifndef ZAREDERAD_UPGRADE_API_H
#define ZAREDERAD_UPGRADE_API_H

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Global memory blocks ----
 * A block is allocated on one side and may be locked on the other: the code is here, in the
 * header, and both sides use the one C heap of the process. A handle is not a pointer to the
 * data: lock it to reach the bytes, unlock it when done. */

typedef struct TGlobalBlock* HGLOBAL;

enum { GMEM_FIXED = 0x0000, GMEM_MOVEABLE = 0x0002, GMEM_ZEROINIT = 0x0040 };

struct TGlobalBlock {
  uint32_t magic; /* GLOBAL_BLOCK_MAGIC while the block lives */
  uint32_t locks;
  size_t size;
  /* the data follows, suitably aligned */
};

#define GLOBAL_BLOCK_MAGIC 0x5A474D42u
#define GLOBAL_BLOCK_HEADER ((sizeof(struct TGlobalBlock) + 15u) & ~(size_t)15u)

/* A new block of size bytes (zero-filled with GMEM_ZEROINIT); 0 when there is no memory. */
static inline HGLOBAL GlobalAlloc(unsigned flags, size_t size) {
  struct TGlobalBlock* b;
  if (size > (size_t)-1 - GLOBAL_BLOCK_HEADER) return 0;
  b = (struct TGlobalBlock*)malloc(GLOBAL_BLOCK_HEADER + size);
  if (!b) return 0;
  b->magic = GLOBAL_BLOCK_MAGIC;
  b->locks = 0;
  b->size = size;
  if (flags & GMEM_ZEROINIT) memset((char*)b + GLOBAL_BLOCK_HEADER, 0, size);
  return b;
}

/* The block's bytes, counted as one more lock; 0 for a handle that is not a live block. */
static inline void* GlobalLock(HGLOBAL h) {
  if (!h || h->magic != GLOBAL_BLOCK_MAGIC) return 0;
  ++h->locks;
  return (char*)h + GLOBAL_BLOCK_HEADER;
}

/* Ends one lock; nonzero while the block is still locked. */
static inline int GlobalUnlock(HGLOBAL h) {
  if (!h || h->magic != GLOBAL_BLOCK_MAGIC || h->locks == 0) return 0;
  return --h->locks != 0;
}

/* The size the block was allocated with; 0 for a handle that is not a live block. */
static inline size_t GlobalSize(HGLOBAL h) {
  return h && h->magic == GLOBAL_BLOCK_MAGIC ? h->size : 0;
}

/* Frees the block: 0 on success, the handle itself when it is not a live block. */
static inline HGLOBAL GlobalFree(HGLOBAL h) {
  if (!h || h->magic != GLOBAL_BLOCK_MAGIC) return h;
  h->magic = 0;
  free(h);
  return 0;
}

/* ---- The library's entry points ---- */

#if defined(__GNUC__)
#define UPGRADE_API __attribute__((visibility("default")))
#else
#define UPGRADE_API
#endif

/* The buffer GetAliasPath works in: 256 characters and the terminating zero. */
enum { ALIAS_PATH_SIZE = 257 };

/* The installer's report procedure: the block holds a zero-terminated ANSI text. The procedure
 * locks it, copies the text, unlocks it and returns; the block stays the library's, which frees
 * it (or reuses it) after the call. The procedure may let the installer's window run. */
typedef void (*TReportProc)(HGLOBAL text);

/* buffer: ALIAS_PATH_SIZE bytes, zero-filled after the alias name. The library replaces the name
 * with the alias's folder (a Windows path, as the database engine's configuration names it),
 * zero-terminated; an alias the engine does not know gives an empty text. */
UPGRADE_API void GetAliasPath(char* buffer);

/* Where the progress texts of the steps go from now on; 0 silences them. */
UPGRADE_API void SetReportProc(TReportProc proc);

/* The three steps, run on the database of the alias ZORVAN. Each checks what it needs, does its
 * work as one transaction (a step that fails changes nothing) and reports what it is working on
 * and, when it fails, why. The outcome is kept for GetSemaforOK.
 * Structures: the database is checked (quickly or fully, see SetQuickVerif); every table takes
 * the structure of its template (missing tables are created, missing columns added); rows stay.
 * Lists: the template rows of the list tables that the database lacks are added; a row the
 * database has is never changed or removed.
 * Constants: the constants table takes the template's values. */
UPGRADE_API void DoStructureUpgrade(void);
UPGRADE_API void DoListUpgrade(void);
UPGRADE_API void DoConstUpgrade(void);

/* Nonzero when the step just run ended well. */
UPGRADE_API uint8_t GetSemaforOK(void);

/* Nonzero: the structures step checks the database quickly; zero (the start): fully. */
UPGRADE_API void SetQuickVerif(uint8_t quick);

/* Nonzero when no other program has the database open, so that it could be upgraded now. The
 * installer only requires the entry point to exist. */
UPGRADE_API uint8_t CheckExclusive(void);

#ifdef __cplusplus
}
#endif

#endif
