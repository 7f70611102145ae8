// A drop target that takes nothing: attached so that dragging over the
// editor is answered at once with "no drop" instead of the host's guess.
#pragma once

#include <windows.h>

#include <ole2.h>

namespace platform {

class NullDropTarget final : public IDropTarget {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL where, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL where, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL where, DWORD* effect) override;

private:
    ~NullDropTarget() = default;
    LONG references = 1;
};

}  // namespace platform
