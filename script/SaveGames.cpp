#include "script/SaveGames.h"

#include <cctype>
#include <cstdio>
#include <limits>

#include "core/files/CPFileReader.h"
#include "core/files/CPFileWriter.h"
#include "platform/Clock.h"
#include "script/SaveGameRecord.h"
#include "simulation/level/CPGameData.h"

namespace {
// Both spellings name one folder: the path resolver ignores letter case.
const char* const kSaveFolder = "DATA\\Saves\\";
const char* const kSaveFolderLower = "data\\saves\\";

// Loads a slot's file: false when it cannot be read or holds no bytes (a free slot).
bool LoadUsedSlot(CPFileReader& reader) { return SUCCEEDED(reader.Load()) && reader.GetSize() > 0; }
}  // namespace

std::string SaveSlotFileName(int32_t slot) {
    char name[32];
    std::snprintf(name, sizeof(name), "save%i.sav", static_cast<int>(slot));
    return name;
}

int32_t SaveSlotFromFileName(const std::string& fileName) {
    if (fileName.size() < 4) return -1;
    size_t i = 4;
    while (i < fileName.size() && std::isspace(static_cast<unsigned char>(fileName[i]))) ++i;
    bool negative = false;
    if (i < fileName.size() && (fileName[i] == '+' || fileName[i] == '-')) negative = fileName[i++] == '-';
    int64_t value = 0;
    for (; i < fileName.size() && std::isdigit(static_cast<unsigned char>(fileName[i])); ++i) {
        value = value * 10 + (fileName[i] - '0');
        if (value > std::numeric_limits<int32_t>::max()) return -1;
    }
    return static_cast<int32_t>(negative ? -value : value);
}

bool IsSaveFileName(const std::string& fileName) {
    if (fileName.empty() || fileName.find("..") != std::string::npos) return false;
    return fileName.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

HRESULT WriteSaveGame(const CPGameData& gameData, const std::string& fileName) {
    if (!IsSaveFileName(fileName)) return E_FAIL;
    SYSTEMTIME now{};
    GetLocalTime(&now);
    CPFileWriter writer(kSaveFolder + fileName, false);
    if (FAILED(EncodeSaveGame(MakeSaveGameRecord(gameData, now), writer))) return E_FAIL;
    return writer.Commit();
}

int32_t ChooseSaveSlot() {
    SYSTEMTIME reference{};
    int32_t chosen = 0;
    for (int32_t slot = 0; slot < kSaveSlotCount; ++slot) {
        CPFileReader reader(kSaveFolder + SaveSlotFileName(slot), false);
        if (!LoadUsedSlot(reader)) return slot;
        SaveGameRecord head;
        // A damaged head leaves the earliest stamp of all, all zero.
        if (!ParseSaveGameHead(reader, head)) head.mStamp = SYSTEMTIME{};
        // Slot 0's stamp is where the search starts.
        if (slot == 0 || IsEarlierStamp(head.mStamp, reference)) {
            reference = head.mStamp;
            chosen = slot;
        }
    }
    return chosen;
}

HRESULT SaveCurrentProfile(CPGameData& gameData) {
    if (gameData.mCurrentSave < 0 || gameData.mCurrentSave >= kSaveSlotCount)
        gameData.mCurrentSave = ChooseSaveSlot();
    return WriteSaveGame(gameData, SaveSlotFileName(gameData.mCurrentSave));
}

HRESULT LoadSaveGame(CPGameData& gameData, const std::string& fileName) {
    if (!IsSaveFileName(fileName)) return E_FAIL;
    CPFileReader reader(kSaveFolder + fileName, false);
    if (FAILED(reader.Load())) return E_FAIL;
    SaveGameRecord record;
    if (!ParseSaveGame(reader, record)) return E_FAIL;
    ApplySaveGame(record, SaveSlotFromFileName(fileName), gameData);
    return S_OK;
}

HRESULT DeleteSaveGame(const std::string& fileName) {
    if (!IsSaveFileName(fileName)) return E_FAIL;
    CPFileWriter writer(kSaveFolderLower + fileName, false);
    return writer.Commit();
}

std::array<std::string, kSaveSlotCount> ListSaveGames() {
    std::array<std::string, kSaveSlotCount> names;
    for (int32_t slot = 0; slot < kSaveSlotCount; ++slot) {
        CPFileReader reader(kSaveFolderLower + SaveSlotFileName(slot), false);
        if (!LoadUsedSlot(reader)) continue;
        names[slot] = reader.ReadString();  // a damaged count gives the empty string
    }
    return names;
}
