#include "platform/win32/ComResourceStream.h"

#include <cstring>

namespace platform {

ComResourceStream::ComResourceStream(const std::uint8_t* data, std::uint32_t size) : data(data), size(size) {}

HRESULT STDMETHODCALLTYPE ComResourceStream::QueryInterface(REFIID id, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IStream) || IsEqualIID(id, IID_ISequentialStream)) {
        AddRef();
        *object = static_cast<IStream*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

// Interlocked: the decoder may hold and release the stream itself.
ULONG STDMETHODCALLTYPE ComResourceStream::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&references));
}

ULONG STDMETHODCALLTYPE ComResourceStream::Release() {
    const LONG left = InterlockedDecrement(&references);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

HRESULT STDMETHODCALLTYPE ComResourceStream::Read(void* buffer, ULONG count, ULONG* done) {
    // In 64 bits, so that position + count cannot wrap around.
    if (static_cast<std::uint64_t>(current) + count > size) return S_FALSE;
    if (count > 0) std::memcpy(buffer, data + current, count);
    current += count;
    if (done) *done = count;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ComResourceStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) {
    std::int64_t target = 0;
    switch (origin) {
        case STREAM_SEEK_SET:
            target = move.QuadPart;
            break;
        case STREAM_SEEK_CUR:
            target = static_cast<std::int64_t>(current) + move.QuadPart;
            break;
        case STREAM_SEEK_END:
            return S_FALSE;
        default:
            return STG_E_INVALIDFUNCTION;
    }
    if (target < 0 || target >= static_cast<std::int64_t>(size)) return S_FALSE;
    current = static_cast<std::uint32_t>(target);
    if (newPosition) newPosition->QuadPart = current;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ComResourceStream::Stat(STATSTG* record, DWORD) {
    if (!record) return STG_E_INVALIDPOINTER;
    record->cbSize.QuadPart = size;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ComResourceStream::Revert() {
    current = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ComResourceStream::Write(const void*, ULONG, ULONG*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE ComResourceStream::SetSize(ULARGE_INTEGER) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE ComResourceStream::CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) {
    return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE ComResourceStream::Commit(DWORD) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE ComResourceStream::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE ComResourceStream::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
    return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE ComResourceStream::Clone(IStream**) { return E_NOTIMPL; }

}  // namespace platform
