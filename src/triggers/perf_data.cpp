// Walking a performance-data block, finding the process object in it, the
// counter-title table, and reading a performance-data value into a buffer
// that grows until the value fits.
#include "triggers/perf_data.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "core/log.h"
#include "core/text_compare.h"

namespace {

// The first byte of length bytes found offset bytes past base, when they lie
// whole inside the data.
const BYTE* Span(PerfData data, const void* base, uint64_t offset, size_t length)
{
    if (!data.begin || !base)
        return nullptr;
    uintptr_t first = (uintptr_t)data.begin;
    uintptr_t at = (uintptr_t)base;
    if (at < first || at - first > data.size)
        return nullptr;
    uint64_t start = (uint64_t)(at - first) + offset;
    if (start > data.size || length > data.size - start)
        return nullptr;
    return data.begin + start;
}

// The structure offset bytes past base, when it lies whole inside the data
// at an address it can be read from.
template <typename T> const T* At(PerfData data, const void* base, uint64_t offset)
{
    const BYTE* at = Span(data, base, offset, sizeof(T));
    if (!at || (uintptr_t)at % alignof(T) != 0)
        return nullptr;
    return (const T*)at;
}

const size_t MAX_PROCESS_NAME = 259;
const char EXE_SUFFIX[] = ".exe";

// "<instance name>.exe"; false when the name cannot be read or does not fit.
bool ProcessName(PerfData data, const PerfInstanceDefinition* instance, WideToAnsiFunction convert,
                 char (&name)[MAX_PROCESS_NAME + 1])
{
    size_t length;
    const BYTE* wide = InstanceName(data, instance, &length);
    const size_t room = sizeof name - (sizeof EXE_SUFFIX - 1);
    if (!wide || !convert(wide, length, name, room))
        return false;
    memcpy(name + strlen(name), EXE_SUFFIX, sizeof EXE_SUFFIX);
    return true;
}

bool ProcessId(PerfData data, const PerfInstanceDefinition* instance,
               const PerfCounterDefinition* id_counter, DWORD* process_id)
{
    const BYTE* value = CounterData(data, instance, id_counter, sizeof *process_id);
    if (!value)
        return false;
    memcpy(process_id, value, sizeof *process_id);
    return true;
}

// Every instance the object counts, with its process id, lies inside the
// data. Checked before any callback runs, so that a damaged block is not
// taken for a list that lacks the processes it cannot show.
bool InstancesReadable(PerfData data, const PerfObjectType* object, const PerfCounterDefinition* id_counter)
{
    const PerfInstanceDefinition* instance = FirstInstance(data, object);
    for (int32_t i = 0; i < object->NumInstances; i++) {
        DWORD process_id;
        if (!instance || !ProcessId(data, instance, id_counter, &process_id))
            return false;
        if (i + 1 < object->NumInstances)
            instance = NextInstance(data, instance);
    }
    return true;
}

// The next string of a list of NUL-terminated strings, or nothing when text
// has no terminator before end.
const char* NextString(const char* text, const char* end)
{
    const char* nul = (const char*)memchr(text, '\0', (size_t)(end - text));
    return nul ? nul + 1 : nullptr;
}

}  // namespace

const PerfObjectType* FirstObject(PerfData data)
{
    WriteLog("FirstObject, pData=%p", (const void*)data.begin);
    const PerfDataBlock* block = At<PerfDataBlock>(data, data.begin, 0);
    return block ? At<PerfObjectType>(data, block, block->HeaderLength) : nullptr;
}

const PerfObjectType* NextObject(PerfData data, const PerfObjectType* object)
{
    WriteLog("NextObject, pData=%p", (const void*)object);
    if (!object || object->TotalByteLength < sizeof *object)
        return nullptr;
    return At<PerfObjectType>(data, object, object->TotalByteLength);
}

const PerfCounterDefinition* FirstCounter(PerfData data, const PerfObjectType* object)
{
    WriteLog("FirstCounter, pObject=%p", (const void*)object);
    return object ? At<PerfCounterDefinition>(data, object, object->HeaderLength) : nullptr;
}

const PerfCounterDefinition* NextCounter(PerfData data, const PerfCounterDefinition* counter)
{
    WriteLog("NextCounter, pCounter=%p", (const void*)counter);
    if (!counter || counter->ByteLength < sizeof *counter)
        return nullptr;
    return At<PerfCounterDefinition>(data, counter, counter->ByteLength);
}

const PerfInstanceDefinition* FirstInstance(PerfData data, const PerfObjectType* object)
{
    WriteLog("FirstInstance (pObject=%p)", (const void*)object);
    return object ? At<PerfInstanceDefinition>(data, object, object->DefinitionLength) : nullptr;
}

const PerfInstanceDefinition* NextInstance(PerfData data, const PerfInstanceDefinition* instance)
{
    WriteLog("NextInstance (pInst=%p)", (const void*)instance);
    if (!instance || instance->ByteLength < sizeof *instance)
        return nullptr;
    const PerfCounterBlock* counters = At<PerfCounterBlock>(data, instance, instance->ByteLength);
    if (!counters || counters->ByteLength < sizeof *counters)
        return nullptr;
    return At<PerfInstanceDefinition>(data, counters, counters->ByteLength);
}

const BYTE* CounterData(PerfData data, const PerfInstanceDefinition* instance,
                        const PerfCounterDefinition* counter, size_t length)
{
    WriteLog("CounterData (pInst=%p, pCount=%p)", (const void*)instance, (const void*)counter);
    if (!instance || !counter)
        return nullptr;
    return Span(data, instance, (uint64_t)instance->ByteLength + counter->CounterOffset, length);
}

const BYTE* InstanceName(PerfData data, const PerfInstanceDefinition* instance, size_t* length)
{
    WriteLog("InstanceName (pInst=%p)", (const void*)instance);
    *length = 0;
    const BYTE* name = instance ? Span(data, instance, instance->NameOffset, 0) : nullptr;
    if (!name)
        return nullptr;
    size_t bytes = data.size - (size_t)(name - data.begin);
    if (instance->NameLength < bytes)
        bytes = instance->NameLength;
    while (*length < bytes / 2 && (name[2 * *length] || name[2 * *length + 1]))
        ++*length;
    return name;
}

const PerfObjectType* FindObject(PerfData data, DWORD title_index)
{
    WriteLog("FindObject start, index=%lu", (unsigned long)title_index);
    const PerfDataBlock* block = At<PerfDataBlock>(data, data.begin, 0);
    const PerfObjectType* found = nullptr;
    if (block && title_index != 0) {
        const PerfObjectType* object = FirstObject(data);
        for (DWORD i = 0; object && i < block->NumObjectTypes; i++) {
            if (object->ObjectNameTitleIndex == title_index) {
                found = object;
                break;
            }
            object = NextObject(data, object);
        }
    }
    WriteLog("FindObject end, pObject=%p", (const void*)found);
    return found;
}

const PerfCounterDefinition* FindCounter(PerfData data, const PerfObjectType* object, DWORD title_index)
{
    WriteLog("FindCounter start, index=%lu", (unsigned long)title_index);
    const PerfCounterDefinition* found = nullptr;
    if (object && title_index != 0) {
        const PerfCounterDefinition* counter = FirstCounter(data, object);
        for (DWORD i = 0; counter && i < object->NumCounters; i++) {
            if (counter->CounterNameTitleIndex == title_index) {
                found = counter;
                break;
            }
            counter = NextCounter(data, counter);
        }
    }
    WriteLog("FindCounter end (pCounter=%p)", (const void*)found);
    return found;
}

int WalkProcessObject(PerfData data, DWORD process_index, DWORD id_index, WideToAnsiFunction convert,
                      EnumProcsCallback callback, void* callback_data)
{
    WriteLog("WalkProcessObject start");
    const PerfObjectType* object = FindObject(data, process_index);
    const PerfCounterDefinition* id_counter = object ? FindCounter(data, object, id_index) : nullptr;
    if (!id_counter || !InstancesReadable(data, object, id_counter)) {
        WriteLog("WalkProcessObject end, no process list");
        return PERF_WALK_NO_DATA;
    }

    const PerfInstanceDefinition* instance = FirstInstance(data, object);
    for (int32_t i = 0; instance && i < object->NumInstances; i++) {
        DWORD process_id = 0;
        char name[MAX_PROCESS_NAME + 1];
        // Process id 0: the idle process and the total line.
        if (ProcessId(data, instance, id_counter, &process_id) && process_id != 0) {
            if (!ProcessName(data, instance, convert, name)) {
                WriteLog("Instance name of process %lu unreadable or too long", (unsigned long)process_id);
            } else {
                WriteLog("procname=%s", name);
                if (callback(process_id, 0, name, callback_data) == 0) {
                    WriteLog("WalkProcessObject end, stopped");
                    return PERF_WALK_STOPPED;
                }
            }
        }
        instance = NextInstance(data, instance);
    }
    WriteLog("WalkProcessObject end");
    return PERF_WALK_DONE;
}

void FillTitleTable(const char* titles, size_t size, const char** table, DWORD last_index)
{
    const char* end = titles + size;
    const char* text = titles;
    while (text < end && *text) {
        const char* title = NextString(text, end);
        const char* next = title && title < end ? NextString(title, end) : nullptr;
        if (!next)
            break;  // a pair without its terminated title
        errno = 0;
        char* digits_end;
        unsigned long index = strtoul(text, &digits_end, 10);
        if (errno == 0 && digits_end != text && text[0] != '-' && index <= last_index)
            table[index] = title;
        text = next;
    }
}

DWORD FindTitleIndex(const char* const* table, DWORD last_index, const char* name)
{
    for (DWORD i = 0; i <= last_index; i++)
        if (table[i] && table[i][0] && EqualIgnoringCase(table[i], name))
            return i;
    return 0;
}

long GetPerfData(PerfValueQuery query, HKEY key, const char* value_name, BYTE** buffer, DWORD* size,
                 DWORD* length)
{
    WriteLog("GetPerfData start (szObjectIndex=%s,pDataSize=%d)", value_name, (int)*size);
    *length = 0;
    if (!*buffer)
        *buffer = (BYTE*)malloc(*size);
    while (*buffer) {
        DWORD read = *size;
        long answer = query(key, value_name, *buffer, &read);
        WriteLog("dwR=%d", (int)answer);
        if (answer != ERROR_CODE_MORE_DATA) {
            if (answer == 0)
                *length = read <= *size ? read : *size;
            WriteLog("GetPerfData end (dwR=%d)", (int)answer);
            return answer;
        }
        free(*buffer);
        *buffer = nullptr;
        if (*size > UINT32_MAX - PERF_DATA_SIZE_STEP)
            break;
        *size += PERF_DATA_SIZE_STEP;
        *buffer = (BYTE*)malloc(*size);
        WriteLog("ppData=%p, size=%d", (void*)*buffer, (int)*size);
    }
    WriteLog("GetPerfData end (ERROR_NOT_ENOUGH_MEMORY)");
    return ERROR_CODE_NOT_ENOUGH_MEMORY;
}
