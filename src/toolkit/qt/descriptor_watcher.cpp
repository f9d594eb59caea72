#include "toolkit/descriptor_watcher.h"

#include "toolkit/application.h"

#include <QSocketNotifier>

namespace tk {

struct DescriptorWatcher::Impl {
    explicit Impl(int descriptor) : notifier(descriptor, QSocketNotifier::Read) {}
    QSocketNotifier notifier;
};

DescriptorWatcher::DescriptorWatcher(int descriptor, std::function<void()> onReadable)
    : impl_(std::make_unique<Impl>(descriptor)) {
    QObject::connect(&impl_->notifier, &QSocketNotifier::activated,
                     [onReadable = std::move(onReadable)] { Dispatch(onReadable); });
}

DescriptorWatcher::~DescriptorWatcher() = default;

} // namespace tk
