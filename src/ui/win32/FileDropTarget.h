#pragma once

#include <windows.h>
#include <ole2.h>

#include <functional>
#include <string>
#include <vector>

namespace quillane {

// The window's answer to a drag from the shell or any other program: it takes the files a drag
// carries (CF_HDROP) and always as a copy. The shell moves the files when a target answers
// "move" to a drag that offers it, which would take the user's scans away; a drag that offers no
// copy is refused, and so is every drag while `taking` says no. The owner keeps one reference for
// the window's life.
class FileDropTarget final : public IDropTarget {
public:
    using DropHandler = std::function<void(const std::vector<std::string>&)>;
    FileDropTarget(DropHandler onDrop, std::function<bool()> taking);
    virtual ~FileDropTarget() = default;
    FileDropTarget(const FileDropTarget&) = delete;
    FileDropTarget& operator=(const FileDropTarget&) = delete;

    // IUnknown.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDropTarget.
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;

private:
    DWORD answer(DWORD offered) const;

    LONG references_ = 1;
    bool carriesFiles_ = false;
    DropHandler onDrop_;
    std::function<bool()> taking_;
};

// The paths a shell drop handle names, in its order; the handle stays the caller's.
std::vector<std::string> droppedPaths(HDROP drop);

}  // namespace quillane
