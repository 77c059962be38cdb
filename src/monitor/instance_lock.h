// One monitor per folder: a running monitor holds a lock on a file beside
// its store, so a second one on the same folder cannot push everything again.
#pragma once

#include "textutil/files_os.h"
#include "textutil/text.h"

namespace pelko {

class Window;

class InstanceLock {
public:
    InstanceLock() = default;
    ~InstanceLock() { Release(); }
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // False only when another monitor holds the folder.  A folder where the
    // lock file cannot even be created (read-only, full) is not refused: the
    // monitor runs there without the lock, as it did before.  Held already
    // for the same folder: true at once.
    bool Acquire();
    void Release();
    bool held() const { return held_; }

private:
    bool held_ = false;
    os::LockHandle handle_ = -1;
    Text path_;
};

// The folder whose store the lock guards, and the lock file in it.
Text InstanceLockFolder();
Text InstanceLockPath();

// The monitor of this process; ToggleMonitoring takes it when monitoring
// starts and drops it when monitoring stops.  Acquire shows `window` the
// refusal and gives false when another monitor holds the folder.
bool AcquireMonitorLock(Window& window);
void ReleaseMonitorLock();

}  // namespace pelko
