#include "plugin/FileCommands.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "params/ErrorReport.h"
#include "params/PresetFiles.h"
#include "plugin/SynthPlugin.h"

namespace tine {
namespace {

bool isLoad(FileCommand command) {
    return command == FileCommand::LoadBank || command == FileCommand::LoadPatch;
}
bool isBank(FileCommand command) {
    return command == FileCommand::LoadBank || command == FileCommand::SaveBank;
}

void copyField(char* field, std::size_t capacity, const char* text) {
    std::snprintf(field, capacity, "%s", text);
}

bool loadChunkFile(SynthPlugin& plugin, const char* path, int32_t headerBytes, bool isPreset) {
    FileContents contents;
    if (!readWholeFile(path, contents))
        return false;
    if (contents.size() < 1)
        return false;
    const StoredChunk chunk = chunkBehindHeader(contents, headerBytes);
    if (chunk.size <= 0) {
        // Shorter than its own header: there is no chunk to hand over.
        reportError(ErrorCode::InvalidFormat);
        return false;
    }
    return plugin.setChunk(const_cast<uint8_t*>(chunk.data), chunk.size, isPreset) == 1;
}

}  // namespace

// The file is opened before getChunk stores the edit buffer into its slot:
// a save that cannot open its file leaves the program as it was.
bool saveBank(SynthPlugin& plugin, const char* path) {
    PresetFileOut file(path);
    if (!file.isOpen())
        return false;
    void* chunk = nullptr;
    const int32_t size = plugin.getChunk(&chunk, false);
    return file.writeBank(chunk, size);
}

bool savePatch(SynthPlugin& plugin, const char* path) {
    PresetFileOut file(path);
    if (!file.isOpen())
        return false;
    void* chunk = nullptr;
    const int32_t size = plugin.getChunk(&chunk, true);
    // getChunk has just stored the edit buffer, so the slot's name field is current.
    return file.writePatch(plugin.programSlot(plugin.getProgram()).name, chunk, size);
}

bool loadBank(SynthPlugin& plugin, const char* path) {
    return loadChunkFile(plugin, path, kBankFileHeaderBytes, false);
}

bool loadPatch(SynthPlugin& plugin, const char* path) {
    return loadChunkFile(plugin, path, kPatchFileHeaderBytes, true);
}

const char* fileCommandTitle(FileCommand command) {
    switch (command) {
    case FileCommand::LoadBank:
        return "Load FX Bank";
    case FileCommand::SaveBank:
        return "Save FX Bank";
    case FileCommand::LoadPatch:
        return "Load FX Patch";
    case FileCommand::SavePatch:
        return "Save FX Patch";
    }
    return "";
}

void fillFileSelectRequest(FileSelectRequest& request, FileCommand command, char* returnPath) {
    std::memset(&request, 0, sizeof(request));
    VstFileType& type = request.fileType;
    const char* extension = isBank(command) ? "fxb" : "fxp";
    copyField(type.name, sizeof(type.name), isBank(command) ? "FX Banks" : "FX Patches");
    copyField(type.macType, sizeof(type.macType), isBank(command) ? ".fxb" : ".fxp");
    copyField(type.dosType, sizeof(type.dosType), extension);
    copyField(type.unixType, sizeof(type.unixType), extension);
    copyField(type.mimeType1, sizeof(type.mimeType1), extension);
    copyField(type.mimeType2, sizeof(type.mimeType2), extension);

    VstFileSelect& select = request.select;
    select.command = isLoad(command) ? 0 : 1;
    select.type = 0;
    select.nbFileTypes = 1;
    select.fileTypes = &request.fileType;
    copyField(select.title, sizeof(select.title), fileCommandTitle(command));
    select.initialPath = nullptr;
    select.returnPath = returnPath;
    select.sizeReturnPath = kReturnPathBytes;
}

void releaseLocalFileDialog(FileSelectRequest& request) {
    std::free(request.select.returnPath);
    request.select.returnPath = nullptr;
}

bool runFileCommand(SynthPlugin& plugin, FileCommand command, void* parentWindow) {
    // Our own pointer is kept apart from the record: whatever the selector
    // leaves in returnPath, only this buffer is ours to free.
    auto* buffer = static_cast<char*>(std::calloc(kReturnPathBytes, 1));
    if (!buffer) {
        reportError(ErrorCode::OutOfMemory);
        return false;
    }
    FileSelectRequest request;
    fillFileSelectRequest(request, command, buffer);

    const bool viaHost = plugin.canHostDo("openFileSelector");
    const bool chosen = viaHost ? plugin.openFileSelector(&request.select) : showLocalFileDialog(request, parentWindow);

    // A bounded copy: a selector is not trusted to have terminated the path.
    char path[kReturnPathBytes] = {};
    if (chosen && request.select.returnPath) {
        const char* returned = request.select.returnPath;
        std::size_t length = 0;
        while (length < sizeof(path) - 1 && returned[length] != '\0') ++length;
        std::memcpy(path, returned, length);
    }

    bool done = false;
    if (path[0] != '\0') {
        switch (command) {
        case FileCommand::LoadBank:
            done = loadBank(plugin, path);
            break;
        case FileCommand::SaveBank:
            done = saveBank(plugin, path);
            break;
        case FileCommand::LoadPatch:
            done = loadPatch(plugin, path);
            break;
        case FileCommand::SavePatch:
            done = savePatch(plugin, path);
            break;
        }
    }

    if (viaHost)
        plugin.closeFileSelector(&request.select);
    else if (request.select.returnPath != buffer)
        releaseLocalFileDialog(request);
    std::free(buffer);
    return done;
}

}  // namespace tine
