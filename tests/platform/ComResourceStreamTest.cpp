// The COM stream GDI+ decodes the pictures from: reads all or nothing,
// positions inside the data, and a refusal for everything that would write.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/win32/ComResourceStream.h"

using platform::ComResourceStream;

namespace {

LARGE_INTEGER by(std::int64_t value) {
    LARGE_INTEGER move;
    move.QuadPart = value;
    return move;
}

}  // namespace

TEST(ComResourceStream, AnswersOnlyForTheStreamInterfacesAndCountsItsReferences) {
    const std::uint8_t bytes[4] = {1, 2, 3, 4};
    auto* stream = new ComResourceStream(bytes, sizeof bytes);
    void* object = nullptr;
    for (REFIID id : {IID_IUnknown, IID_IStream, IID_ISequentialStream}) {
        ASSERT_EQ(stream->QueryInterface(id, &object), S_OK);
        EXPECT_EQ(object, static_cast<IStream*>(stream));
        EXPECT_EQ(stream->Release(), 1u);
    }
    EXPECT_EQ(stream->QueryInterface(IID_IStorage, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(stream->AddRef(), 2u);
    EXPECT_EQ(stream->Release(), 1u);
    EXPECT_EQ(stream->Release(), 0u);
}

TEST(ComResourceStream, ReadsWholeOrNothingAndSeeksInsideTheData) {
    std::vector<std::uint8_t> bytes(100);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);
    auto* stream = new ComResourceStream(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    std::uint8_t buffer[128] = {};
    ULONG done = 0;
    ASSERT_EQ(stream->Read(buffer, 60, &done), S_OK);
    EXPECT_EQ(done, 60u);
    done = 0;
    EXPECT_EQ(stream->Read(buffer, 41, &done), S_FALSE) << "no short reads";
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(stream->position(), 60u);
    ASSERT_EQ(stream->Read(buffer, 40, nullptr), S_OK) << "exactly the remaining bytes";
    EXPECT_EQ(std::memcmp(buffer, bytes.data() + 60, 40), 0);

    ULARGE_INTEGER at{};
    EXPECT_EQ(stream->Seek(by(100), STREAM_SEEK_SET, &at), S_FALSE) << "the size itself is outside";
    EXPECT_EQ(stream->Seek(by(-1), STREAM_SEEK_SET, &at), S_FALSE);
    EXPECT_EQ(stream->Seek(by(0), STREAM_SEEK_END, &at), S_FALSE);
    EXPECT_EQ(stream->Seek(by(0), 7, &at), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(stream->position(), 100u) << "refused seeks leave the position";
    ASSERT_EQ(stream->Seek(by(99), STREAM_SEEK_SET, &at), S_OK);
    EXPECT_EQ(at.QuadPart, 99u);
    ASSERT_EQ(stream->Seek(by(-9), STREAM_SEEK_CUR, &at), S_OK);
    EXPECT_EQ(at.QuadPart, 90u);
    ASSERT_EQ(stream->Read(buffer, 10, nullptr), S_OK);
    EXPECT_EQ(buffer[0], bytes[90]);

    STATSTG record{};
    ASSERT_EQ(stream->Stat(&record, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(record.cbSize.QuadPart, 100u);
    ASSERT_EQ(stream->Revert(), S_OK);
    EXPECT_EQ(stream->position(), 0u);

    ULONG written = 0;
    ULARGE_INTEGER size{};
    EXPECT_EQ(stream->Write(buffer, 1, &written), E_NOTIMPL);
    EXPECT_EQ(stream->SetSize(size), E_NOTIMPL);
    EXPECT_EQ(stream->CopyTo(nullptr, size, nullptr, nullptr), E_NOTIMPL);
    EXPECT_EQ(stream->Commit(0), E_NOTIMPL);
    EXPECT_EQ(stream->LockRegion(size, size, 0), E_NOTIMPL);
    EXPECT_EQ(stream->UnlockRegion(size, size, 0), E_NOTIMPL);
    IStream* copy = nullptr;
    EXPECT_EQ(stream->Clone(&copy), E_NOTIMPL);
    EXPECT_EQ(std::memcmp(buffer, bytes.data() + 90, 10), 0) << "the data is never written";
    stream->Release();
}
