// The performance-data walk over synthetic blocks laid out as the system
// lays them out, the counter-title table, and the growing read buffer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "core/app_state.h"
#include "triggers/perf_data.h"
#include "triggers/process_watch.h"

namespace {

const DWORD SYSTEM_OBJECT = 2, PROCESS_OBJECT = 230, PROCESSOR_TIME = 6, ID_PROCESS = 784;

struct Instance {
    std::string name;
    DWORD process_id;
};

// Builds a data block: a "System" object without instances, then the
// "Process" object with a processor-time and an "ID Process" counter.
class BlockBuilder {
public:
    explicit BlockBuilder(const std::vector<Instance>& instances)
    {
        PerfDataBlock header = {};
        header.HeaderLength = sizeof header;
        header.NumObjectTypes = 2;
        Append(header);
        AddObject(SYSTEM_OBJECT, {PROCESSOR_TIME}, nullptr);
        AddObject(PROCESS_OBJECT, {PROCESSOR_TIME, ID_PROCESS}, &instances);
        Patch<PerfDataBlock>(0)->TotalByteLength = (DWORD)bytes_.size();
        // 8-byte aligned, as the registry read leaves it.
        storage_.assign(bytes_.size() / 8 + 1, 0);
        memcpy(storage_.data(), bytes_.data(), bytes_.size());
    }
    // The block, or its first size bytes.
    PerfData Data(size_t size = SIZE_MAX) const
    {
        return {(const BYTE*)storage_.data(), size < bytes_.size() ? size : bytes_.size()};
    }
    size_t Size() const { return bytes_.size(); }

private:
    template <typename T> void Append(const T& value)
    {
        const BYTE* p = (const BYTE*)&value;
        bytes_.insert(bytes_.end(), p, p + sizeof value);
    }
    void Align8() { bytes_.resize((bytes_.size() + 7) / 8 * 8, 0); }
    template <typename T> T* Patch(size_t offset) { return (T*)(bytes_.data() + offset); }

    void AddObject(DWORD title, const std::vector<DWORD>& counters, const std::vector<Instance>* instances)
    {
        size_t start = bytes_.size();
        PerfObjectType object = {};
        object.HeaderLength = sizeof object;
        object.DefinitionLength = (DWORD)(sizeof object + counters.size() * sizeof(PerfCounterDefinition));
        object.ObjectNameTitleIndex = title;
        object.NumCounters = (DWORD)counters.size();
        object.NumInstances = instances ? (int32_t)instances->size() : -1;
        Append(object);
        for (size_t i = 0; i < counters.size(); i++) {
            PerfCounterDefinition counter = {};
            counter.ByteLength = sizeof counter;
            counter.CounterNameTitleIndex = counters[i];
            counter.CounterSize = 8;
            counter.CounterOffset = (DWORD)(8 + 8 * i);
            Append(counter);
        }
        if (instances) {
            for (const Instance& instance : *instances) {
                size_t at = bytes_.size();
                PerfInstanceDefinition definition = {};
                definition.NameOffset = sizeof definition;
                definition.NameLength = (DWORD)(2 * (instance.name.size() + 1));
                Append(definition);
                for (char c : instance.name)
                    Append((uint16_t)(unsigned char)c);
                Append((uint16_t)0);
                Align8();
                Patch<PerfInstanceDefinition>(at)->ByteLength = (DWORD)(bytes_.size() - at);
                AddCounterBlock(counters.size(), instance.process_id);
            }
        } else {
            AddCounterBlock(counters.size(), 0);
        }
        Patch<PerfObjectType>(start)->TotalByteLength = (DWORD)(bytes_.size() - start);
    }
    // Counter i at offset 8 + 8 i; the process id is the second counter.
    void AddCounterBlock(size_t counters, DWORD process_id)
    {
        PerfCounterBlock block = {(DWORD)(8 + 8 * counters)};
        Append(block);
        Append((DWORD)0);
        for (size_t i = 0; i < counters; i++) {
            Append((DWORD)(i == 1 ? process_id : 0xDEAD));
            Append((DWORD)0);
        }
    }

    std::vector<BYTE> bytes_;
    std::vector<uint64_t> storage_;
};

bool AsciiName(const BYTE* text, size_t length, char* out, size_t size)
{
    if (length + 1 > size)
        return false;
    for (size_t i = 0; i < length; i++)
        out[i] = (char)text[2 * i];
    out[length] = '\0';
    return true;
}

typedef std::vector<std::pair<DWORD, std::string>> Visits;

int Record(DWORD process_id, WORD reserved, const char* name, void* visits)
{
    EXPECT_EQ(reserved, 0);
    ((Visits*)visits)->push_back({process_id, name});
    return 1;
}

int Walk(PerfData data, Visits* visits, DWORD process_index = PROCESS_OBJECT, DWORD id_index = ID_PROCESS)
{
    return WalkProcessObject(data, process_index, id_index, AsciiName, Record, visits);
}

const std::vector<Instance> processes = {
    {"Idle", 0}, {"svchost", 612}, {"svchost", 700}, {"explorer", 1500}, {"_Total", 0},
};

}  // namespace

TEST(PerfData, WalkHandsOverEveryProcessWithExeAppended)
{
    BlockBuilder block(processes);
    Visits visits;
    EXPECT_EQ(Walk(block.Data(), &visits), PERF_WALK_DONE);
    // Both processes of one name; id 0 (idle, total) skipped.
    Visits expected = {{612, "svchost.exe"}, {700, "svchost.exe"}, {1500, "explorer.exe"}};
    EXPECT_EQ(visits, expected);
}

TEST(PerfData, WatchedNameStopsTheWalkIgnoringCase)
{
    BlockBuilder block(processes);
    AppState state;
    SetDefaultSettings(&state);
    struct {
        const char* watched;
        int result;
    } cases[] = {
        {"EXPLORER.exe", PERF_WALK_STOPPED}, {"svchost.exe", PERF_WALK_STOPPED},
        {"explorer", PERF_WALK_DONE},        {"Idle.exe", PERF_WALK_DONE},
    };
    for (auto& c : cases) {
        ASSERT_TRUE(CopyField(state.process.process, c.watched));
        EXPECT_EQ(WalkProcessObject(block.Data(), PROCESS_OBJECT, ID_PROCESS, AsciiName, MatchWatchedProcess,
                                    &state),
                  c.result)
            << c.watched;
    }
}

TEST(PerfData, WithoutTheProcessObjectOrItsIdCounterThereIsNoList)
{
    BlockBuilder block(processes);
    BlockBuilder empty({});
    struct {
        const char* what;
        PerfData data;
        DWORD process_index, id_index;
    } cases[] = {
        {"unknown object", block.Data(), 231, ID_PROCESS},
        {"object without that counter", block.Data(), SYSTEM_OBJECT, ID_PROCESS},
        {"unknown counter", block.Data(), PROCESS_OBJECT, 785},
        {"title index 0", block.Data(), 0, ID_PROCESS},
        {"no block", {nullptr, 0}, PROCESS_OBJECT, ID_PROCESS},
        {"header only", block.Data(sizeof(PerfDataBlock)), PROCESS_OBJECT, ID_PROCESS},
    };
    for (auto& c : cases) {
        Visits visits;
        EXPECT_EQ(Walk(c.data, &visits, c.process_index, c.id_index), PERF_WALK_NO_DATA) << c.what;
        EXPECT_TRUE(visits.empty()) << c.what;
    }
    // An object without instances is a list of no processes.
    Visits visits;
    EXPECT_EQ(Walk(empty.Data(), &visits), PERF_WALK_DONE);
    EXPECT_TRUE(visits.empty());
}

TEST(PerfData, CutBlockGivesNoListRatherThanAShortOne)
{
    // A block cut anywhere either still holds every process id (only the
    // last counter block's tail is missing) or is refused before any
    // callback runs, so a missing process is never reported as stopped.
    BlockBuilder block(processes);
    Visits full;
    Walk(block.Data(), &full);
    for (size_t size = 0; size < block.Size(); size++) {
        Visits visits;
        int result = Walk(block.Data(size), &visits);
        if (result == PERF_WALK_DONE)
            EXPECT_EQ(visits, full) << "size " << size;
        else
            EXPECT_TRUE(result == PERF_WALK_NO_DATA && visits.empty()) << "size " << size;
    }
}

TEST(PerfData, DamagedLengthsEndTheWalk)
{
    BlockBuilder block(processes);
    PerfData data = block.Data();
    const PerfObjectType* object = FindObject(data, PROCESS_OBJECT);
    ASSERT_NE(object, nullptr);
    auto* id_counter = (PerfCounterDefinition*)FindCounter(data, object, ID_PROCESS);
    ASSERT_NE(id_counter, nullptr);
    auto* idle = (PerfInstanceDefinition*)FirstInstance(data, object);
    ASSERT_NE(idle, nullptr);
    auto* svchost = (PerfInstanceDefinition*)NextInstance(data, idle);
    ASSERT_NE(svchost, nullptr);
    Visits visits;

    // An instance length of 0 would walk in place.
    DWORD length = idle->ByteLength;
    idle->ByteLength = 0;
    EXPECT_EQ(Walk(data, &visits), PERF_WALK_NO_DATA);
    idle->ByteLength = length;

    // A counter offset beyond the block.
    id_counter->CounterOffset = 0xFFFFFFF0;
    EXPECT_EQ(Walk(data, &visits), PERF_WALK_NO_DATA);
    EXPECT_TRUE(visits.empty());
    id_counter->CounterOffset = 16;

    // More instances counted than the block holds.
    ((PerfObjectType*)object)->NumInstances = 1000;
    EXPECT_EQ(Walk(data, &visits), PERF_WALK_NO_DATA);
    EXPECT_TRUE(visits.empty());
    ((PerfObjectType*)object)->NumInstances = (int32_t)processes.size();

    // A name beyond the block: only that process is passed over.
    svchost->NameOffset = (DWORD)data.size;
    EXPECT_EQ(Walk(data, &visits), PERF_WALK_DONE);
    Visits expected = {{700, "svchost.exe"}, {1500, "explorer.exe"}};
    EXPECT_EQ(visits, expected);
}

TEST(PerfData, NamesLongerThan259CharactersAreSkipped)
{
    std::string fits(255, 'a'), too_long(256, 'b');
    BlockBuilder block({{fits, 10}, {too_long, 11}, {"x", 12}});
    Visits visits;
    EXPECT_EQ(Walk(block.Data(), &visits), PERF_WALK_DONE);
    Visits expected = {{10, fits + ".exe"}, {12, "x.exe"}};
    EXPECT_EQ(visits, expected);
}

TEST(PerfTitles, TableFromIndexTitlePairs)
{
    static const char titles[] = "1\0001847\0002\0System\000230\0Process\000784\0ID Process\000"
                                 "232\0process\0009999\0Beyond\0x\0Not a number\0";
    // Read to its exact size, so a walk past the end would be caught.
    std::vector<char> value(titles, titles + sizeof titles - 1);
    const DWORD last = 1847;
    std::vector<const char*> table(last + 1, nullptr);
    FillTitleTable(value.data(), value.size(), table.data(), last);

    EXPECT_STREQ(table[2], "System");
    EXPECT_STREQ(table[1], "1847");
    EXPECT_EQ(table[0], nullptr);  // "x" is no index
    struct {
        const char* name;
        DWORD index;
    } cases[] = {
        {"Process", 230},  // the lower index of two equal titles
        {"id process", 784}, {"SYSTEM", 2}, {"Beyond", 0},  // above the last index
        {"Missing", 0},      {"", 0},
    };
    for (auto& c : cases)
        EXPECT_EQ(FindTitleIndex(table.data(), last, c.name), c.index) << c.name;

    // A title cut off by the end of the value is not used.
    std::vector<char> cut(titles, titles + 12);  // "1\0" "1847\0" "2\0" "Sys"
    std::vector<const char*> cut_table(last + 1, nullptr);
    FillTitleTable(cut.data(), cut.size(), cut_table.data(), last);
    EXPECT_STREQ(cut_table[1], "1847");
    EXPECT_EQ(cut_table[2], nullptr);
}

namespace {

struct FakeValue {
    std::vector<BYTE> data;
    long error = 0;
    std::vector<DWORD> asked;  // buffer sizes offered
};
FakeValue fake_value;

long QueryFake(HKEY, const char* value_name, BYTE* buffer, DWORD* length)
{
    EXPECT_STREQ(value_name, "230");
    fake_value.asked.push_back(*length);
    if (fake_value.error)
        return fake_value.error;
    if (*length < fake_value.data.size())
        return ERROR_CODE_MORE_DATA;
    memcpy(buffer, fake_value.data.data(), fake_value.data.size());
    *length = (DWORD)fake_value.data.size();
    return 0;
}

}  // namespace

TEST(GetPerfData, GrowsTheBufferBy1024BytesUntilTheValueFits)
{
    fake_value = FakeValue();
    fake_value.data.resize(PERF_DATA_START_SIZE + 2500);
    for (size_t i = 0; i < fake_value.data.size(); i++)
        fake_value.data[i] = (BYTE)(i * 7);
    BYTE* buffer = nullptr;
    DWORD size = PERF_DATA_START_SIZE, length = 0;
    EXPECT_EQ(GetPerfData(QueryFake, nullptr, "230", &buffer, &size, &length), 0);
    EXPECT_EQ(fake_value.asked, (std::vector<DWORD>{51200, 52224, 53248, 54272}));
    EXPECT_EQ(size, 54272u);
    ASSERT_EQ(length, fake_value.data.size());
    EXPECT_EQ(memcmp(buffer, fake_value.data.data(), length), 0);
    free(buffer);

    // An error other than "more data" is passed on at once.
    fake_value = FakeValue();
    fake_value.error = 2;
    buffer = nullptr;
    size = PERF_DATA_START_SIZE;
    EXPECT_EQ(GetPerfData(QueryFake, nullptr, "230", &buffer, &size, &length), 2);
    EXPECT_EQ(fake_value.asked.size(), 1u);
    EXPECT_EQ(length, 0u);
    free(buffer);
}
