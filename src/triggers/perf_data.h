// The system's performance data as the registry hands it out: a data block
// of object types, each with its counter definitions and instances. The
// structures have the platform's documented layouts; the walkers step only
// inside the block that was read, so a damaged block ends a walk instead of
// leading it astray.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/platform.h"
#include "triggers/process_list.h"

struct PerfDataBlock {
    uint16_t Signature[4];
    DWORD LittleEndian;
    DWORD Version;
    DWORD Revision;
    DWORD TotalByteLength;
    DWORD HeaderLength;
    DWORD NumObjectTypes;
    int32_t DefaultObject;
    SYSTEMTIME SystemTime;
    DWORD Padding;
    DWORD PerfTime[2];
    DWORD PerfFreq[2];
    DWORD PerfTime100nSec[2];
    DWORD SystemNameLength;
    DWORD SystemNameOffset;
};

struct PerfObjectType {
    DWORD TotalByteLength;
    DWORD DefinitionLength;
    DWORD HeaderLength;
    DWORD ObjectNameTitleIndex;
    DWORD ObjectNameTitle;
    DWORD ObjectHelpTitleIndex;
    DWORD ObjectHelpTitle;
    DWORD DetailLevel;
    DWORD NumCounters;
    int32_t DefaultCounter;
    int32_t NumInstances;
    DWORD CodePage;
    DWORD PerfTime[2];
    DWORD PerfFreq[2];
};

struct PerfCounterDefinition {
    DWORD ByteLength;
    DWORD CounterNameTitleIndex;
    DWORD CounterNameTitle;
    DWORD CounterHelpTitleIndex;
    DWORD CounterHelpTitle;
    int32_t DefaultScale;
    DWORD DetailLevel;
    DWORD CounterType;
    DWORD CounterSize;
    DWORD CounterOffset;
};

struct PerfInstanceDefinition {
    DWORD ByteLength;
    DWORD ParentObjectTitleIndex;
    DWORD ParentObjectInstance;
    int32_t UniqueID;
    DWORD NameOffset;
    DWORD NameLength;  // in bytes, with the terminating NUL
};

struct PerfCounterBlock {
    DWORD ByteLength;
};

static_assert(sizeof(PerfDataBlock) == 88, "PERF_DATA_BLOCK layout");
static_assert(offsetof(PerfDataBlock, PerfTime) == 56, "PERF_DATA_BLOCK layout");
static_assert(sizeof(PerfObjectType) == 64, "PERF_OBJECT_TYPE layout");
static_assert(offsetof(PerfObjectType, PerfTime) == 48, "PERF_OBJECT_TYPE layout");
static_assert(sizeof(PerfCounterDefinition) == 40, "PERF_COUNTER_DEFINITION layout");
static_assert(sizeof(PerfInstanceDefinition) == 24, "PERF_INSTANCE_DEFINITION layout");
static_assert(sizeof(PerfCounterBlock) == 4, "PERF_COUNTER_BLOCK layout");

// A data block as read: its first byte and the number of bytes read.
struct PerfData {
    const BYTE* begin;
    size_t size;
};

// Each walker returns nothing when given nothing, or when what it would
// return does not lie whole inside the data (or would not move the walk on).
const PerfObjectType* FirstObject(PerfData data);
const PerfObjectType* NextObject(PerfData data, const PerfObjectType* object);
const PerfCounterDefinition* FirstCounter(PerfData data, const PerfObjectType* object);
const PerfCounterDefinition* NextCounter(PerfData data, const PerfCounterDefinition* counter);
const PerfInstanceDefinition* FirstInstance(PerfData data, const PerfObjectType* object);
const PerfInstanceDefinition* NextInstance(PerfData data, const PerfInstanceDefinition* instance);
// The counter's value in the instance's counter block; nothing unless
// length bytes of it lie inside the data. May be unaligned: read it with memcpy.
const BYTE* CounterData(PerfData data, const PerfInstanceDefinition* instance,
                        const PerfCounterDefinition* counter, size_t length);
// The instance's UTF-16 name (possibly unaligned) and its length in
// characters up to the first NUL, bounded by NameLength and the data.
const BYTE* InstanceName(PerfData data, const PerfInstanceDefinition* instance, size_t* length);

// The first object type (counter definition) with the given name index;
// nothing for index 0, which names nothing.
const PerfObjectType* FindObject(PerfData data, DWORD title_index);
const PerfCounterDefinition* FindCounter(PerfData data, const PerfObjectType* object,
                                         DWORD title_index);

// Converts length UTF-16 characters (bytes in little-endian order, possibly
// unaligned) to ANSI text in out; false when it does not fit in size bytes
// with its terminator.
typedef bool (*WideToAnsiFunction)(const BYTE* text, size_t length, char* out, size_t size);

// What the process object of a data block gives.
const int PERF_WALK_STOPPED = 0;   // a callback returned 0
const int PERF_WALK_DONE = 1;      // every process was visited
const int PERF_WALK_NO_DATA = -1;  // no "Process" object or "ID Process" counter

// Calls callback once per instance of the process object (name index
// process_index) whose "ID Process" counter (name index id_index) is not 0,
// with the instance name followed by ".exe". Names that do not fit in 259
// characters are skipped.
int WalkProcessObject(PerfData data, DWORD process_index, DWORD id_index, WideToAnsiFunction convert,
                      EnumProcsCallback callback, void* callback_data);

// Counter titles: the value holds string pairs (an index in decimal, then its
// title) ending with an empty string. Points table[index] (last_index + 1
// entries, zero-filled by the caller) at each title whose index is not above
// last_index. Reads no further than size bytes.
void FillTitleTable(const char* titles, size_t size, const char** table, DWORD last_index);
// The first index from 0 to last_index whose title equals name ignoring
// case; 0 when none does.
DWORD FindTitleIndex(const char* const* table, DWORD last_index, const char* name);

// Reads a value of the performance-data key: *length holds the buffer's
// size on entry and the number of bytes read on return. Returns 0 or a
// system error code.
typedef long (*PerfValueQuery)(HKEY key, const char* value_name, BYTE* buffer, DWORD* length);

const long ERROR_CODE_NOT_ENOUGH_MEMORY = 8;
const long ERROR_CODE_MORE_DATA = 234;
const DWORD PERF_DATA_START_SIZE = 51200;
const DWORD PERF_DATA_SIZE_STEP = 1024;

// Reads value_name through query into *buffer (malloc'ed; allocated with
// *size bytes when null), growing it by 1,024 bytes for every
// ERROR_MORE_DATA. *size ends as the buffer's size, *length as the bytes
// read. Returns 0, the query's error, or 8 when an allocation fails (the
// buffer is then released and null).
long GetPerfData(PerfValueQuery query, HKEY key, const char* value_name, BYTE** buffer, DWORD* size,
                 DWORD* length);
