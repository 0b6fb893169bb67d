#pragma once
// The database engine's calls, as the engine library exports them: C functions that answer a
// result code, 0 for success. Behind them stands our engine stand-in, whose configuration file
// the registry names in "\Software\Borland\Database Engine" CONFIGFILE01; without a readable
// one DbiInit fails, as on a machine without the engine. Strings are ANSI (Windows-1250).
#include <cstdint>

extern "C" {

typedef uint16_t DBIResult;
typedef uint16_t BOOL16;
typedef void* pDBIEnv;
typedef struct DbiDatabase* hDBIDb;
typedef struct DbiCursor* hDBICur;
typedef struct DbiCfg* hDBICfg;  // always null: the engine's current configuration
typedef struct RECProps RECProps;

enum { DBIMAXNAMELEN = 31, DBIMAXMSGLEN = 127 };

typedef enum { dbiREADWRITE = 0, dbiREADONLY = 1 } DBIOpenMode;
typedef enum { dbiOPENSHARED = 0, dbiOPENEXCL = 1 } DBIShareMode;
typedef enum { cfgPersistent = 0, cfgSession = 1 } CFGMode;
typedef enum { dbiNOLOCK = 0, dbiREADLOCK = 1, dbiWRITELOCK = 2 } DBILockType;

enum { fldZSTRING = 1 };

// One node of the configuration.
typedef struct {
  char szNodeName[DBIMAXNAMELEN + 1];
  char szDescription[DBIMAXMSGLEN + 1];
  uint16_t iDataType;
  char szValue[DBIMAXMSGLEN + 1];
  BOOL16 bHasSubnodes;
} CFGDesc;

// Result codes of this engine.
enum : DBIResult {
  DBIERR_NONE = 0,
  DBIERR_EOF = 0x2202,
  DBIERR_INVALIDHNDL = 0x2206,
  DBIERR_OBJNOTFOUND = 0x2208,
  DBIERR_INVALIDPARAM = 0x2702,
  DBIERR_NAMENOTUNIQUE = 0x2C06,
  DBIERR_UNKNOWNDB = 0x2C09,
  DBIERR_DIRNOTFOUND = 0x2C0A,
  DBIERR_UNKNOWNDRIVER = 0x2C0B,
  DBIERR_NOTINITIALIZED = 0x2C0C,
  DBIERR_NOCONFIGFILE = 0x2C0D,
  DBIERR_CFGCANNOTREAD = 0x2C0E,
  DBIERR_CFGCANNOTWRITE = 0x2C0F,
  DBIERR_READONLY = 0x2C10,
  DBIERR_CFGLOCKED = 0x2C11,  // another process held the configuration's lock too long
};

// Starts a use of the engine (uses nest: each DbiInit needs its DbiExit); the first loads the
// configuration file.
DBIResult DbiInit(pDBIEnv pEnv);
// Ends one use; the last closes every database and cursor still open.
DBIResult DbiExit(void);
// Opens the database of an alias: it exists and its folder exists.
DBIResult DbiOpenDatabase(const char* pszDbName, const char* pszDbType, DBIOpenMode eOpenMode,
                          DBIShareMode eShareMode, const char* pszPassword, uint16_t iOptFlds,
                          const void* pOptFldDesc, const void* pOptParams, hDBIDb* phDb);
DBIResult DbiCloseDatabase(hDBIDb* phDb);
// Adds an alias ("PATH:folder" parameters). Persistent aliases go into the configuration file at
// once; the others live for this use of the engine until DbiCfgSave. An existing alias is refused.
DBIResult DbiAddAlias(hDBICfg hCfg, const char* pszAliasName, const char* pszDriverType,
                      const char* pszParams, BOOL16 bPersist);
// Writes the configuration (with this use's aliases) to its file, or to pszCfgFile (a Windows
// path) when given.
DBIResult DbiCfgSave(hDBICfg hCfg, const char* pszCfgFile, BOOL16 bRegistry);
// A cursor over the nodes below a configuration path ("\DRIVERS\PARADOX\INIT"): the values of
// that section, then its subsections.
DBIResult DbiOpenCfgInfoList(hDBICfg hCfg, DBIOpenMode eOpenMode, CFGMode eConfigMode,
                             const char* pszCfgPath, hDBICur* phCur);
DBIResult DbiSetToBegin(hDBICur hCursor);
DBIResult DbiGetNextRecord(hDBICur hCursor, DBILockType eLock, void* pRecBuff, RECProps* pRecProps);
// Stores the szValue of the current node (a persistent cursor writes the file at once).
DBIResult DbiModifyRecord(hDBICur hCursor, void* pRecBuf, BOOL16 bFreeLock);
DBIResult DbiCloseCursor(hDBICur* phCursor);
// The text of a result code in at most DBIMAXMSGLEN characters (ANSI). For the last failure of
// reading or writing the configuration it names the file ("The engine configuration C:\...
// stayed locked by another process for 30 seconds.").
DBIResult DbiGetErrorString(DBIResult rslt, char* pszError);

}  // extern "C"
