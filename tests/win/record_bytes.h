// The record's bytes, to show that a dialog changed nothing. A copy of the
// record would not do: its sockets start empty and its padding is not copied.
#pragma once
#include <vector>

#include "core/app_state.h"

inline std::vector<unsigned char> RecordBytes(const AppState& state)
{
    const unsigned char* bytes = (const unsigned char*)&state;
    return std::vector<unsigned char>(bytes, bytes + sizeof state);
}
