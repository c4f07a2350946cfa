#include "params/Program.h"

#include <cstring>

#include "params/ParameterTable.h"

namespace tine {

Program::Program() {
    std::memset(name, 0, sizeof(name));
    std::memset(name, 'W', 24);
    for (int i = 0; i < kNumParams; ++i) values[i] = ParameterTable[i].defaultValue;
}

void setNameField(char (&field)[kProgramNameBytes], const char* text) {
    if (!text)
        text = "";
    // Only the bytes up to the terminator change; later bytes keep what they
    // held, as files written from this record show.
    std::size_t length = 0;
    while (length < kProgramNameBytes - 1 && text[length] != '\0') ++length;
    std::memmove(field, text, length);
    field[length] = '\0';
}

void Program::setName(const char* text) {
    setNameField(name, text);
}

void Program::copyLegacy(const LegacyProgram& legacy) {
    std::memcpy(name, legacy.name, sizeof(name));
    name[kProgramNameBytes - 1] = '\0';
    std::memcpy(values, legacy.values, sizeof(legacy.values));
}

void fillFromFactory(Program* slots) {
    for (int p = 0; p < kNumPrograms; ++p) {
        std::memset(slots[p].name, 0, sizeof(slots[p].name));
        slots[p].setName(kFactoryBank[p].name);
        std::memcpy(slots[p].values, kFactoryBank[p].values, sizeof(slots[p].values));
    }
}

}  // namespace tine
