#include "toolkit/descriptor_watcher.h"

#include "toolkit/application.h"
#include "toolkit/win32/native.h"

#include <io.h>

#include <map>

namespace tk {

namespace {

// How often the message loop looks whether a descriptor has bytes to read: Windows
// has no readiness notice for a pipe that a window's message loop could wait on.
constexpr UINT kLookEveryMs = 50;

} // namespace

// The descriptor is the read end of a C runtime pipe (_pipe), as the device
// monitor and the close-on-signal pipe make them.
struct DescriptorWatcher::Impl {
    HANDLE pipe = INVALID_HANDLE_VALUE;
    std::function<void()> onReadable;
    UINT_PTR timer = 0;

    static std::map<UINT_PTR, Impl*>& Watchers() {
        static std::map<UINT_PTR, Impl*> watchers;
        return watchers;
    }

    static void CALLBACK Look(HWND, UINT, UINT_PTR timer, DWORD) {
        const auto found = Watchers().find(timer);
        if (found == Watchers().end())
            return;
        DWORD waiting = 0;
        if (PeekNamedPipe(found->second->pipe, nullptr, 0, nullptr, &waiting, nullptr) &&
            waiting > 0)
            Dispatch(found->second->onReadable);
    }
};

DescriptorWatcher::DescriptorWatcher(int descriptor, std::function<void()> onReadable)
    : impl_(std::make_unique<Impl>()) {
    impl_->pipe = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
    impl_->onReadable = std::move(onReadable);
    impl_->timer = SetTimer(nullptr, 0, kLookEveryMs, &Impl::Look);
    if (impl_->timer != 0)
        Impl::Watchers()[impl_->timer] = impl_.get();
}

DescriptorWatcher::~DescriptorWatcher() {
    if (impl_->timer != 0) {
        KillTimer(nullptr, impl_->timer);
        Impl::Watchers().erase(impl_->timer);
    }
}

} // namespace tk
