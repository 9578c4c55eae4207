#include <gtest/gtest.h>

#include <cstring>

#include "platform/platform.h"

namespace {

struct StreamTest : ::testing::Test {
    IStream* stream = nullptr;
    void SetUp() override { ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK); }
    void TearDown() override { EXPECT_EQ(stream->Release(), 0u); }

    ULONGLONG Seek(LONGLONG offset, DWORD origin, HRESULT expect = S_OK) {
        LARGE_INTEGER move;
        move.QuadPart = offset;
        ULARGE_INTEGER pos{};
        EXPECT_EQ(stream->Seek(move, origin, &pos), expect);
        return pos.QuadPart;
    }
};

} // namespace

TEST_F(StreamTest, GrowsOnWriteAndReadsShortAtTheEnd) {
    ULONG n = 0;
    ASSERT_EQ(stream->Write("hello world", 11, &n), S_OK);
    EXPECT_EQ(n, 11u);
    EXPECT_EQ(Seek(6, STREAM_SEEK_SET), 6u);
    char buf[16] = {};
    EXPECT_EQ(stream->Read(buf, sizeof buf, &n), S_OK);
    EXPECT_EQ(n, 5u);
    EXPECT_STREQ(buf, "world");
    EXPECT_EQ(stream->Read(buf, sizeof buf, &n), S_OK);
    EXPECT_EQ(n, 0u);
}

TEST_F(StreamTest, SeeksFromEveryOriginAndRefusesBeforeTheStart) {
    stream->Write("0123456789", 10, nullptr);
    EXPECT_EQ(Seek(-3, STREAM_SEEK_END), 7u);
    EXPECT_EQ(Seek(-2, STREAM_SEEK_CUR), 5u);
    Seek(-1, STREAM_SEEK_SET, STG_E_INVALIDFUNCTION);
    EXPECT_EQ(Seek(0, STREAM_SEEK_CUR), 5u); // unchanged by the refused seek
    Seek(0, 7, STG_E_INVALIDFUNCTION);
}

TEST_F(StreamTest, WritingPastTheEndZeroFillsTheGap) {
    Seek(4, STREAM_SEEK_SET);
    stream->Write("x", 1, nullptr);
    Seek(0, STREAM_SEEK_SET);
    char buf[5];
    ULONG n = 0;
    stream->Read(buf, 5, &n);
    ASSERT_EQ(n, 5u);
    EXPECT_EQ(std::memcmp(buf, "\0\0\0\0x", 5), 0);
}

TEST_F(StreamTest, SetSizeAndStatAgree) {
    stream->Write("abcdef", 6, nullptr);
    ULARGE_INTEGER size;
    size.QuadPart = 2;
    ASSERT_EQ(stream->SetSize(size), S_OK);
    STATSTG stat;
    ASSERT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(stat.type, DWORD(STGTY_STREAM));
    EXPECT_EQ(stat.cbSize.QuadPart, 2u);
    EXPECT_EQ(stream->Stat(nullptr, STATFLAG_NONAME), STG_E_INVALIDPOINTER);
}

TEST_F(StreamTest, ClonesShareBytesButNotThePosition) {
    stream->Write("abc", 3, nullptr);
    IStream* clone = nullptr;
    ASSERT_EQ(stream->Clone(&clone), S_OK);
    stream->Write("def", 3, nullptr);
    char buf[4] = {};
    ULONG n = 0;
    clone->Read(buf, 3, &n); // the clone started at offset 3
    EXPECT_STREQ(buf, "def");
    EXPECT_EQ(clone->Release(), 0u);
}

TEST_F(StreamTest, AnswersItsInterfacesOnly) {
    void* p = nullptr;
    EXPECT_EQ(stream->QueryInterface(IID_ISequentialStream, &p), S_OK);
    static_cast<IUnknown*>(p)->Release();
    EXPECT_EQ(stream->QueryInterface(IID_IPersist, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);
}
