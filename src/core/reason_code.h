// The planned reason recorded with a shutdown: a major and a minor number,
// written "major:minor" as the system's own shutdown command takes them.
#pragma once
#include <cstddef>
#include <cstdint>

const uint32_t MAX_REASON_MAJOR = 0xFF;
const uint32_t MAX_REASON_MINOR = 0xFFFF;
const size_t REASON_CODE_TEXT_SIZE = 12;  // "255:65535"

// "major:minor" in decimal (0-255, 0-65535) to major << 16 | minor; false,
// code untouched, for anything else.
bool ParseReasonCode(const char* text, uint32_t* code);
void ReasonCodeText(uint32_t code, char* text, size_t size);
