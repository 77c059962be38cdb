#include "monitor/instance_lock.h"

#include "config/paths.h"
#include "monitor/window.h"

namespace pelko {

Text InstanceLockFolder() { return StateDirectory(); }
Text InstanceLockPath() { return InstanceLockFolder() + "\\pelko-monitor.lock"; }

bool InstanceLock::Acquire() {
    const Text path = InstanceLockPath();
    if (held_ && path == path_) return true;
    Release();
    os::LockHandle handle = -1;
    switch (os::LockFileExclusive(path, handle)) {
        case os::LockResult::Held:
            handle_ = handle;
            held_ = true;
            path_ = path;
            return true;
        case os::LockResult::Busy: return false;
        case os::LockResult::Unavailable: return true;
    }
    return true;
}

void InstanceLock::Release() {
    if (held_) os::UnlockFile(handle_);
    held_ = false;
    handle_ = -1;
    path_.clear();
}

namespace {

InstanceLock& MonitorLock() {
    static InstanceLock lock;
    return lock;
}

}  // namespace

bool AcquireMonitorLock(Window& window) {
    if (MonitorLock().Acquire()) return true;
    window.ShowMessage("这个文件夹已有另一个监控在运行，请先停止它：\n" + InstanceLockFolder());
    return false;
}

void ReleaseMonitorLock() { MonitorLock().Release(); }

}  // namespace pelko
