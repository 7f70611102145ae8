// A read-only COM stream over bytes it does not own, for GDI+ to decode
// from: reads are all or nothing, positions stay inside the data, and every
// operation that would change the data is refused as not implemented.
#pragma once

#include <windows.h>

#include <objidl.h>

#include <cstdint>

namespace platform {

class ComResourceStream final : public IStream {
public:
    // data must outlive every reference to the stream.
    ComResourceStream(const std::uint8_t* data, std::uint32_t size);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* done) override;
    HRESULT STDMETHODCALLTYPE Write(const void* buffer, ULONG count, ULONG* done) override;

    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override;
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override;
    HRESULT STDMETHODCALLTYPE CopyTo(IStream* target, ULARGE_INTEGER count, ULARGE_INTEGER* read,
                                     ULARGE_INTEGER* written) override;
    HRESULT STDMETHODCALLTYPE Commit(DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Revert() override;
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count, DWORD type) override;
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count, DWORD type) override;
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* record, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Clone(IStream** copy) override;

    std::uint32_t position() const { return current; }

private:
    ~ComResourceStream() = default;

    const std::uint8_t* data;
    std::uint32_t current = 0;
    std::uint32_t size;
    LONG references = 1;
};

}  // namespace platform
