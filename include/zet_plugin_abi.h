/*
 * The host-facing interface of the aggregation plug-in: the call record, its data descriptors, the
 * module-information record, the exported functions and the rules for memory and parameter lists
 * that cross the boundary between a host and the library.
 *
 * C-compatible. All records are packed, little-endian. In a 32-bit process pointer fields are
 * 4 bytes wide and every offset below holds (checked by the asserts at the end). A 64-bit build
 * of this header (the test builds of the library) widens each pointer field to 8 bytes and the
 * VARIANT to 24 bytes, as the 64-bit system does; nothing else changes.
 *
 * Memory and lists across the boundary
 *  - A parameter list (TzetParamsList) is an object whose first word is a class pointer, followed
 *    by its fields (see ZetParamsListLayout). Each side reads and writes the other side's lists
 *    only through these fields and never calls an operation through the class pointer of an
 *    object the other side created.
 *  - The class pointer points into a class table. The pointer-sized word just before it points
 *    to a type record whose second pointer-sized word points to the class name, a zero-terminated
 *    8-bit string that may begin with its length in decimal digits ("18TzetRowsParamsList").
 *    A host that builds its own lists provides such a table; the library tells a rows list
 *    (TzetRowsParamsList) from a plain one by that name, compared without regard to case.
 *  - Item arrays, items and the blocks of 8-bit strings come from the process heap
 *    (HeapAlloc(GetProcessHeap(), ...)); either side may grow an item array with HeapReAlloc,
 *    append an item allocated there, or free what it removes.
 *  - An 8-bit string field points to the first character of a counted block: the 32-bit
 *    reference count at -8 (-1 marks a constant that is never freed), the 32-bit length at -4, a
 *    terminating zero after the characters. A null pointer is the empty string.
 *  - Values are OLE VARIANTs (16 bytes); strings inside them are BSTRs from the OLE allocator,
 * freed with VariantClear. Type 0x100 is an 8-bit string block as above.
 *  - Lists that the library hands out through Output stay owned by the module instance. The host
 *    reads them after the call and must not free them; they stay valid until the module's next
 *    call for the instance, the host's release request or the last UNLOAD.
 */
#ifndef ZET_PLUGIN_ABI_H
#define ZET_PLUGIN_ABI_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define ZET_CALL __stdcall
#else
#define ZET_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- constants --------------------------------------------------------------------------- */

/* RecordTag of a valid call record. */
#define ZET_RECORD_TAG 102u
/* Action values: release the instance named by ModuleHandle; the host's shutdown notice. */
#define ZET_ACTION_RELEASE (-1)
#define ZET_ACTION_SHUTDOWN (-2)
/* The interface version reported by GetPluginIntfVersion and in TPluginModuleInfo. */
#define ZET_INTERFACE_VERSION 4

/* Result codes of the signed 32-bit exports. Positive numbers are counts. */
#define ZET_RESULT_DONE 0
#define ZET_RESULT_REJECTED                                                                        \
  (-1) /* invalid record, no instance, terminating, time-out, missing parameter */
#define ZET_RESULT_NOTHING_DONE (-2) /* no handler for the command, or no data */
#define ZET_RESULT_FAILED (-3)       /* a failure was raised and caught */

/* Descriptor kinds (TPluginDataDesc.Kind). */
#define ZET_KIND_NONE 0     /* nothing */
#define ZET_KIND_LIST 1     /* Data points to a TzetParamsList (maybe a TzetRowsParamsList) */
#define ZET_KIND_INTEGER 5  /* Data is an inline signed 32-bit number */
#define ZET_KIND_REQUEST 6  /* Data is an inline request code */
#define ZET_KIND_LIST_ALT 8 /* Data points to a TzetParamsList, accepted like kind 1 as input */
/* Request code of kind 6: drop the data handed out by the previous call. */
#define ZET_REQUEST_RELEASE 0x301

/* Module roles: bit n of TPluginCallRec.ModuleTypes and of the type word. */
#define ZET_MTT_DATA_QUERY 0x01
#define ZET_MTT_DATA_PARSER 0x02
#define ZET_MTT_DATA_EXPORT 0x04
#define ZET_MTT_EVENTS_HANDLING 0x08
#define ZET_MTT_LOGGING 0x10
#define ZET_MTT_FILTER 0x20
#define ZET_MTT_DEVICE_LAYER 0x40
#define ZET_MTT_MENU_EXT 0x80
/* Module options in bits 16..18 of the type word. */
#define ZET_MO_NO_CONFIG 0x00010000u
#define ZET_MO_XML_OPTIONS 0x00020000u
#define ZET_MO_MULTI_CONFIG 0x00040000u

/* Parameter lists. */
#define ZET_LIST_SIGNATURE 0x0FDE2E4Bu
#define ZET_ROW_MARKER "$NEW_ROW$"
#define ZET_ITEM_STATE_ASSIGNED 2

/* Messages to the host's message window. wParam is always the instance's ModuleIndex. */
#define ZET_WM_COPYDATA 0x004A         /* lParam: COPYDATASTRUCT; sent, abort-if-hung, 1000 ms */
#define ZET_COPYDATA_LOG_BLOCK 1       /* dwData: pending log lines separated by CR LF */
#define ZET_COPYDATA_LOG_LINE 2        /* dwData: one log line */
#define ZET_WM_HOST_LOG_PENDING 0x0711 /* lParam 0: log lines wait for GetLogEx */
#define ZET_WM_HOST_RELOAD_SETTINGS 0x0714 /* lParam 0: reload this module's settings */
/* Log line levels: the first character of every log line. */
#define ZET_LOG_FAILURE 0x01
#define ZET_LOG_ERROR 0x02
#define ZET_LOG_SUCCESS 0x03

/* ---- records ----------------------------------------------------------------------------- */

#pragma pack(push, 1)

/* Data passed into a call, a buffer the host lends, or a small result passed back. */
typedef struct TPluginDataDesc {
  uint32_t Reserved; /* never interpreted; copied when the input passes through to the output */
  int32_t Size;      /* capacity of a buffer at Data (input), or the width of an inline value */
  uint8_t Kind;      /* ZET_KIND_* */
  uintptr_t Data;    /* a pointer or an inline 32-bit value, depending on Kind */
} TPluginDataDesc;

/* The record every export except GetPluginIntfVersion takes. Owned by the host; the library
   reads and writes it only during the call and keeps no pointer to it afterwards. */
typedef struct TPluginCallRec {
  uint32_t RecordTag;    /* ZET_RECORD_TAG for the calls that validate the record */
  int8_t Action;         /* ZET_ACTION_RELEASE, ZET_ACTION_SHUTDOWN, or any other value */
  uint32_t ModuleHandle; /* the host's handle of the module instance; 0 = no instance */
  uint32_t ModuleIndex;  /* the host's index of the module; first parameter of every message */
  uint32_t Reserved1;    /* not read or written by the library */
  uint32_t Reserved2;    /* not read or written by the library */
  uint8_t ModuleTypes;   /* the roles in which the host makes this call (ZET_MTT_*) */
  void* Params;          /* the call's named parameters (a TzetParamsList), may be null */
  TPluginDataDesc Input;
  TPluginDataDesc Output;
} TPluginCallRec, *PPluginCallRec;

/* Output of GetModuleInfo, written into a buffer of at least 33 bytes that the host provides.
   The texts follow the header inside the same buffer, UTF-8, without terminating zeros. */
typedef struct TPluginModuleInfo {
  uint32_t Size;              /* set by the host to the buffer's size; left unchanged */
  uint32_t TypeWord;          /* roles in bits 0..7, options in bits 16..18 */
  uint32_t IntfVersion;       /* ZET_INTERFACE_VERSION */
  float MinVersion;           /* oldest host version the module works with */
  uint8_t MultiThread;        /* 1 when the module supports calls from several threads */
  uint32_t DescriptionLength; /* byte length of the description; 0 when empty */
  uintptr_t DescriptionText;  /* address of the description inside this buffer; 0 when empty */
  uint32_t CommandsLength;    /* byte length of the custom-commands text; 0 when empty */
  uintptr_t CommandsText;     /* address of that text inside this buffer; 0 when empty */
} TPluginModuleInfo;

#pragma pack(pop)

/* Object layout of a parameter list and its items, as the other side reads them. */
typedef struct ZetParamsListLayout {
  const void* ClassPointer; /* class table (see above) */
  void** Items;             /* array of item pointers, process heap */
  int32_t Count;
  int32_t Capacity;
  uint32_t Signature; /* ZET_LIST_SIGNATURE from construction until destruction begins, then 0 */
  const char* ListId; /* 8-bit string: a GUID in registry text form */
  uint32_t Reserved;  /* 0 */
  const void* ItemClass;
} ZetParamsListLayout;

typedef struct ZetParamsListItemLayout {
  const void* ClassPointer;
  const char* Name;      /* 8-bit string, case and blanks kept */
  const char* LowerName; /* Name lower-cased with the ANSI code page rules */
  uint32_t DeclaredType; /* 0 for items the library creates */
  uint8_t State;         /* ZET_ITEM_STATE_ASSIGNED, or 0 when created with an empty value */
  union { /* OLE VARIANT: 16 bytes at offset 24 in a 32-bit process, 24 bytes in a 64-bit one */
    uint8_t Bytes[8 + 2 * sizeof(void*)];
    double Align;
  } Value;
} ZetParamsListItemLayout;

/* ---- exported functions -------------------------------------------------------------------
   Every export may be called from any host thread. No failure leaves an export: each answers a
   result code or its no-instance value. The call record is the host's; the library writes only
   the fields the export documents.
   Any number of host threads may call one instance at once. Each calling thread gets the rows
   its calls release in an output list of its own, which stays as the call left it until that
   thread's next data call for the instance, its release request, the last UNLOAD or the
   thread's end. */

/* The interface version, ZET_INTERFACE_VERSION. */
typedef int32_t(ZET_CALL* PFN_GetPluginIntfVersion)(void);
/* Fills Info (when not null and Info->Size is large enough) and sets *RequiredSize to the bytes
   needed. Answers true only when the whole record with its texts fits. Creates the instance. */
typedef uint8_t(ZET_CALL* PFN_GetModuleInfo)(PPluginCallRec rec, TPluginModuleInfo* info,
                                             uint32_t* requiredSize);
/* The oldest host version, or -1.0 without an instance. Creates the instance. */
typedef float(ZET_CALL* PFN_GetAppMinVersion)(PPluginCallRec rec);
/* The zero-terminated description, owned by the instance (valid until it changes or the instance
   is destroyed), or null without an instance. Creates the instance. */
typedef const char*(ZET_CALL* PFN_GetModuleDescription)(PPluginCallRec rec);
/* The module type word, or 0 without an instance. Creates the instance. */
typedef uint32_t(ZET_CALL* PFN_GetModuleType)(PPluginCallRec rec);
/* True when the module supports calls from several threads. Creates the instance. */
typedef uint8_t(ZET_CALL* PFN_MultiThreadSupport)(PPluginCallRec rec);
/* The custom-commands text; copied into the buffer lent in Input (Data, Size) without a zero,
   its length in Output (kind 5). Answers the byte count. Creates the instance. */
typedef int32_t(ZET_CALL* PFN_GetCustomCommands)(PPluginCallRec rec);
/* Runs the command named by the parameter "COMMAND". Answers a ZET_RESULT_* code or a count.
   Creates the instance. */
typedef int32_t(ZET_CALL* PFN_ExecutePluginCommand)(PPluginCallRec rec);
/* Runs the module's options dialog modally; the result is in Output (kind 5). Creates the
   instance. */
typedef void(ZET_CALL* PFN_ShowOptionsDialog)(PPluginCallRec rec);
/* Hands the module one packet (Input kind 1 or 8); rows come back in Output (kind 1).
   Creates the instance. */
typedef int32_t(ZET_CALL* PFN_ProcessData)(PPluginCallRec rec);
/* Asks for data the module has ready; Input kind 6 with ZET_REQUEST_RELEASE drops it. */
typedef int32_t(ZET_CALL* PFN_GetData)(PPluginCallRec rec);
/* Hands out the queued events (Output kind 1); passing the list back, or the release request,
   empties it. */
typedef int32_t(ZET_CALL* PFN_GetEvents)(PPluginCallRec rec);
/* Hands the instance's pending log lines to the host in a buffer the host lends: Input.Data is
   its address, Input.Size its capacity in bytes. Does not create the instance.
   The text is the lines in the order they were logged, each made of its level character
   (ZET_LOG_*), the line and CR LF; a line logged several times in a row is one line ending in
   " xN". No terminating zero is written. Lines are kept only while the instance has a message
   window, at most 1024 of them (the oldest go first); ZET_WM_HOST_LOG_PENDING says that some
   wait.
   Output becomes kind ZET_KIND_INTEGER, and Output.Data the byte length of all pending lines
   (0 when none wait or without an instance). Then:
    - Input.Size 0: the pending lines are discarded; answers 0.
    - Input.Size at least that length and Input.Data not null: the text is copied to Input.Data
      and the lines leave the instance; answers the length.
    - a smaller (or negative) Input.Size, or Input.Data null: nothing is copied and the lines
      stay; answers 0. A call with a buffer of Output.Data bytes then fetches them, unless more
      lines were logged in between: Output.Data then tells the new length.
   Copying and removing are one step: a line logged by another thread at the same time is either
   in this call's text or waits for the next call. Without an instance (ModuleHandle 0 or
   unknown, Action ZET_ACTION_SHUTDOWN, or Action ZET_ACTION_RELEASE, which releases it) answers
   0 with Output.Data 0; a null record answers 0. */
typedef int32_t(ZET_CALL* PFN_GetLogEx)(PPluginCallRec rec);

#ifdef __cplusplus
} /* extern "C" */
#endif

/* ---- layout checks for the 32-bit process ------------------------------------------------ */
#if defined(__cplusplus) && (UINTPTR_MAX == 0xFFFFFFFFu)
#define ZET_ABI_ASSERT(e) static_assert(e, #e)
#elif (UINTPTR_MAX == 0xFFFFFFFFu)
#define ZET_ABI_ASSERT(e) _Static_assert(e, #e)
#endif
#ifdef ZET_ABI_ASSERT
ZET_ABI_ASSERT(sizeof(TPluginDataDesc) == 13);
ZET_ABI_ASSERT(offsetof(TPluginDataDesc, Size) == 4);
ZET_ABI_ASSERT(offsetof(TPluginDataDesc, Kind) == 8);
ZET_ABI_ASSERT(offsetof(TPluginDataDesc, Data) == 9);
ZET_ABI_ASSERT(sizeof(TPluginCallRec) == 52);
ZET_ABI_ASSERT(offsetof(TPluginCallRec, Action) == 4);
ZET_ABI_ASSERT(offsetof(TPluginCallRec, ModuleHandle) == 5);
ZET_ABI_ASSERT(offsetof(TPluginCallRec, ModuleIndex) == 9);
ZET_ABI_ASSERT(offsetof(TPluginCallRec, Reserved1) == 13);
ZET_ABI_ASSERT(offsetof(TPluginCallRec, Reserved2) == 17);
ZET_ABI_ASSERT(offsetof(TPluginCallRec, ModuleTypes) == 21);
ZET_ABI_ASSERT(offsetof(TPluginCallRec, Params) == 22);
ZET_ABI_ASSERT(offsetof(TPluginCallRec, Input) == 26);
ZET_ABI_ASSERT(offsetof(TPluginCallRec, Input.Size) == 30);
ZET_ABI_ASSERT(offsetof(TPluginCallRec, Input.Kind) == 34);
ZET_ABI_ASSERT(offsetof(TPluginCallRec, Input.Data) == 35);
ZET_ABI_ASSERT(offsetof(TPluginCallRec, Output) == 39);
ZET_ABI_ASSERT(offsetof(TPluginCallRec, Output.Size) == 43);
ZET_ABI_ASSERT(offsetof(TPluginCallRec, Output.Kind) == 47);
ZET_ABI_ASSERT(offsetof(TPluginCallRec, Output.Data) == 48);
ZET_ABI_ASSERT(sizeof(TPluginModuleInfo) == 33);
ZET_ABI_ASSERT(offsetof(TPluginModuleInfo, TypeWord) == 4);
ZET_ABI_ASSERT(offsetof(TPluginModuleInfo, IntfVersion) == 8);
ZET_ABI_ASSERT(offsetof(TPluginModuleInfo, MinVersion) == 12);
ZET_ABI_ASSERT(offsetof(TPluginModuleInfo, MultiThread) == 16);
ZET_ABI_ASSERT(offsetof(TPluginModuleInfo, DescriptionLength) == 17);
ZET_ABI_ASSERT(offsetof(TPluginModuleInfo, DescriptionText) == 21);
ZET_ABI_ASSERT(offsetof(TPluginModuleInfo, CommandsLength) == 25);
ZET_ABI_ASSERT(offsetof(TPluginModuleInfo, CommandsText) == 29);
ZET_ABI_ASSERT(sizeof(ZetParamsListLayout) == 32);
ZET_ABI_ASSERT(offsetof(ZetParamsListLayout, Signature) == 16);
ZET_ABI_ASSERT(offsetof(ZetParamsListLayout, ListId) == 20);
ZET_ABI_ASSERT(offsetof(ZetParamsListLayout, ItemClass) == 28);
ZET_ABI_ASSERT(sizeof(ZetParamsListItemLayout) == 40);
ZET_ABI_ASSERT(offsetof(ZetParamsListItemLayout, LowerName) == 8);
ZET_ABI_ASSERT(offsetof(ZetParamsListItemLayout, State) == 16);
ZET_ABI_ASSERT(offsetof(ZetParamsListItemLayout, Value) == 24);
#undef ZET_ABI_ASSERT
#endif

#endif /* ZET_PLUGIN_ABI_H */
