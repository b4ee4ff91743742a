// The six save-game slots "save0.sav" .. "save5.sav" in "DATA\Saves\": writing the profile of the game
// data to a slot, choosing a slot for a new profile, loading, emptying and listing the slots.
// An empty file is a free slot.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/WinTypes.h"

class CPGameData;

constexpr int kSaveSlotCount = 6;

// "save%i.sav" of a slot.
std::string SaveSlotFileName(int32_t slot);
// The slot a file name stands for: the decimal number after its first four characters, as atoi reads
// it (0 when no digits follow); -1 for a name of fewer than four characters or a number beyond int32.
int32_t SaveSlotFromFileName(const std::string& fileName);

// A name the save functions accept: a file of the save folder itself. A name with a path separator, "..",
// or a zero byte, or the empty name, could reach a file outside the folder and is refused.
bool IsSaveFileName(const std::string& fileName);

// Writes the profile to "DATA\Saves\" + the name, stamped with the local time: 0, or E_FAIL when the
// name is refused or the file cannot be written (the previous file then stays as it was).
HRESULT WriteSaveGame(const CPGameData& gameData, const std::string& fileName);
// The slot a profile without one is saved to: the first free slot, else the least recently saved one
// (on equal stamps the lower). A slot whose file cannot be read counts as free; a non-empty file too
// damaged to hold a stamp counts as saved at the earliest time, so it is replaced before any good save.
int32_t ChooseSaveSlot();
// Saves the profile to mCurrentSave, or to the chosen slot (then remembered in mCurrentSave).
HRESULT SaveCurrentProfile(CPGameData& gameData);
// Loads "DATA\Saves\" + the name into the profile and sets mCurrentSave from the name. E_FAIL, with the
// game data unchanged, when the name is refused or the file cannot be read or is empty, truncated or
// damaged.
HRESULT LoadSaveGame(CPGameData& gameData, const std::string& fileName);
// Writes an empty file "data\saves\" + the name: the slot becomes free. E_FAIL when the name is refused
// or the file cannot be written.
HRESULT DeleteSaveGame(const std::string& fileName);
// The profile name stored first in each slot, slot 0 first; empty for a missing, empty or unreadable file.
std::array<std::string, kSaveSlotCount> ListSaveGames();
