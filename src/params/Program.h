#pragma once
// Program records: a named set of the 62 normalized parameter values.

#include <cstdint>

namespace tine {

constexpr int kNumParams = 62;
constexpr int kNumPrograms = 32;
constexpr int kProgramNameBytes = 28;  // NUL-terminated, at most 27 characters
constexpr int kLegacyParams = 40;

struct Program {
    char name[kProgramNameBytes];
    float values[kNumParams];

    // Placeholder name and every row's default value.
    Program();
    void setName(const char* text);  // cut to 27 characters
    void copyLegacy(const struct LegacyProgram& legacy);
};
static_assert(sizeof(Program) == 276, "a program record is 276 bytes");

// A name field's update as Program::setName makes it: the text, cut to 27
// characters, and its terminator; the bytes behind keep what they held.
void setNameField(char (&field)[kProgramNameBytes], const char* text);

struct LegacyProgram {
    char name[kProgramNameBytes];
    float values[kLegacyParams];
};
static_assert(sizeof(LegacyProgram) == 188, "a legacy program record is 188 bytes");

struct FactoryProgram {
    const char* name;
    float values[kNumParams];
};

extern const FactoryProgram kFactoryBank[kNumPrograms];

// Fills 32 slots from the factory bank.
void fillFromFactory(Program* slots);

}  // namespace tine
