// A scratch working folder with the diagnostic log switched on, for tests
// that observe what an operation logged.
#pragma once
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "core/log.h"

class ScratchLog {
public:
    ScratchLog()
    {
        CloseLog();  // the next line opens the log in the scratch folder
        GetCurrentDirectoryA(sizeof previous_, previous_);
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        snprintf(folder_, sizeof folder_, "%shaltall-test-%lu-%lu", temp,
                 (unsigned long)GetCurrentProcessId(), (unsigned long)++count_);
        CreateDirectoryA(folder_, nullptr);
        SetCurrentDirectoryA(folder_);
        debug_ = g_debug;
        g_debug = 1;
    }
    ~ScratchLog()
    {
        g_debug = debug_;
        CloseLog();
        SetCurrentDirectoryA(previous_);
        DeleteFileA(Path("haltall.log").c_str());
        RemoveDirectoryA(folder_);
    }
    std::string Path(const char* name) const { return std::string(folder_) + "\\" + name; }
    const char* Folder() const { return folder_; }

    // The messages logged so far, without their time stamps.
    std::vector<std::string> Lines() const
    {
        std::vector<std::string> lines;
        std::ifstream log(Path("haltall.log"));
        for (std::string line; std::getline(log, line);)
            if (line.size() > 23)
                lines.push_back(line.substr(23));
        return lines;
    }
    bool Logged(const std::string& message) const
    {
        for (const std::string& line : Lines())
            if (line == message)
                return true;
        return false;
    }
    int CountStartingWith(const std::string& prefix) const
    {
        int count = 0;
        for (const std::string& line : Lines())
            count += line.compare(0, prefix.size(), prefix) == 0;
        return count;
    }

private:
    static inline unsigned long count_ = 0;
    char previous_[MAX_PATH];
    char folder_[MAX_PATH];
    int16_t debug_;
};
