// GoogleTest's Notification for a compiler without std::mutex (the win32
// thread model of g++ 12, which the 32-bit release is built with on Debian 12):
// the same class on a Win32 manual-reset event. GoogleTest uses it only to start its own threads.
#pragma once

#include <windows.h>

namespace testing::internal {

class Notification {
public:
    Notification() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~Notification() { CloseHandle(event_); }
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify() { SetEvent(event_); }
    void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

private:
    HANDLE event_;
};

}  // namespace testing::internal
