#pragma once
#include <windows.h>

// Long work (transfers, unpacking, waiting for an installer, asking race
// servers) runs on the user-interface thread. It calls KeepResponsive()
// between its steps, as often as it likes: at most every kPumpIntervalMs the
// thread's waiting messages are dispatched, so its windows keep painting,
// moving and restoring, while the user's keyboard and mouse input is dropped.
void KeepResponsive();
inline constexpr DWORD kPumpIntervalMs = 20;

// Waits for an object while keeping the windows alive; returns true when it
// was signalled, false when the command was cancelled first.
bool WaitResponsive(HANDLE object);

// Cancel in the status popup asks the running command to stop. Long work
// that offers it (CancelOffer) checks CancelRequested() between its steps and
// ends, without a message, as soon as it is set.
bool CancelRequested();
void RequestCancel();
// Work that goes on after a cancelled step (the refresh after its events
// download) clears the request first.
void ClearCancel();

bool CancelOffered();

// While one exists, the status popup shows its Cancel button. Nested offers
// count as one.
class CancelOffer {
public:
    CancelOffer();
    ~CancelOffer();
    CancelOffer(const CancelOffer&) = delete;
    CancelOffer& operator=(const CancelOffer&) = delete;
};

// One command of a window, from the click to its end. The first pump of the
// command's long work disables the window, as a modal loop disables its
// owner; the end drops the input that came meanwhile, enables the window
// again and gives the focus back. A new command starts without a cancel
// request. Nested scopes belong to the outermost one.
class CommandScope {
public:
    explicit CommandScope(HWND window);
    ~CommandScope();
    CommandScope(const CommandScope&) = delete;
    CommandScope& operator=(const CommandScope&) = delete;

    // Whether a command is running on this thread.
    static bool Running();

private:
    bool outermost_ = false;
};
