#include "platform/Mmio.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/PlatformFaults.h"
#include "support/RiffWaveBuilder.h"
#include "support/TempFolder.h"

using riff::Bytes;

namespace {
class MmioTest : public ::testing::Test {
protected:
    void SetUp() override { PlatformFaults::Clear(); }
    void TearDown() override {
        PlatformFaults::Clear();
        EXPECT_EQ(MmioStandIn::OpenHandleCount(), 0u) << "a test left a handle open";
    }

    // Opens the bytes as a memory file (the vector must outlive the handle).
    static HMMIO OpenMemory(Bytes& bytes) {
        MMIOINFO info{};
        info.fccIOProc = FOURCC_MEM;
        info.pchBuffer = reinterpret_cast<char*>(bytes.data());
        info.cchBuffer = static_cast<LONG>(bytes.size());
        return mmioOpenA(nullptr, &info, MMIO_READ | MMIO_ALLOCBUF);
    }

    TempFolder folder;
};

TEST_F(MmioTest, FindChunkSkipsOddChunksWithTheirPadAndStopsAtTheParent) {
    Bytes file = riff::Join({riff::Riff("WAVE", {riff::Chunk("LIST", riff::Ramp(3)), riff::Chunk("abcd", riff::Ramp(2, 9))}),
                             riff::Chunk("late", riff::Ramp(4))});
    HMMIO h = OpenMemory(file);
    ASSERT_NE(h, nullptr);

    MMCKINFO parent{};
    ASSERT_EQ(mmioDescend(h, &parent, nullptr, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(parent.ckid, FOURCC_RIFF);
    EXPECT_EQ(parent.fccType, mmioFOURCC('W', 'A', 'V', 'E'));
    EXPECT_EQ(parent.dwDataOffset, 8u);
    EXPECT_EQ(mmioSeek(h, 0, SEEK_CUR), 12) << "the position is after the form type";

    MMCKINFO chunk{};
    chunk.ckid = mmioFOURCC('a', 'b', 'c', 'd');
    ASSERT_EQ(mmioDescend(h, &chunk, &parent, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
    EXPECT_EQ(chunk.cksize, 2u);
    char data[2];
    EXPECT_EQ(mmioRead(h, data, 2), 2);
    EXPECT_EQ(data[0], 9);

    // "late" lies after the RIFF chunk: a search bounded by it does not find it.
    mmioSeek(h, 12, SEEK_SET);
    MMCKINFO late{};
    late.ckid = mmioFOURCC('l', 'a', 't', 'e');
    EXPECT_EQ(mmioDescend(h, &late, &parent, MMIO_FINDCHUNK), MMIOERR_CHUNKNOTFOUND);
    mmioSeek(h, 12, SEEK_SET);
    EXPECT_EQ(mmioDescend(h, &late, nullptr, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
    EXPECT_EQ(mmioClose(h, 0), MMSYSERR_NOERROR);
}

TEST_F(MmioTest, SearchOverLyingSizesEnds) {
    // A size that points far past the end, and a header cut short.
    Bytes file = riff::Join({riff::ChunkDeclaring("junk", 0xFFFFFFFFu, riff::Ramp(4)), riff::Code("dat")});
    HMMIO h = OpenMemory(file);
    MMCKINFO chunk{};
    chunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
    EXPECT_EQ(mmioDescend(h, &chunk, nullptr, MMIO_FINDCHUNK), MMIOERR_CHUNKNOTFOUND);
    mmioSeek(h, 12, SEEK_SET);
    EXPECT_EQ(mmioDescend(h, &chunk, nullptr, 0), MMIOERR_CHUNKNOTFOUND);
    mmioClose(h, 0);
}

TEST_F(MmioTest, CreatedChunksGetTheirSizesAndPadWhenAscending) {
    std::string path = folder.File("made.bin");
    HMMIO h = mmioOpenA(path.c_str(), nullptr, MMIO_READWRITE | MMIO_CREATE | MMIO_ALLOCBUF);
    ASSERT_NE(h, nullptr);
    MMCKINFO outer{};
    outer.fccType = mmioFOURCC('T', 'E', 'S', 'T');
    ASSERT_EQ(mmioCreateChunk(h, &outer, MMIO_CREATERIFF), MMSYSERR_NOERROR);
    MMCKINFO inner{};
    inner.ckid = mmioFOURCC('o', 'd', 'd', ' ');
    ASSERT_EQ(mmioCreateChunk(h, &inner, 0), MMSYSERR_NOERROR);
    ASSERT_EQ(mmioWrite(h, "abc", 3), 3);
    ASSERT_EQ(mmioAscend(h, &inner, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(inner.cksize, 3u);
    ASSERT_EQ(mmioAscend(h, &outer, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(outer.cksize, 16u);
    EXPECT_FALSE(folder.Exists("made.bin")) << "the file reaches the disk when it is closed";
    ASSERT_EQ(mmioClose(h, 0), MMSYSERR_NOERROR);

    Bytes expected = riff::Riff("TEST", {riff::Chunk("odd ", {'a', 'b', 'c'})});
    EXPECT_EQ(folder.Read("made.bin"), riff::AsString(expected));
}

TEST_F(MmioTest, BufferAdvanceReadsTheWholeFileAndEndsWithAnEmptyBuffer) {
    Bytes bytes = riff::Ramp(MMIO_DEFAULTBUFFER + 100);
    folder.Write("big.bin", bytes);
    std::string path = folder.File("big.bin");
    HMMIO h = mmioOpenA(path.c_str(), nullptr, MMIO_READ | MMIO_ALLOCBUF);
    ASSERT_NE(h, nullptr);
    MMIOINFO info{};
    ASSERT_EQ(mmioGetInfo(h, &info, 0), MMSYSERR_NOERROR);
    Bytes seen;
    for (int guard = 0; guard < 10; ++guard) {
        if (info.pchNext == info.pchEndRead) {
            ASSERT_EQ(mmioAdvance(h, &info, MMIO_READ), MMSYSERR_NOERROR);
            if (info.pchNext == info.pchEndRead) break;
        }
        seen.insert(seen.end(), info.pchNext, info.pchEndRead);
        info.pchNext = info.pchEndRead;
    }
    EXPECT_EQ(seen, bytes);
    ASSERT_EQ(mmioSetInfo(h, &info, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(mmioSeek(h, 0, SEEK_CUR), static_cast<LONG>(bytes.size()));
    mmioClose(h, 0);
}

TEST_F(MmioTest, BadHandlesAndBufferPointersAreRefused) {
    EXPECT_EQ(mmioClose(nullptr, 0), MMSYSERR_INVALHANDLE);
    Bytes bytes = riff::Ramp(16);
    HMMIO h = OpenMemory(bytes);
    MMIOINFO info{};
    ASSERT_EQ(mmioGetInfo(h, &info, 0), MMSYSERR_NOERROR);
    MMIOINFO wild = info;
    wild.pchNext = info.pchEndWrite + 1;
    EXPECT_EQ(mmioSetInfo(h, &wild, 0), MMSYSERR_INVALPARAM);
    char byte;
    EXPECT_EQ(mmioWrite(h, "x", 1), -1) << "opened for reading";
    mmioClose(h, 0);
    // The handle is gone: using it again is refused, not a use after free.
    EXPECT_EQ(mmioRead(h, &byte, 1), -1);
    EXPECT_EQ(mmioClose(h, 0), MMSYSERR_INVALHANDLE);
}

TEST_F(MmioTest, OpenFailures) {
    MMIOINFO info{};
    std::string missing = folder.File("missing.wav");
    EXPECT_EQ(mmioOpenA(missing.c_str(), &info, MMIO_READ), nullptr);
    EXPECT_EQ(info.wErrorRet, MMIOERR_FILENOTFOUND);

    folder.MakeFolder("folder.wav");
    std::string dir = folder.File("folder.wav");
    EXPECT_EQ(mmioOpenA(dir.c_str(), nullptr, MMIO_READ), nullptr) << "a folder is not a file";

    std::string tooLong(MAX_PATH, 'a');
    EXPECT_EQ(mmioOpenA(tooLong.c_str(), &info, MMIO_READ), nullptr);
    EXPECT_EQ(info.wErrorRet, MMIOERR_CANNOTOPEN);

    std::string nowhere = folder.File("no/such/folder/out.wav");
    EXPECT_EQ(mmioOpenA(nowhere.c_str(), nullptr, MMIO_READWRITE | MMIO_CREATE), nullptr);
}

TEST_F(MmioTest, AFailedCloseKeepsThePreviousFile) {
    folder.Write("keep.bin", std::string("old"));
    std::string path = folder.File("keep.bin");
    HMMIO h = mmioOpenA(path.c_str(), nullptr, MMIO_READWRITE | MMIO_CREATE | MMIO_ALLOCBUF);
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(mmioWrite(h, "new", 3), 3);
    PlatformFaults::Arm("mmioClose");
    EXPECT_EQ(mmioClose(h, 0), MMIOERR_CANNOTWRITE);
    EXPECT_EQ(folder.Read("keep.bin"), "old");
}

TEST_F(MmioTest, WritingThroughTheBufferReachesTheFile) {
    std::string path = folder.File("buffered.bin");
    HMMIO h = mmioOpenA(path.c_str(), nullptr, MMIO_READWRITE | MMIO_CREATE | MMIO_ALLOCBUF);
    MMIOINFO info{};
    ASSERT_EQ(mmioGetInfo(h, &info, 0), MMSYSERR_NOERROR);
    Bytes payload = riff::Ramp(MMIO_DEFAULTBUFFER + 7);
    size_t at = 0;
    while (at < payload.size()) {
        if (info.pchNext == info.pchEndWrite) {
            info.dwFlags |= MMIO_DIRTY;
            ASSERT_EQ(mmioAdvance(h, &info, MMIO_WRITE), MMSYSERR_NOERROR);
        }
        *info.pchNext++ = static_cast<char>(payload[at++]);
    }
    info.dwFlags |= MMIO_DIRTY;
    ASSERT_EQ(mmioSetInfo(h, &info, 0), MMSYSERR_NOERROR);
    ASSERT_EQ(mmioClose(h, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(folder.Read("buffered.bin"), riff::AsString(payload));
}
}  // namespace
