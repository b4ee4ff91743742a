#include "core/config/CPConfig.h"

#include <algorithm>
#include <iterator>

#include "core/StringUtils.h"
#include "core/config/Settings.h"
#include "core/files/CPFileReader.h"
#include "core/files/CPFileWriter.h"

CPConfig* gConfig = nullptr;

namespace {
// Bucket counts: the first of these at least as large as asked for.
constexpr uint32_t kPrimes[] = {53,        97,        193,       389,       769,        1543,       3079,
                                6151,      12289,     24593,     49157,     98317,      196613,     393241,
                                786433,    1572869,   3145739,   6291469,   12582917,   25165843,   50331653,
                                100663319, 201326611, 402653189, 805306457, 1610612741, 3221225473, 4294967291};

size_t BucketCountFor(size_t wanted) {
    for (uint32_t prime : kPrimes) {
        if (prime >= wanted) return prime;
    }
    return kPrimes[std::size(kPrimes) - 1];
}
}  // namespace

CPConfig::CPConfig() {
    gConfig = this;
    mBuckets.resize(BucketCountFor(100));
    RegisterKeys();
}

CPConfig::~CPConfig() {
    ReleaseHolders();
    for (auto& chain : mBuckets) chain.clear();  // releases every binder held by the map
    for (CPDator* binder : mOwnedBinders) delete binder;
    if (gConfig == this) gConfig = nullptr;
}

uint32_t CPConfig::Hash(const std::string& key) {
    uint32_t h = 0;
    for (char c : key) h = 5 * h + static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(c)));
    return h;
}

CPConfig::Entry* CPConfig::Find(const std::string& key) {
    for (Entry& entry : mBuckets[Hash(key) % mBuckets.size()]) {
        if (entry.key == key) return &entry;
    }
    return nullptr;
}

CPDator* CPConfig::GetAccessor(const std::string& key) const {
    Entry* entry = const_cast<CPConfig*>(this)->Find(key);
    return entry ? entry->binder.Get() : nullptr;
}

void CPConfig::Reserve(size_t entries) {
    if (entries <= mBuckets.size()) return;
    const size_t count = BucketCountFor(entries);
    if (count == mBuckets.size()) return;
    // Nodes move bucket by bucket, each chain from its head, to the head of their new chain.
    std::vector<std::forward_list<Entry>> buckets(count);
    for (auto& chain : mBuckets) {
        while (!chain.empty()) {
            auto& target = buckets[Hash(chain.front().key) % count];
            target.splice_after(target.before_begin(), chain, chain.before_begin());
        }
    }
    mBuckets.swap(buckets);
}

void CPConfig::SetAccessor(const std::string& key, CPDator* binder) {
    if (Entry* entry = Find(key)) {
        entry->binder = binder;  // releases the previous binder, AddRef on the new one
        return;
    }
    Reserve(mEntryCount + 1);
    // Assigned in place: a temporary smart pointer's Release would set the count back to 0.
    auto& chain = mBuckets[Hash(key) % mBuckets.size()];
    chain.push_front(Entry{key, {}});
    chain.front().binder = binder;
    ++mEntryCount;
}

void CPConfig::RegisterKeys() {
    for (const gSettings::Key& key : gSettings::Keys()) {
        CPDator* binder = key.intVariable ? static_cast<CPDator*>(new CPDatorInt(key.intVariable))
                                          : static_cast<CPDator*>(new CPDatorFloat(key.floatVariable));
        mOwnedBinders.push_back(binder);
        *key.holder = binder;
        SetAccessor(key.name, binder);
    }
}

void CPConfig::ReleaseHolders() {
    for (const gSettings::Key& key : gSettings::Keys()) {
        if (std::find(mOwnedBinders.begin(), mOwnedBinders.end(), key.holder->Get()) != mOwnedBinders.end())
            key.holder->Reset();
    }
}

std::vector<std::string> CPConfig::GetKeys() const {
    std::vector<std::string> keys;
    for (const auto& chain : mBuckets) {
        for (const Entry& entry : chain) keys.push_back(entry.key);
    }
    return keys;
}

void CPConfig::Load(const std::string& path) {
    CPFileReader reader(path, false);
    if (FAILED(reader.Load())) return;
    const char* text = reinterpret_cast<const char*>(reader.GetData());
    const size_t size = reader.GetSize();
    size_t start = 0;
    while (start < size) {
        size_t end = start;
        while (end < size && text[end] != '\n') ++end;
        // The line as far as its first zero byte, at most kMaxLineLength characters.
        size_t length = 0;
        while (start + length < end && length < kMaxLineLength && text[start + length] != '\0') ++length;
        ParseLine(std::string(text + start, length));
        start = end + 1;
    }
}

void CPConfig::ParseLine(const std::string& line) {
    if (line.empty()) return;
    int sign = 0;
    size_t begin = 0;
    if (line[0] == '+' || line[0] == '-') {
        sign = line[0] == '+' ? 1 : -1;
        begin = 1;
    }
    std::string key;
    std::string value;
    const size_t equals = line.find('=', begin);
    if (equals != std::string::npos) {
        key = line.substr(begin, equals - begin);
        value = line.substr(equals + 1);
    } else {
        key = line.substr(begin);
        value.push_back(sign == 1 ? '1' : '0');
    }
    Trim(key);
    Trim(value);
    ApplyValue(key, value, sign);
}

void CPConfig::ApplyValue(const std::string& key, const std::string& value, int sign) {
    Entry* entry = Find(key);
    if (!entry || !entry->binder) return;
    CPDator* binder = entry->binder.Get();
    if (!binder->IsList()) {
        binder->Set(value);
        return;
    }
    if (value.empty()) return;
    size_t start = 0;
    for (;;) {
        const size_t semicolon = value.find(';', start);
        const std::string item = value.substr(start, semicolon == std::string::npos ? std::string::npos : semicolon - start);
        if (sign == 1) binder->Add(item);
        else if (sign == -1) binder->Subtract(item);
        else binder->Set(item);
        if (semicolon == std::string::npos) break;
        start = semicolon + 1;
    }
}

HRESULT CPConfig::Save(const std::string& path, std::string* failure) const {
    CPFileWriter writer(path, false);
    for (const auto& chain : mBuckets) {
        for (const Entry& entry : chain) {
            const std::string line = entry.key + " = " + (entry.binder ? entry.binder->ToString() : "") + "\r\n";
            writer.WriteBytes(line.data(), static_cast<int64_t>(line.size()));
        }
    }
    const HRESULT result = writer.Commit();
    if (failure) *failure = writer.GetFailure();
    return result;
}
