#include "win32/FileDropTarget.h"

#include <shellapi.h>

#include <utility>

namespace quillane {
namespace {

FORMATETC fileListFormat() {
    return FORMATETC{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

bool carriesFiles(IDataObject* data) {
    FORMATETC format = fileListFormat();
    return data && data->QueryGetData(&format) == S_OK;
}

}  // namespace

std::vector<std::string> droppedPaths(HDROP drop) {
    std::vector<std::string> paths;
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = DragQueryFileA(drop, i, nullptr, 0);
        if (length == 0) continue;
        std::string path(static_cast<std::size_t>(length) + 1, '\0');
        const UINT copied = DragQueryFileA(drop, i, path.data(), length + 1);
        path.resize(copied);
        if (!path.empty()) paths.push_back(std::move(path));
    }
    return paths;
}

FileDropTarget::FileDropTarget(DropHandler onDrop, std::function<bool()> taking)
    : onDrop_(std::move(onDrop)), taking_(std::move(taking)) {}

HRESULT STDMETHODCALLTYPE FileDropTarget::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropTarget)) {
        *object = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE FileDropTarget::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&references_));
}

ULONG STDMETHODCALLTYPE FileDropTarget::Release() {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

DWORD FileDropTarget::answer(DWORD offered) const {
    return carriesFiles_ && (offered & DROPEFFECT_COPY) && taking_() ? DROPEFFECT_COPY : DROPEFFECT_NONE;
}

HRESULT STDMETHODCALLTYPE FileDropTarget::DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) {
    if (!effect) return E_INVALIDARG;
    carriesFiles_ = carriesFiles(data);
    *effect = answer(*effect);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FileDropTarget::DragOver(DWORD, POINTL, DWORD* effect) {
    if (!effect) return E_INVALIDARG;
    *effect = answer(*effect);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FileDropTarget::DragLeave() {
    carriesFiles_ = false;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FileDropTarget::Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) {
    if (!effect) return E_INVALIDARG;
    carriesFiles_ = carriesFiles(data);
    *effect = answer(*effect);
    carriesFiles_ = false;
    if (*effect == DROPEFFECT_NONE) return S_OK;

    FORMATETC format = fileListFormat();
    STGMEDIUM medium{};
    if (data->GetData(&format, &medium) != S_OK) {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    std::vector<std::string> paths;
    if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal) paths = droppedPaths(static_cast<HDROP>(medium.hGlobal));
    ReleaseStgMedium(&medium);
    onDrop_(paths);
    return S_OK;
}

}  // namespace quillane
