#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "baseclasses/streams.h"

namespace {

class Persisted : public CPersistStream {
public:
    Persisted() : CPersistStream(nullptr, nullptr) {}
    STDMETHODIMP QueryInterface(REFIID, void**) override { return E_NOTIMPL; }
    STDMETHODIMP_(ULONG) AddRef() override { return 1; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetClassID(CLSID* id) override {
        *id = GUID_NULL;
        return S_OK;
    }
    DWORD Version() const { return m_dwStreamVersion; }
};

struct PersistTest : ::testing::Test {
    IStream* stream = nullptr;
    Persisted object;
    void SetUp() override { ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK); }
    void TearDown() override { stream->Release(); }

    // Replaces the stream's contents with text and rewinds it.
    void Fill(const std::u16string& text) {
        ULARGE_INTEGER zero{};
        stream->SetSize(zero);
        Rewind();
        stream->Write(text.data(), static_cast<ULONG>(text.size() * 2), nullptr);
        Rewind();
    }
    void Rewind() {
        LARGE_INTEGER start{};
        stream->Seek(start, STREAM_SEEK_SET, nullptr);
    }
    ULONGLONG Position() {
        LARGE_INTEGER none{};
        ULARGE_INTEGER pos{};
        stream->Seek(none, STREAM_SEEK_CUR, &pos);
        return pos.QuadPart;
    }
    std::vector<BYTE> Bytes() {
        STATSTG stat;
        stream->Stat(&stat, STATFLAG_NONAME);
        std::vector<BYTE> bytes(static_cast<size_t>(stat.cbSize.QuadPart));
        Rewind();
        stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr);
        return bytes;
    }
};

} // namespace

TEST_F(PersistTest, SavesExactlyTheTwentyFourByteVersionField) {
    ASSERT_EQ(object.Save(stream, TRUE), S_OK);
    std::vector<BYTE> expected;
    for (int i = 0; i < 11; ++i)
        expected.insert(expected.end(), {0x30, 0x00});
    expected.insert(expected.end(), {0x20, 0x00});
    EXPECT_EQ(Bytes(), expected);
    ULARGE_INTEGER size;
    size.QuadPart = ~0ull;
    ASSERT_EQ(object.GetSizeMax(&size), S_OK);
    EXPECT_EQ(size.QuadPart, 24u);
}

TEST_F(PersistTest, WritesSignedVersionsInTwelveCharacters) {
    const std::pair<int, std::u16string> cases[] = {{7, u"00000000007 "},
                                                    {-1, u"-0000000001 "},
                                                    {2147483647, u"02147483647 "},
                                                    {INT32_MIN, u"-2147483648 "}};
    for (const auto& [value, text] : cases) {
        ULARGE_INTEGER zero{};
        stream->SetSize(zero);
        Rewind();
        ASSERT_EQ(WriteTextInt(stream, value), S_OK);
        std::vector<BYTE> bytes = Bytes();
        ASSERT_EQ(bytes.size(), 24u);
        EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(bytes.data()), 12), text);
    }
}

TEST_F(PersistTest, LoadsVersionsAndStopsAfterTheTerminator) {
    Fill(u"00000000000 rest");
    EXPECT_EQ(object.Load(stream), S_OK);
    EXPECT_EQ(Position(), 24u);

    Fill(u"-0000000005\t");
    EXPECT_EQ(object.Load(stream), S_OK);
    EXPECT_EQ(object.Version(), 0xFFFFFFFBu);

    Fill(u"-2147483648 ");
    EXPECT_EQ(object.Load(stream), S_OK);
    EXPECT_EQ(object.Version(), 0x80000000u);

    Fill(u"4294967297 "); // wraps modulo 2^32
    EXPECT_EQ(object.Load(stream), S_OK);
    EXPECT_EQ(object.Version(), 1u);

    Fill(std::u16string(u"12") + u'\0');
    EXPECT_EQ(object.Load(stream), S_OK);
    EXPECT_EQ(object.Version(), 12u);
}

TEST_F(PersistTest, RefusesMalformedVersionFields) {
    Fill(u"12x");
    EXPECT_EQ(object.Load(stream), VFW_E_INVALID_FILE_FORMAT);
    EXPECT_EQ(Position(), 6u); // three characters consumed
    EXPECT_EQ(object.Version(), 0u);

    for (const char16_t* bad : {u"+1 ", u"--1 ", u"1-"}) {
        Fill(bad);
        EXPECT_EQ(object.Load(stream), VFW_E_INVALID_FILE_FORMAT);
    }
}

TEST_F(PersistTest, AStreamEndingBeforeTheTerminatorIsAnErrorNotALoop) {
    for (const char16_t* truncated : {u"", u"-", u"123"}) {
        Fill(truncated);
        EXPECT_EQ(object.Load(stream), VFW_E_INVALID_FILE_FORMAT);
    }
}

TEST_F(PersistTest, DirtyFlagFollowsSetDirtyAndSave) {
    EXPECT_EQ(object.IsDirty(), S_FALSE);
    object.SetDirty(TRUE);
    EXPECT_EQ(object.IsDirty(), S_OK);
    ASSERT_EQ(object.Save(stream, TRUE), S_OK);
    EXPECT_EQ(object.IsDirty(), S_FALSE);
    ASSERT_EQ(object.Save(stream, FALSE), S_OK);
    EXPECT_EQ(object.IsDirty(), S_OK); // a save that keeps the flag marks the object dirty
    Fill(u"00000000000 ");
    object.SetDirty(FALSE);
    object.Load(stream);
    EXPECT_EQ(object.IsDirty(), S_FALSE);
}

TEST_F(PersistTest, NullArgumentsAnswerEPointer) {
    EXPECT_EQ(object.Load(nullptr), E_POINTER);
    EXPECT_EQ(object.Save(nullptr, TRUE), E_POINTER);
    EXPECT_EQ(object.GetSizeMax(nullptr), E_POINTER);
}

TEST(FormatWideBounded, CutsAtTheCapacityAndAlwaysTerminates) {
    WCHAR buf[8];
    std::fill(std::begin(buf), std::end(buf), u'#');
    EXPECT_EQ(FormatWideBounded(buf, 4, WSTR("%s"), WSTR("abcdef")), HRESULT(0x8007007A));
    EXPECT_EQ(std::u16string(buf), u"abc");
    EXPECT_EQ(buf[4], u'#');
    EXPECT_EQ(FormatWideBounded(buf, 4, WSTR("abc")), S_OK);
    EXPECT_EQ(std::u16string(buf), u"abc");
    EXPECT_EQ(FormatWideBounded(buf, 4, WSTR("a%d"), 5), S_OK);
    EXPECT_EQ(std::u16string(buf), u"a5");
    buf[0] = u'#';
    EXPECT_EQ(FormatWideBounded(buf, 0, WSTR("abc")), E_INVALIDARG);
    EXPECT_EQ(FormatWideBounded(buf, size_t(0x80000000), WSTR("abc")), E_INVALIDARG);
    EXPECT_EQ(buf[0], u'#');
}
