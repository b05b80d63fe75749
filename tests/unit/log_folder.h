// A scratch folder as the current directory, with the log on, for tests
// that read what was logged.
#pragma once
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "core/log.h"

namespace fs = std::filesystem;

// Tests run in parallel processes: each folder has a random name.
struct LogFolder {
    fs::path previous = fs::current_path();
    fs::path folder = fs::temp_directory_path() / ("haltall-log-" + std::to_string(std::random_device{}()));
    int16_t debug = g_debug;

    LogFolder()
    {
        CloseLog();
        fs::create_directories(folder);
        fs::current_path(folder);
        g_debug = 1;
    }
    ~LogFolder()
    {
        g_debug = debug;
        CloseLog();
        SetLogSizeLimit(0);
        fs::current_path(previous);
        fs::remove_all(folder);
    }
    static std::vector<std::string> Messages(const char* name)
    {
        std::vector<std::string> lines;
        std::ifstream log(name);
        for (std::string line; std::getline(log, line);)
            lines.push_back(line.size() > 23 ? line.substr(23) : "(short) " + line);
        return lines;
    }
};

