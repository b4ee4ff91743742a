#include "DynamicSky/CloudRecordTable.h"

#include "DynamicSky/SkyTextLines.h"

bool ParseCloudRecordFile(const void* text, uint32_t size, std::vector<CloudRecord>& records) {
    SkyTextLines lines(text, size);
    records.clear();
    if (!lines.Next()) return false;
    const int32_t count = lines.Int(0);
    // The end of the text bounds the loop, however large the count is.
    for (int32_t i = 0; i < count; ++i) {
        CloudRecord record;
        bool complete = true;
        auto real = [&](float& field) {
            complete = complete && lines.Next();
            field = lines.Float(0);
        };
        auto integer = [&](int32_t& field) {
            complete = complete && lines.Next();
            field = lines.Int(0);
        };
        real(record.fadeTime);
        real(record.baseDuration);
        real(record.durationSpread);
        complete = complete && lines.Next();
        record.groupName = lines.Text(0);
        integer(record.reserved1);
        integer(record.reserved2);
        real(record.reserved3);
        real(record.reserved4);
        integer(record.reserved5);
        real(record.reserved6);
        integer(record.reserved7);
        integer(record.reserved8);
        integer(record.greyFlag);
        real(record.probability);
        integer(record.reserved9);
        if (!complete) return false;
        records.push_back(record);
    }
    return true;
}

void CloudRecordTable::Load(const std::string& name) {
    std::vector<uint8_t> bytes;
    if (!ReadSkyFile(name, bytes)) return;
    std::vector<CloudRecord> records;
    if (!ParseCloudRecordFile(bytes.data(), static_cast<uint32_t>(bytes.size()), records)) return;
    mRecords.insert(mRecords.end(), records.begin(), records.end());
}
