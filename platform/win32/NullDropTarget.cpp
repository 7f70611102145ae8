#include "platform/win32/NullDropTarget.h"

namespace platform {

namespace {

HRESULT refuse(DWORD* effect) {
    if (effect) *effect = DROPEFFECT_NONE;
    return S_OK;
}

}  // namespace

HRESULT STDMETHODCALLTYPE NullDropTarget::QueryInterface(REFIID id, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDropTarget)) {
        AddRef();
        *object = static_cast<IDropTarget*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE NullDropTarget::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references)); }

ULONG STDMETHODCALLTYPE NullDropTarget::Release() {
    const LONG left = InterlockedDecrement(&references);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

HRESULT STDMETHODCALLTYPE NullDropTarget::DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) {
    return refuse(effect);
}
HRESULT STDMETHODCALLTYPE NullDropTarget::DragOver(DWORD, POINTL, DWORD* effect) { return refuse(effect); }
HRESULT STDMETHODCALLTYPE NullDropTarget::DragLeave() { return S_OK; }
HRESULT STDMETHODCALLTYPE NullDropTarget::Drop(IDataObject*, DWORD, POINTL, DWORD* effect) {
    return refuse(effect);
}

}  // namespace platform
