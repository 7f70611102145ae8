#include "platform/win32/ComResourceStream.h"

#include <cstring>

#include "platform/ReadOnlyStream.h"

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
    if (!readFits(current, count, size)) return S_FALSE;
    if (count > 0) std::memcpy(buffer, data + current, count);
    current += count;
    if (done) *done = count;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ComResourceStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) {
    switch (seekWithin(size, current, move.QuadPart, origin)) {
        case SeekAnswer::moved:
            if (newPosition) newPosition->QuadPart = current;
            return S_OK;
        case SeekAnswer::refused:
            return S_FALSE;
        case SeekAnswer::unknownOrigin:
            break;
    }
    return STG_E_INVALIDFUNCTION;
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
