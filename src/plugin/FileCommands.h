#pragma once
// Bank and patch files of a plug-in, by path and through the four file
// commands the editor and the standalone toolbar offer.

#include <cstdint>

#include "plugin/VstTypes.h"

namespace tine {

class SynthPlugin;

// Path-level steps. Errors are reported once through reportError.
// Saves open the file, then store the edit buffer into the current slot
// (through getChunk) and write; a file that cannot be opened changes nothing.
bool saveBank(SynthPlugin& plugin, const char* path);
bool savePatch(SynthPlugin& plugin, const char* path);
// True when the plug-in accepted the file's chunk. Only the chunk behind the
// file header decides; an empty file changes nothing and reports nothing.
bool loadBank(SynthPlugin& plugin, const char* path);
bool loadPatch(SynthPlugin& plugin, const char* path);

enum class FileCommand { LoadBank, SaveBank, LoadPatch, SavePatch };

// "Load FX Bank", "Save FX Bank", "Load FX Patch", "Save FX Patch".
const char* fileCommandTitle(FileCommand command);

constexpr int32_t kReturnPathBytes = 1024;

// A file-selector record as the commands fill it, with the one file type it
// points at. The commands own the return-path buffer.
struct FileSelectRequest {
    VstFileSelect select;
    VstFileType fileType;
};

// Fills a request for a command: load (0) or save (1), type 0, one file type
// ("FX Banks"/"fxb" or "FX Patches"/"fxp"), the command's title, no initial
// path, and returnPath as given with its size kReturnPathBytes.
void fillFileSelectRequest(FileSelectRequest& request, FileCommand command, char* returnPath);

// The platform's own file dialog, for hosts without a file selector; parentWindow
// is the editor's window. True when a file was chosen; the path is then in
// request.select.returnPath. Builds without a dialog answer false.
bool showLocalFileDialog(FileSelectRequest& request, void* parentWindow);
// Frees and clears a return-path buffer showLocalFileDialog allocated itself.
void releaseLocalFileDialog(FileSelectRequest& request);

// One command: ask the host's selector when the host can do "openFileSelector",
// else the local dialog; then load or save the chosen file. True when a file
// was chosen and the step succeeded.
bool runFileCommand(SynthPlugin& plugin, FileCommand command, void* parentWindow);

}  // namespace tine
