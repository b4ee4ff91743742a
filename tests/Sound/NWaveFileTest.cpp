#include "Sound/NWaveFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/PlatformFaults.h"
#include "support/RiffWaveBuilder.h"
#include "support/TempFolder.h"

using riff::Bytes;

namespace {
constexpr HRESULT kNotInitialized = static_cast<HRESULT>(0x800401F0u);

class WaveFileTest : public ::testing::Test {
protected:
    void SetUp() override { PlatformFaults::Clear(); }
    void TearDown() override {
        PlatformFaults::Clear();
        EXPECT_EQ(MmioStandIn::OpenHandleCount(), 0u) << "a test left a handle open";
    }

    std::string Put(const std::string& name, const Bytes& bytes) {
        folder.Write(name, bytes);
        return folder.File(name);
    }

    // The whole data of an open file in one read.
    static Bytes ReadAll(CNWaveFile& wave) {
        Bytes out(wave.GetSize() + 16);
        DWORD got = 0;
        EXPECT_EQ(wave.Read(out.data(), static_cast<DWORD>(out.size()), &got), S_OK);
        out.resize(got);
        return out;
    }

    TempFolder folder;
};

struct GoodCase {
    const char* name;
    Bytes file;
    WORD tag, channels, bits, cbSize;
    DWORD rate;
    Bytes extra;  // bytes after the 18-byte record
    Bytes data;
};

Bytes NonPcmFields() { return riff::FormatFields(2, 1, 11025, 4); }

std::vector<GoodCase> GoodCases() {
    Bytes data8 = riff::Ramp(101);
    Bytes data16 = riff::Ramp(400);
    Bytes extra = {0xAA, 0xBB, 0xCC, 0xDD};
    return {
        {"Pcm8Mono", riff::PcmWave(1, 11025, 8, data8), 1, 1, 8, 0, 11025, {}, data8},
        {"Pcm16Stereo", riff::PcmWave(2, 44100, 16, data16), 1, 2, 16, 0, 44100, {}, data16},
        {"PcmFormatOf18BytesReadsOnly16",
         riff::Riff("WAVE", {riff::Chunk("fmt ", riff::Join({riff::FormatFields(1, 1, 22050, 16), riff::U16(0x1234)})),
                             riff::Chunk("data", data16)}),
         1, 1, 16, 0, 22050, {}, data16},
        {"NonPcmKeepsItsExtraBytes",
         riff::Riff("WAVE", {riff::Chunk("fmt ", riff::Join({NonPcmFields(), riff::U16(4), extra})),
                             riff::Chunk("data", data8)}),
         2, 1, 4, 4, 11025, extra, data8},
        // A 16-byte non-PCM record has no extra count: the next chunk's header is not one.
        {"NonPcmOf16BytesHasNoExtra",
         riff::Riff("WAVE", {riff::Chunk("fmt ", NonPcmFields()), riff::Chunk("data", data8)}), 2, 1, 4, 0, 11025, {},
         data8},
        {"DataBeforeFormat",
         riff::Riff("WAVE", {riff::Chunk("data", data8), riff::PcmFormatChunk(1, 8000, 8)}), 1, 1, 8, 0, 8000, {},
         data8},
        {"OddChunkBetween",
         riff::Riff("WAVE", {riff::PcmFormatChunk(1, 22050, 16), riff::Chunk("LIST", riff::Ramp(5)),
                             riff::Chunk("data", data16)}),
         1, 1, 16, 0, 22050, {}, data16},
        {"OddSizedData", riff::PcmWave(1, 8000, 8, riff::Ramp(7)), 1, 1, 8, 0, 8000, {}, riff::Ramp(7)},
    };
}

TEST_F(WaveFileTest, ReadsEveryWellFormedLayout) {
    for (const GoodCase& c : GoodCases()) {
        SCOPED_TRACE(c.name);
        CNWaveFile wave;
        ASSERT_EQ(wave.Open(Put(std::string(c.name) + ".wav", c.file).c_str(), nullptr, CNWaveFile::kModeRead), S_OK);
        const WAVEFORMATEX* format = wave.GetFormat();
        ASSERT_NE(format, nullptr);
        EXPECT_EQ(format->wFormatTag, c.tag);
        EXPECT_EQ(format->nChannels, c.channels);
        EXPECT_EQ(format->nSamplesPerSec, c.rate);
        EXPECT_EQ(format->wBitsPerSample, c.bits);
        EXPECT_EQ(format->cbSize, c.cbSize);
        const auto* tail = reinterpret_cast<const uint8_t*>(format) + sizeof(WAVEFORMATEX);
        EXPECT_EQ(Bytes(tail, tail + format->cbSize), c.extra);
        EXPECT_EQ(wave.GetSize(), c.data.size());
        EXPECT_EQ(ReadAll(wave), c.data);
    }
}

TEST_F(WaveFileTest, RefusesMalformedFiles) {
    Bytes pcm = riff::PcmFormatChunk(1, 22050, 16);
    Bytes data = riff::Chunk("data", riff::Ramp(8));
    Bytes whole = riff::PcmWave(1, 22050, 16, riff::Ramp(8));
    struct Case {
        const char* name;
        Bytes file;
    } cases[] = {
        {"Empty", {}},
        {"NotRiff", riff::Join({riff::Code("RIFX"), Bytes(whole.begin() + 4, whole.end())})},
        {"NotWave", riff::Riff("AVI ", {pcm, data})},
        {"FormatTooShort", riff::Riff("WAVE", {riff::Chunk("fmt ", Bytes(14, 1)), data})},
        {"NoFormat", riff::Riff("WAVE", {data})},
        {"NoData", riff::Riff("WAVE", {pcm})},
        {"CutInsideFormat", Bytes(whole.begin(), whole.begin() + 30)},
        {"ExtraCountPastTheChunk",
         riff::Riff("WAVE", {riff::Chunk("fmt ", riff::Join({NonPcmFields(), riff::U16(200), riff::Ramp(4)})), data})},
        {"ExtraBytesCutOff",
         riff::Join({riff::Code("RIFF"), riff::U32(100), riff::Code("WAVE"),
                     riff::ChunkDeclaring("fmt ", 18 + 40, riff::Join({NonPcmFields(), riff::U16(40), riff::Ramp(3)}))})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CNWaveFile wave;
        EXPECT_EQ(wave.Open(Put(std::string(c.name) + ".wav", c.file).c_str(), nullptr, CNWaveFile::kModeRead), E_FAIL);
        EXPECT_EQ(wave.GetSize(), 0u);
        if (std::string(c.name) != "NoData") {
            EXPECT_EQ(wave.GetFormat(), nullptr);
            EXPECT_EQ(MmioStandIn::OpenHandleCount(), 0u) << "a header that fails to parse closes the file";
        }
    }
}

TEST_F(WaveFileTest, MissingFileAndCallsWithoutAFile) {
    CNWaveFile wave;
    EXPECT_EQ(wave.Open(folder.File("missing.wav").c_str(), nullptr, CNWaveFile::kModeRead), E_FAIL);
    EXPECT_EQ(wave.Open(nullptr, nullptr, CNWaveFile::kModeRead), E_INVALIDARG);
    BYTE buffer[4];
    DWORD got = 7;
    EXPECT_EQ(wave.Read(buffer, 4, &got), kNotInitialized);
    EXPECT_EQ(wave.ResetFile(), kNotInitialized);

    CNWaveFile open;
    ASSERT_EQ(open.Open(Put("ok.wav", riff::PcmWave(1, 8000, 8, riff::Ramp(4))).c_str(), nullptr, 1), S_OK);
    EXPECT_EQ(open.Read(nullptr, 4, &got), E_INVALIDARG);
    EXPECT_EQ(open.Read(buffer, 4, nullptr), E_INVALIDARG);
}

TEST_F(WaveFileTest, ReadsUpToTheDataAndAgainAfterReset) {
    Bytes data = riff::Ramp(3 * MMIO_DEFAULTBUFFER + 5);  // crosses several refills of the I/O buffer
    CNWaveFile wave;
    ASSERT_EQ(wave.Open(Put("long.wav", riff::PcmWave(1, 22050, 8, data)).c_str(), nullptr, 1), S_OK);

    Bytes out(2 * data.size());
    DWORD got = 0;
    ASSERT_EQ(wave.Read(out.data(), static_cast<DWORD>(out.size()), &got), S_OK);
    EXPECT_EQ(got, data.size());
    EXPECT_EQ(Bytes(out.begin(), out.begin() + got), data);
    ASSERT_EQ(wave.Read(out.data(), static_cast<DWORD>(out.size()), &got), S_OK);
    EXPECT_EQ(got, 0u);

    ASSERT_EQ(wave.ResetFile(), S_OK);
    Bytes first(10);
    ASSERT_EQ(wave.Read(first.data(), 10, &got), S_OK);
    EXPECT_EQ(first, Bytes(data.begin(), data.begin() + 10));
    Bytes rest(data.size());
    ASSERT_EQ(wave.Read(rest.data(), static_cast<DWORD>(rest.size()), &got), S_OK);
    EXPECT_EQ(got, data.size() - 10);
    EXPECT_EQ(Bytes(rest.begin(), rest.begin() + got), Bytes(data.begin() + 10, data.end()));
}

TEST_F(WaveFileTest, AFileCutInsideItsDataFailsTheReadOverTheGap) {
    Bytes data = riff::Ramp(50);
    Bytes file = riff::Join({riff::Code("RIFF"), riff::U32(4 + 24 + 8 + 1000), riff::Code("WAVE"),
                             riff::PcmFormatChunk(1, 8000, 8), riff::ChunkDeclaring("data", 1000, data)});
    CNWaveFile wave;
    ASSERT_EQ(wave.Open(Put("cut.wav", file).c_str(), nullptr, 1), S_OK);
    EXPECT_EQ(wave.GetSize(), 1000u);
    Bytes out(20);
    DWORD got = 99;
    ASSERT_EQ(wave.Read(out.data(), 20, &got), S_OK) << "the bytes that are there read";
    EXPECT_EQ(out, Bytes(data.begin(), data.begin() + 20));
    Bytes more(1000);
    EXPECT_EQ(wave.Read(more.data(), 1000, &got), E_FAIL);
    EXPECT_EQ(got, 0u);
}

TEST_F(WaveFileTest, AFileOpenedForWritingAndClosedHoldsAnEmptyWave) {
    WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, 22050, 44100, 2, 16, 0};
    std::string path = folder.File("new.wav");
    CNWaveFile wave;
    ASSERT_EQ(wave.Open(path.c_str(), &format, 0), S_OK);
    EXPECT_EQ(wave.GetFormat(), nullptr) << "the written format is not kept";
    ASSERT_EQ(wave.Close(), S_OK);

    Bytes expected =
        riff::Riff("WAVE", {riff::PcmFormatChunk(1, 22050, 16), riff::Chunk("fact", riff::U32(0)), riff::Chunk("data", {})});
    EXPECT_EQ(folder.Read("new.wav"), riff::AsString(expected));
}

TEST_F(WaveFileTest, WriteThenReadRoundTrip) {
    struct {
        WORD tag;
        Bytes extra;
    } kinds[] = {{WAVE_FORMAT_PCM, {}}, {2, {1, 2, 3, 4, 5, 6}}};
    Bytes data = riff::Ramp(MMIO_DEFAULTBUFFER * 2 + 3);  // odd: the data chunk gets a pad byte
    for (const auto& kind : kinds) {
        SCOPED_TRACE(kind.tag);
        std::vector<uint8_t> record(sizeof(WAVEFORMATEX) + kind.extra.size());
        WAVEFORMATEX header{kind.tag, 2, 8000, 32000, 4, 16, static_cast<WORD>(kind.extra.size())};
        std::memcpy(record.data(), &header, sizeof header);
        if (!kind.extra.empty()) std::memcpy(record.data() + sizeof header, kind.extra.data(), kind.extra.size());

        std::string path = folder.File("round.wav");
        CNWaveFile out;
        ASSERT_EQ(out.Open(path.c_str(), reinterpret_cast<WAVEFORMATEX*>(record.data()), 0), S_OK);
        DWORD written = 0;
        ASSERT_EQ(out.Write(data.data(), static_cast<DWORD>(data.size()), &written), S_OK);
        EXPECT_EQ(written, data.size());
        ASSERT_EQ(out.Close(), S_OK);
        EXPECT_EQ(folder.Read("round.wav").size() % 2, 0u);

        CNWaveFile in;
        ASSERT_EQ(in.Open(path.c_str(), nullptr, 1), S_OK);
        ASSERT_NE(in.GetFormat(), nullptr);
        EXPECT_EQ(in.GetFormat()->wFormatTag, kind.tag);
        EXPECT_EQ(in.GetFormat()->nSamplesPerSec, 8000u);
        EXPECT_EQ(in.GetFormat()->nBlockAlign, 4);
        EXPECT_EQ(in.GetFormat()->cbSize, kind.extra.size());
        const auto* tail = reinterpret_cast<const uint8_t*>(in.GetFormat()) + sizeof(WAVEFORMATEX);
        EXPECT_EQ(Bytes(tail, tail + kind.extra.size()), kind.extra);
        EXPECT_EQ(in.GetSize(), data.size());
        EXPECT_EQ(ReadAll(in), data);
    }
}

TEST_F(WaveFileTest, AWriteAfterAFailedReopenTouchesNoOldBuffer) {
    WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, 8000, 8000, 1, 8, 0};
    CNWaveFile wave;
    ASSERT_EQ(wave.Open(folder.File("first.wav").c_str(), &format, 0), S_OK);
    BYTE sample = 7;
    DWORD written = 0;
    ASSERT_EQ(wave.Write(&sample, 1, &written), S_OK);
    ASSERT_EQ(wave.Close(), S_OK);

    // The second file stays open without its "data" chunk: the first file's buffer is gone.
    PlatformFaults::Arm("mmioGetInfo");
    EXPECT_EQ(wave.Open(folder.File("second.wav").c_str(), &format, 0), E_FAIL);
    EXPECT_EQ(wave.Write(&sample, 1, &written), E_FAIL);
    EXPECT_EQ(written, 0u);
}

TEST_F(WaveFileTest, AWrittenFileThatCannotReachTheDiskFailsItsClose) {
    folder.Write("kept.wav", std::string("old"));
    WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, 8000, 8000, 1, 8, 0};
    CNWaveFile wave;
    ASSERT_EQ(wave.Open(folder.File("kept.wav").c_str(), &format, 0), S_OK);
    PlatformFaults::Arm("mmioClose");
    EXPECT_EQ(wave.Close(), E_FAIL);
    EXPECT_EQ(folder.Read("kept.wav"), "old");
    EXPECT_EQ(wave.Close(), kNotInitialized) << "the handle is gone all the same";
}

TEST_F(WaveFileTest, PlatformFailuresFailTheOpen) {
    std::string path = Put("ok.wav", riff::PcmWave(1, 8000, 8, riff::Ramp(8)));
    for (const char* call : {"mmioDescend", "mmioRead", "mmioAscend", "mmioSeek"}) {
        SCOPED_TRACE(call);
        PlatformFaults::Clear();
        PlatformFaults::Arm(call);
        CNWaveFile wave;
        EXPECT_EQ(wave.Open(path.c_str(), nullptr, 1), E_FAIL);
    }
    PlatformFaults::Clear();
    PlatformFaults::Arm("mmioWrite", E_FAIL, 1, 1);  // the "fact" count
    CNWaveFile out;
    WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, 8000, 8000, 1, 8, 0};
    EXPECT_EQ(out.Open(folder.File("fails.wav").c_str(), &format, 0), E_FAIL);
    EXPECT_EQ(MmioStandIn::OpenHandleCount(), 0u);
    EXPECT_FALSE(folder.Exists("fails.wav.mmio-tmp"));
}
}  // namespace
