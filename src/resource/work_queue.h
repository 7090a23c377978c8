#pragma once
// A thread of its own that runs the jobs posted to it, one at a time, in the
// order they were posted. For work that can take long (a disk that is slow to
// flush, a sound device that is slow to answer) and must not run while a
// game lock is held: a thread that holds a lock only posts the job, which
// never waits.
//
// Post and Flush may be called from any thread; jobs run on the queue's
// thread and must not Flush their own queue. Windows build only.

#include <windows.h>

#include <deque>
#include <functional>

#include "resource/kernel_handle.h"

class CWorkQueue {
public:
    CWorkQueue();
    // Runs every job still queued, then ends the thread.
    ~CWorkQueue();
    CWorkQueue(const CWorkQueue&) = delete;
    CWorkQueue& operator=(const CWorkQueue&) = delete;

    // Queues `job`. When the thread could not be started the job runs at once
    // on the caller's thread (traced once), so nothing posted is ever lost.
    void Post(std::function<void()> job);
    // Returns once every job posted before the call has run.
    void Flush();
    // Lets the thread finish every job posted and end, waiting at most
    // `milliseconds`. False when a job is still running then (a device that
    // never answers): the thread still uses the queue, so its owner must end
    // the process without destroying it.
    bool Finish(DWORD milliseconds);

private:
    static unsigned __stdcall Run(void* queue);
    void RunJobs();

    SRWLOCK lock_ = SRWLOCK_INIT;
    CONDITION_VARIABLE posted_ = CONDITION_VARIABLE_INIT;  // a job or the end was posted
    CONDITION_VARIABLE finished_ = CONDITION_VARIABLE_INIT;  // a job has run
    std::deque<std::function<void()>> jobs_;  // guarded by lock_
    unsigned long long postedCount_ = 0;  // jobs posted so far; guarded by lock_
    unsigned long long finishedCount_ = 0;  // jobs run so far; guarded by lock_
    bool ending_ = false;  // guarded by lock_
    CKernelHandle thread_;
};
