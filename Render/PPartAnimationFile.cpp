#include "Render/PPartAnimationFile.h"

#include "Render/PMeshFile.h"
#include "core/StringUtils.h"
#include "core/files/CPFileReader.h"

namespace {
constexpr int64_t kStoredKeySize = 4 + 12 * 4;
constexpr int64_t kSmallestEntry = 4 + 4;  // an empty name and no keys
}  // namespace

bool ReadPartAnimationFile(CPFileReader& reader, std::vector<CPPartAnimationTrack>& tracks) {
    const int32_t count = reader.ReadInt();
    if (reader.HasOverrun()) return false;
    std::vector<CPPartAnimationTrack> read;
    if (count > 0) {
        if (count > static_cast<int64_t>(reader.GetRemaining()) / kSmallestEntry) return false;
        read.resize(static_cast<size_t>(count));
    }
    for (CPPartAnimationTrack& track : read) {
        track.nodeName = reader.ReadString();
        ToLower(track.nodeName);
        const int32_t keyCount = reader.ReadInt();
        if (reader.HasOverrun() || keyCount < 0 ||
            keyCount > static_cast<int64_t>(reader.GetRemaining()) / kStoredKeySize)
            return false;
        track.durations.reserve(static_cast<size_t>(keyCount));
        track.keys.reserve(static_cast<size_t>(keyCount));
        for (int32_t k = 0; k < keyCount; ++k) {
            track.durations.push_back(reader.ReadFloat());
            track.keys.push_back(ReadMatrixColumns(reader));
        }
    }
    if (reader.HasOverrun()) return false;
    tracks.swap(read);
    return true;
}

void ReadAnimationDescription(const std::string& fileName, CPPartAnimationTable& tracks) {
    CPFileReader reader("Data\\Animations\\" + fileName, false);
    if (reader.Load() != S_OK) return;
    std::vector<CPPartAnimationTrack> read;
    if (!ReadPartAnimationFile(reader, read)) return;
    // A later track of a name replaces an earlier one: only the last of each name becomes a task.
    std::unordered_map<std::string, const CPPartAnimationTrack*> last;
    for (const CPPartAnimationTrack& track : read) last[track.nodeName] = &track;
    for (const CPPartAnimationTrack& track : read) {
        if (last[track.nodeName] != &track) continue;
        auto* animation = new CPPartAnimation;
        animation->SetKeys(track.keys, track.durations);
        tracks[track.nodeName] = animation;
    }
}
