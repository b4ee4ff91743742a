// The timed cloud records of a sky: each names a cloud group, how long it stays in force and whether
// the sky greys with it. Read from one record file of "Data\Clouds\"; the sky picks records at random.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct CloudRecord {
    float fadeTime = 0.0f;        // seconds of the cross-fade between groups
    float baseDuration = 0.0f;    // seconds in force before the random spread
    float durationSpread = 0.0f;  // fraction of the base duration by which the stay varies
    std::string groupName;        // group file name: the key of the sky's group map
    // Read and kept; nothing uses them.
    int32_t reserved1 = 0;
    int32_t reserved2 = 0;
    float reserved3 = 0.0f;
    float reserved4 = 0.0f;
    int32_t reserved5 = 0;
    float reserved6 = 0.0f;
    int32_t reserved7 = 0;
    int32_t reserved8 = 0;
    int32_t greyFlag = 0;       // non-zero: the sky greys its colours and fades its layers with the record
    float probability = 0.0f;  // 0 to 1: chance that a random pick of the record is accepted
    int32_t reserved9 = 0;

    bool operator==(const CloudRecord&) const = default;
};

// Reads the text of a record file: "label N", then N blocks of fifteen lines of a label and one value,
// one line per field of CloudRecord in order (the group name as written). N of 0 or less means no
// records. False when the text ends before a line its count promises.
bool ParseCloudRecordFile(const void* text, uint32_t size, std::vector<CloudRecord>& records);

class CloudRecordTable {
public:
    virtual ~CloudRecordTable() = default;

    // Reads "Data\Clouds\" + name and appends its records. A file that cannot be read or is short
    // leaves the table as it was.
    void Load(const std::string& name);

    const std::vector<CloudRecord>& GetRecords() const { return mRecords; }

private:
    std::vector<CloudRecord> mRecords;  // in file order
};
