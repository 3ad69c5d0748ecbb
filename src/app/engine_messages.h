// What the archive engine needs from the program's windows: its message
// boxes ("*** inflate out of memory ***", "Could not copy from ...", and
// for a member of an unknown method "Unknown Compression Method") shown as
// every other message of the program, under the program's name, never under
// the engine's own captions ("Zip Error", "Error"); and pending window
// messages let through during long work, without user input, so that no
// second archive operation can start meanwhile.
#pragma once

class TPrompts;

// Installs the engine's hooks; `prompts` must outlive them (RemoveEngineHooks).
void InstallEngineHooks(TPrompts& prompts);
void RemoveEngineHooks();
