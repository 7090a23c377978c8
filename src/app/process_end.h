#pragma once
// Ends this process at once with `exitCode`, without running any library's
// detach code: for an end after every file has been written, when a thread
// may still be stuck inside a device driver whose detach code would wait for
// it. Any thread; never returns. Windows build only.

[[noreturn]] void EndProcessNow(unsigned exitCode);
