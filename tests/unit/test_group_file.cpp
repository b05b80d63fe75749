#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "actions/group_file.h"
#include "core/app_state.h"

namespace {

RemotePC Computer(const char* name, const char* mac, const char* mask, int port, int use_nt,
                  int current_credentials, const char* username, const char* password,
                  int secure = 0)
{
    RemotePC pc = {};
    strcpy(pc.computer_name, name);
    strcpy(pc.mac_address, mac);
    strcpy(pc.subnet_mask, mask);
    pc.port = port;
    pc.use_nt = (int16_t)use_nt;
    pc.current_credentials = (int16_t)current_credentials;
    strcpy(pc.username, username);
    strcpy(pc.password, password);
    pc.secure = (int16_t)secure;
    return pc;
}

// A file in memory, handed out in pieces of at most `piece` bytes (reads
// may come back short before the end), optionally failing after some reads.
struct MemoryFile {
    std::string text;
    size_t piece = 1 << 20;
    int reads_before_error = -1;
    size_t at = 0;

    static bool Read(void* context, char* into, size_t room, size_t* got)
    {
        auto* file = (MemoryFile*)context;
        if (file->reads_before_error == 0)
            return false;
        file->reads_before_error--;
        *got = std::min({room, file->piece, file->text.size() - file->at});
        memcpy(into, file->text.data() + file->at, *got);
        file->at += *got;
        return true;
    }
};

// What a read of `text` adds to an empty group.
std::vector<std::string> NamesRead(MemoryFile file)
{
    AppState state;
    SetDefaultSettings(&state);
    ReadGroupLines(nullptr, &state, GroupSource{MemoryFile::Read, &file});
    std::vector<std::string> names;
    for (int i = 0; i < state.group_count; i++)
        names.push_back(state.group_list[i].computer_name);
    FreeGroupList(&state);
    return names;
}

MemoryFile Text(const std::string& text, size_t piece = 1 << 20)
{
    MemoryFile file;
    file.text = text;
    file.piece = piece;
    return file;
}

struct Written {
    std::string text;
    int writes_before_error = -1;

    static bool Write(void* context, const char* text, size_t length)
    {
        auto* sink = (Written*)context;
        if (sink->writes_before_error == 0)
            return false;
        sink->writes_before_error--;
        sink->text.append(text, length);
        return true;
    }
};

}  // namespace

TEST(GroupFile, LinesThatHoldAComputer)
{
    RemotePC pc;
    ASSERT_EQ(ParseGroupLine("pc1;00AABBCCDDEE;255.255.255.0;3211;1;0;bob;pw;extra", &pc),
              LINE_COMPUTER);
    RemotePC expected =
        Computer("pc1", "00AABBCCDDEE", "255.255.255.0", 3211, 1, 0, "bob", "pw");
    EXPECT_EQ(memcmp(&pc, &expected, sizeof pc), 0);  // a ninth field of text is ignored

    // What spreadsheets, editors and people write, and what it reads as.
    struct {
        const char* line;
        RemotePC pc;
    } cases[] = {
        {"pc2;;;65537;65537;-1;;pw", Computer("pc2", "", "", 65537, 1, -1, "", "pw")},
        {"  pc3 ; 00-11-22-33-44-aa ;\t255.0.0.0 ; 3210 ;0;0; u ; p q ",
         Computer("pc3", "0011223344AA", "255.0.0.0", 3210, 0, 0, "u", "p q")},
        {"\"pc-01\";\"00:11:22:33:44:AA\";;\"\";;;\"dom;ain\";\"s3cr\"\"et#\"",
         Computer("pc-01", "0011223344AA", "", 0, 0, 0, "dom;ain", "s3cr\"et#")},
        {"pc4;a;b;1;1;1;u;p#comment;with;semicolons", Computer("pc4", "a", "b", 1, 1, 1, "u", "p")},
        {"pc5;;;+7;;;\" \";", Computer("pc5", "", "", 7, 0, 0, " ", "")},
        // The ninth field, SECURE: a number, or dropped as older copies drop it.
        {"pc6;;;1;0;1;;;1", Computer("pc6", "", "", 1, 0, 1, "", "", 1)},
        {"pc6;;;1;0;1;;; 7 ;0", Computer("pc6", "", "", 1, 0, 1, "", "", 1)},
        {"pc6;;;1;0;1;;;0;1", Computer("pc6", "", "", 1, 0, 1, "", "")},
        {"pc6;;;1;0;1;;;\"bad", Computer("pc6", "", "", 1, 0, 1, "", "")},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(ParseGroupLine(c.line, &pc), LINE_COMPUTER) << c.line;
        EXPECT_EQ(memcmp(&pc, &c.pc, sizeof pc), 0) << c.line << " -> " << pc.computer_name
                                                    << "|" << pc.mac_address << "|" << pc.port
                                                    << "|" << pc.username << "|" << pc.password;
    }

    // Every field at its full width still fits.
    std::string widest = std::string(99, 'n') + ";" + std::string(13, 'm') + ";" +
                         std::string(19, 's') + ";1;0;1;" + std::string(39, 'u') + ";" +
                         std::string(39, 'p');
    ASSERT_EQ(ParseGroupLine(widest.c_str(), &pc), LINE_COMPUTER);
    EXPECT_EQ(strlen(pc.password), 39u);
}

TEST(GroupFile, LinesThatAddNothingAndWhy)
{
    RemotePC pc;
    for (const char* line : {"", GROUP_FILE_HEADER, "   ", "\t# note", ";;;;;;;", " ; ;;;;;; "})
        EXPECT_EQ(ParseGroupLine(line, &pc), LINE_EMPTY) << line;

    struct {
        std::string line;
        const char* field;
        const char* reason;
    } refused[] = {
        {"a;b;c;d;e;f;g", "PORT", "not a number (d)"},
        {"pc;a;b;1#;1;1;u;p", "USE_NT", "missing (a line has 8 fields separated by \";\")"},
        {"pc;;", "PORT", "missing (a line has 8 fields separated by \";\")"},
        {";;;3210;0;0;;", "COMPUTER_NAME", "empty"},
        {"pc;;;32 10;0;0;;", "PORT", "not a number (32 10)"},
        {"pc;;;1;x;0;;", "USE_NT", "not a number (x)"},
        {"pc;;;1;0;1e;;", "CURRENT_CREDENTIALS", "not a number (1e)"},
        {"pc;;;99999999999;0;0;;", "PORT", "not a number (99999999999)"},
        {"\"pc;;;1;0;0;;", "COMPUTER_NAME", "a quote is not closed, or text follows it"},
        {"pc;;;1;0;0;\"u\"x;", "USERNAME", "a quote is not closed, or text follows it"},
        // A field longer than its width refuses the line rather than cut it.
        {std::string(100, 'x') + ";;;1;0;1;;", "COMPUTER_NAME", "longer than 99 characters"},
        {"pc;00:11:22:33:44:GG;;1;0;1;;", "MAC_ADDRESS", "longer than 13 characters"},
        {"pc;;" + std::string(20, 's') + ";1;0;1;;", "SUBNET_MASK", "longer than 19 characters"},
        {"pc;;;1;0;1;" + std::string(40, 'u') + ";", "USERNAME", "longer than 39 characters"},
        {"pc;;;1;0;1;;\"" + std::string(40, 'p') + "\"", "PASSWORD", "longer than 39 characters"},
    };
    for (const auto& c : refused) {
        GroupLineProblem problem = {};
        ASSERT_EQ(ParseGroupLine(c.line.c_str(), &pc, &problem), LINE_REFUSED) << c.line;
        EXPECT_STREQ(problem.field, c.field) << c.line;
        EXPECT_STREQ(problem.reason, c.reason) << c.line;
    }

    for (const char* line : {"pc,00AABBCCDDEE,255.0.0.0,3210,0,0,user,pw", "a,b,c,d,e,f,g,h,i"})
        EXPECT_EQ(ParseGroupLine(line, &pc), LINE_COMMA_SEPARATED) << line;
    EXPECT_EQ(ParseGroupLine("pc,x;;;1;0;0;;", &pc), LINE_COMPUTER);  // a comma in a name is data
}

TEST(GroupFile, AReadingListsTheLinesItLeftOut)
{
    MemoryFile file = Text(std::string(GROUP_FILE_HEADER) +
                           "\r\na;;;1;0;1;;\r\nb;;;x;0;1;;\r\n;;;;;;;\r\n\r\n;;;1;0;0;;\r\nc;;;1;0;1;;pw\r\n");
    AppState state;
    SetDefaultSettings(&state);
    GroupReadProblems problems;
    ReadGroupLines(nullptr, &state, GroupSource{MemoryFile::Read, &file}, &problems);
    ASSERT_EQ(state.group_count, 2);
    EXPECT_STREQ(state.group_list[1].password, "pw");  // no carriage return
    EXPECT_EQ(problems.count, 2);
    EXPECT_EQ(problems.listed, 2);
    EXPECT_FALSE(problems.comma_separated);
    EXPECT_EQ(std::string(problems.text),
              "line 3: PORT: not a number (x)\n"
              "line 6: COMPUTER_NAME: empty\n");
    FreeGroupList(&state);

    // A comma-separated file adds nothing, even where a line would read.
    file = Text("a;;;1;0;1;;\npc,mac,mask,3210,0,0,user,pw\nb;;;1;0;1;;\n");
    SetDefaultSettings(&state);
    ReadGroupLines(nullptr, &state, GroupSource{MemoryFile::Read, &file}, &problems);
    EXPECT_EQ(state.group_count, 0);
    EXPECT_TRUE(problems.comma_separated);

    // Many bad lines: the list holds whole lines, the count all of them.
    std::string bad;
    for (int i = 0; i < 500; i++)
        bad += "pc;;;x;0;0;;\n";
    file = Text(bad);
    ReadGroupLines(nullptr, &state, GroupSource{MemoryFile::Read, &file}, &problems);
    EXPECT_EQ(problems.count, 500);
    EXPECT_GT(problems.listed, 20);
    EXPECT_LT(problems.listed, 500);
    EXPECT_EQ(std::string(problems.text).back(), '\n');
    FreeGroupList(&state);
}

TEST(GroupFile, TheByteOrderMarkTellsTheEncoding)
{
    struct {
        std::string start;
        GroupEncoding encoding;
    } cases[] = {{"\xEF\xBB\xBFpc", GROUP_UTF8_BOM}, {std::string("\xFF\xFEp\0", 4), GROUP_UTF16LE},
                 {std::string("\xFE\xFF\0p", 4), GROUP_UTF16BE}, {"pc;", GROUP_BYTES},
                 {"\xEF\xBB", GROUP_BYTES}, {"", GROUP_BYTES}, {"\xFF", GROUP_BYTES}};
    for (const auto& c : cases)
        EXPECT_EQ(DetectGroupEncoding((const unsigned char*)c.start.data(), c.start.size()),
                  c.encoding)
            << c.start;
}

TEST(GroupFile, ReadingSplitsLinesWhateverTheReadSizes)
{
    const std::string text = std::string(GROUP_FILE_HEADER) +
                             "\n\na;;;1;0;1;;\n# note\nshort;;;\nb;;;1;0;1;;#x\r\nc;;;1;0;1;;";
    const std::vector<std::string> expected = {"a", "b", "c"};  // the last line has no LF
    for (size_t piece : {size_t(1), size_t(7), size_t(1 << 20)})
        EXPECT_EQ(NamesRead(Text(text, piece)), expected) << "pieces of " << piece;

    EXPECT_EQ(NamesRead(Text("")), std::vector<std::string>{});
    EXPECT_EQ(NamesRead(Text("a;;;1;0;1;;\n")), std::vector<std::string>{"a"});
}

TEST(GroupFile, ALineOfTheBufferSizeOrMoreEndsTheReading)
{
    const std::string before = "a;;;1;0;1;;\n";
    const std::string after = "\nz;;;1;0;1;;\n";
    // A comment keeps the line valid up to its length: 999 characters fit.
    std::string line999 = "b;;;1;0;1;;#" + std::string(999 - 12, 'c');
    EXPECT_EQ(NamesRead(Text(before + line999 + after)),
              (std::vector<std::string>{"a", "b", "z"}));
    std::string line1000 = line999 + "c";
    EXPECT_EQ(NamesRead(Text(before + line1000 + after)), std::vector<std::string>{"a"});
    EXPECT_EQ(NamesRead(Text(line1000 + after, 100)), std::vector<std::string>{});

    // Lines that straddle the buffer's end are carried over intact.
    std::string many;
    std::vector<std::string> names;
    for (int i = 0; i < 300; i++) {
        names.push_back("pc" + std::to_string(i));
        many += names.back() + ";;;3210;0;0;;\n";
    }
    EXPECT_EQ(NamesRead(Text(many)), names);
}

TEST(GroupFile, AReadErrorKeepsWhatWasRead)
{
    std::string many;
    for (int i = 0; i < 200; i++)
        many += "pc;;;3210;0;0;;\n";
    MemoryFile file = Text(many);
    file.reads_before_error = 1;
    size_t lines_in_first_read = NamesRead(file).size();
    EXPECT_EQ(lines_in_first_read, GROUP_READ_BUFFER / 16);  // only whole lines of the first read
}

// A group that uses SECURE gets the ninth field (and its header) on every
// line; one that does not is written as older copies wrote it.
TEST(GroupFile, WrittenGroupReadsBackTheSame)
{
    struct Case {
        std::vector<RemotePC> computers;
        std::string text;
    } cases[] = {
        {{Computer("my host", "001122aabbcc", "255.255.0.0", 3211, 1, 0, "domain user", ""),
          Computer("10.0.0.2", "", "", 0, 0, 1, "", "pass word"),
          Computer("c", "", "", -5, 0, 0, "", "p")},
         std::string(GROUP_FILE_HEADER) +
             "\nmy host;001122aabbcc;255.255.0.0;3211;1;0;domain user;\n"
             "10.0.0.2;;;0;0;1;;pass word\nc;;;-5;0;0;;p\n"},
        {{Computer("a", "", "", 1, 0, 1, "", "p", 1), Computer("::1", "", "", 2, 0, 1, "", "")},
         std::string(GROUP_FILE_HEADER) + ";SECURE\na;;;1;0;1;;p;1\n::1;;;2;0;1;;;0\n"},
    };
    for (const Case& c : cases) {
        AppState state;
        SetDefaultSettings(&state);
        for (const RemotePC& pc : c.computers)
            ASSERT_TRUE(AppendRemotePC(&state, &pc));
        EXPECT_EQ(state.group_modified, 1u);

        Written sink;
        ASSERT_EQ(WriteGroupLines(&state, GroupSink{Written::Write, &sink}), 0);
        EXPECT_EQ(sink.text, c.text);

        AppState back;
        SetDefaultSettings(&back);
        MemoryFile file = Text(sink.text);
        ReadGroupLines(nullptr, &back, GroupSource{MemoryFile::Read, &file});
        ASSERT_EQ(back.group_count, (int)c.computers.size());
        for (int i = 0; i < back.group_count; i++)
            EXPECT_EQ(memcmp(&back.group_list[i], &c.computers[i], sizeof(RemotePC)), 0) << i;
        FreeGroupList(&back);
        FreeGroupList(&state);
    }
}

TEST(GroupFile, WriteFailuresSayWhichPartFailed)
{
    AppState state;
    SetDefaultSettings(&state);
    Written empty;
    EXPECT_EQ(WriteGroupLines(&state, GroupSink{Written::Write, &empty}), 0);
    EXPECT_EQ(empty.text, std::string(GROUP_FILE_HEADER) + "\n");

    RemotePC pc = Computer("a", "", "", 1, 0, 0, "", "");
    AppendRemotePC(&state, &pc);
    AppendRemotePC(&state, &pc);
    for (auto c : {std::pair<int, int>{0, 2}, {1, 3}, {2, 3}}) {
        Written sink;
        sink.writes_before_error = c.first;
        EXPECT_EQ(WriteGroupLines(&state, GroupSink{Written::Write, &sink}), c.second) << c.first;
    }
    FreeGroupList(&state);
}

TEST(GroupFile, RemovingMovesLaterRecordsForward)
{
    AppState state;
    SetDefaultSettings(&state);
    for (int i = 0; i < 20; i++) {
        RemotePC pc = Computer(std::to_string(i).c_str(), "", "", i, 0, 0, "", "");
        AppendRemotePC(&state, &pc);
    }
    state.group_modified = 0;
    RemoveGroupEntry(&state, 20);  // outside: nothing happens
    RemoveGroupEntry(&state, -1);
    EXPECT_EQ(state.group_modified, 0u);
    RemoveGroupEntry(&state, 0);
    RemoveGroupEntry(&state, 5);
    EXPECT_EQ(state.group_modified, 1u);
    ASSERT_EQ(state.group_count, 18);
    EXPECT_STREQ(state.group_list[0].computer_name, "1");
    EXPECT_STREQ(state.group_list[5].computer_name, "7");
    EXPECT_STREQ(state.group_list[17].computer_name, "19");
    while (state.group_count > 0)
        RemoveGroupEntry(&state, state.group_count - 1);
    EXPECT_EQ(state.group_list, nullptr);  // the storage is released
}
