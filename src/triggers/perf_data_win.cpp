// The performance data and their counter titles, read from the registry.
#include <cstdlib>

#include "core/log.h"
#include "core/owned.h"
#include "triggers/perf_data.h"
#include "triggers/process_list.h"

#include <winperf.h>

static_assert(sizeof(PerfDataBlock) == sizeof(PERF_DATA_BLOCK) &&
                  offsetof(PerfDataBlock, HeaderLength) == offsetof(PERF_DATA_BLOCK, HeaderLength) &&
                  offsetof(PerfDataBlock, NumObjectTypes) == offsetof(PERF_DATA_BLOCK, NumObjectTypes),
              "PerfDataBlock matches PERF_DATA_BLOCK");
static_assert(sizeof(PerfObjectType) == sizeof(PERF_OBJECT_TYPE) &&
                  offsetof(PerfObjectType, NumCounters) == offsetof(PERF_OBJECT_TYPE, NumCounters) &&
                  offsetof(PerfObjectType, NumInstances) == offsetof(PERF_OBJECT_TYPE, NumInstances),
              "PerfObjectType matches PERF_OBJECT_TYPE");
static_assert(sizeof(PerfCounterDefinition) == sizeof(PERF_COUNTER_DEFINITION) &&
                  offsetof(PerfCounterDefinition, CounterOffset) ==
                      offsetof(PERF_COUNTER_DEFINITION, CounterOffset),
              "PerfCounterDefinition matches PERF_COUNTER_DEFINITION");
static_assert(sizeof(PerfInstanceDefinition) == sizeof(PERF_INSTANCE_DEFINITION) &&
                  offsetof(PerfInstanceDefinition, NameLength) == offsetof(PERF_INSTANCE_DEFINITION, NameLength),
              "PerfInstanceDefinition matches PERF_INSTANCE_DEFINITION");
static_assert(sizeof(PerfCounterBlock) == sizeof(PERF_COUNTER_BLOCK), "PerfCounterBlock matches PERF_COUNTER_BLOCK");
static_assert(ERROR_CODE_MORE_DATA == ERROR_MORE_DATA && ERROR_CODE_NOT_ENOUGH_MEMORY == ERROR_NOT_ENOUGH_MEMORY,
              "system error codes");

namespace {

const char PERFLIB_KEY[] = "software\\microsoft\\windows nt\\currentversion\\perflib";
const char PERFLIB_ENGLISH_KEY[] = "software\\microsoft\\windows nt\\currentversion\\perflib\\009";

long QueryRegistryValue(HKEY key, const char* value_name, BYTE* buffer, DWORD* length)
{
    return RegQueryValueExA(key, value_name, nullptr, nullptr, buffer, length);
}

}  // namespace

long GetPerfTitleSz(HKEY machine_key, HKEY perf_key, char** title_buffer, const char*** title_table,
                    DWORD* last_index)
{
    WriteLog("GetPerfTitleSz start");
    *title_buffer = nullptr;
    *title_table = nullptr;
    OwnedKey perflib;
    OwnedKey english;
    HKEY titles_key = perf_key;
    const char* titles_value = "Counter 009";
    DWORD size = sizeof *last_index;
    DWORD type = 0;

    long error = RegOpenKeyExA(machine_key, PERFLIB_KEY, 0, KEY_READ, perflib.out());
    if (error == ERROR_SUCCESS)
        error = RegQueryValueExA(perflib.get(), "Last Counter", nullptr, &type, (BYTE*)last_index, &size);
    if (error == ERROR_SUCCESS && (type != REG_DWORD || size != sizeof *last_index))
        error = ERROR_INVALID_DATA;
    // Without a "Version" value the titles are kept under the language key.
    if (error == ERROR_SUCCESS &&
        RegQueryValueExA(perflib.get(), "Version", nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        error = RegOpenKeyExA(machine_key, PERFLIB_ENGLISH_KEY, 0, KEY_READ, english.out());
        titles_key = english.get();
        titles_value = "Counters";
    }

    DWORD titles_size = 0;
    if (error == ERROR_SUCCESS)
        error = RegQueryValueExA(titles_key, titles_value, nullptr, nullptr, nullptr, &titles_size);
    if (error == ERROR_SUCCESS) {
        // Two spare NULs end the list even when the value lacks them.
        *title_buffer = (char*)calloc((size_t)titles_size + 2, 1);
        *title_table = *last_index < UINT32_MAX
                           ? (const char**)calloc((size_t)*last_index + 1, sizeof **title_table)
                           : nullptr;
        if (!*title_buffer || !*title_table)
            error = ERROR_NOT_ENOUGH_MEMORY;
    }
    if (error == ERROR_SUCCESS)
        error = RegQueryValueExA(titles_key, titles_value, nullptr, nullptr, (BYTE*)*title_buffer, &titles_size);
    if (error == ERROR_SUCCESS) {
        FillTitleTable(*title_buffer, titles_size, *title_table, *last_index);
    } else {
        free(*title_buffer);
        free((void*)*title_table);
        *title_buffer = nullptr;
        *title_table = nullptr;
    }

    WriteLog("GetPerfTitleSz end");
    return error;
}

DWORD GetTitleIdx(const char* name)
{
    WriteLog("GetTitleIdx start, name=%s", name);
    char* buffer;
    const char** table;
    DWORD last_index = 0;
    if (GetPerfTitleSz(HKEY_LOCAL_MACHINE, HKEY_PERFORMANCE_DATA, &buffer, &table, &last_index) != 0) {
        WriteLog("GetTitleIdx end (Index=0)");
        return 0;
    }
    DWORD index = FindTitleIndex(table, last_index, name);
    free((void*)table);
    free(buffer);
    WriteLog("GetTitleIdx end (Index=%d)", (int)index);
    return index;
}

BYTE* RefreshPerfData(HKEY key, const char* value_name, DWORD size, DWORD* length)
{
    WriteLog("RefreshPerfData start");
    BYTE* block = nullptr;
    if (GetPerfData(QueryRegistryValue, key, value_name, &block, &size, length) != 0) {
        free(block);
        block = nullptr;
    }
    WriteLog("RefreshPerfData end, pData=%p", (void*)block);
    return block;
}
